// Program entry and what a program knows of its own start: its command line and its file.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

// Starts Qt, runs `main` on thread 1 and returns the process's exit code (0) once thread 1's
// procedure has returned.
int RunProgram(int argc, char** argv, std::function<void()> main);

// Command-line argument n (1 the first), as the system handed it over; empty when missing.
std::string CommandArgument(int n);
void SetCommandArguments(int argc, char** argv);

// The full file name of the running program.
std::string ProgramFile();

// Starts another program without waiting for it. A name without a folder is looked for in the
// running program's folder first, then along PATH. The arguments are handed over one by one,
// never split at blanks. Returns whether the program could be started; callers may ignore it.
bool StartProgram(const std::string& program, const std::vector<std::string>& arguments);

} // namespace platform
