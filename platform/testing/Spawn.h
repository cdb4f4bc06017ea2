// Starts another program as a shell does, for tests that watch a real process: its arguments
// one by one and the file-size limit's signal at its default action (the test program itself
// ignores that signal, and a started program would inherit that).
#pragma once

#include <csignal>
#include <spawn.h>
#include <string>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform::testing {

// The process id, or 0 when the program could not be started. `envp` is the environment in
// the form execve takes; without it the test's own.
inline pid_t StartAsFromAShell(std::string program, std::vector<std::string> arguments,
                               char** envp = environ) {
    std::vector<char*> argv = {program.data()};
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGXFSZ);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv.data(), envp) != 0)
        pid = 0;
    posix_spawnattr_destroy(&attributes);
    return pid;
}

} // namespace platform::testing
