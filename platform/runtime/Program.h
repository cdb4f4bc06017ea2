// Program entry and what a program knows of its own start: its command line and its file.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// A write past the file-size limit (ulimit -f) fails with "File too large" and is reported like a
// full disk, instead of stopping the process with every unsaved edit. RunProgram sets this up;
// the tests do too, so that they see what the programs see.
void IgnoreFileSizeSignal();

// Starts Qt, runs `main` on thread 1 and returns the process's exit code (ExitCode) once thread
// 1's procedure has returned.
int RunProgram(int argc, char** argv, std::function<void()> main);

// The code the process exits with: 0 unless the program said it ends on a failure (a bad
// argument, a file it could not open), so that a script or a desktop sees that it did not run.
int ExitCode();
void SetExitCode(int code);

// Command-line argument n (1 the first), as the system handed it over; empty when missing.
std::string CommandArgument(int n);
void SetCommandArguments(int argc, char** argv);

// The full file name of the running program.
std::string ProgramFile();

// A path the program cannot work with: the running program's file or one of the command-line
// arguments 1 to `arguments`, when its name holds a character the code page cannot hold (a
// folder named in Cyrillic, say). Such a path would reach the system as another name, so its
// files would be written elsewhere or not at all. Gives the first one as it can be shown
// (ShownPath), or nothing when every one can be used.
std::optional<std::string> UnusablePath(int arguments);

// Starts another program without waiting for it. A name without a folder is looked for in
// `ownFolder` (by default the running program's folder) first, then along PATH. The program and
// its arguments are program text, handed to the system through OsPath like every path, and one
// by one, never split at blanks. Returns whether the program could be started; callers may
// ignore it.
bool StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::optional<std::string>& ownFolder = std::nullopt);

} // namespace platform
