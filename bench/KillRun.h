// What the kill benchmarks of the library share: files of a given size, a child process that
// runs one import or export and is killed at a random moment or right after its n-th rename
// (seen with inotify in the folders it writes), and the count of what each kill left.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace killrun {

namespace fs = std::filesystem;

inline void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The file's bytes, or "<missing>".
inline std::string Read(const fs::path& path) {
    if (!fs::exists(path))
        return "<missing>";
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A keynote file of about `bytes` bytes whose notes all carry `tag`.
inline std::string Notes(const std::string& tag, std::size_t bytes) {
    std::string out = "SET,TXTHT,Auto\r\n";
    for (int i = 1; out.size() < bytes; ++i)
        out += "CIR," + std::to_string(i % 100000) + "," + tag + " note " + std::to_string(i) +
               " with a description of some length,EA,COUNT\r\n";
    return out;
}

// The hidden leftovers of a folder (temporaries and kept second names).
inline int Leftovers(const fs::path& folder) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(".") && (name.ends_with(".tmp") || name.ends_with(".kept")))
            ++count;
    }
    return count;
}

// Runs `work` in a child and kills it after `micros` microseconds; true when it had finished.
inline bool KillAfter(const std::function<int()>& work, long micros) {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(work());
    std::this_thread::sleep_for(std::chrono::microseconds(micros));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status);
}

// Runs `work` in a child and kills it as soon as the `n`-th rename into one of `folders` is seen
// (0: at once), after `micros` more microseconds; true when it had finished.
inline bool KillAtRename(const std::function<int()>& work, const std::vector<fs::path>& folders,
                         int n, long micros) {
    const int watch = ::inotify_init1(IN_CLOEXEC);
    for (const fs::path& folder : folders)
        ::inotify_add_watch(watch, folder.c_str(), IN_MOVED_TO);
    int pipes[2];
    if (::pipe(pipes) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        char go = 0;
        ::close(pipes[1]);
        if (::read(pipes[0], &go, 1) != 1)
            ::_exit(2);
        ::_exit(work());
    }
    ::close(pipes[0]);
    static_cast<void>(::write(pipes[1], "!", 1));
    ::close(pipes[1]);
    alignas(inotify_event) char buffer[4096];
    for (int seen = 0; seen < n;) {
        const ssize_t got = ::read(watch, buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (ssize_t at = 0; at < got && seen < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            ++seen;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    if (micros > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(micros));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(watch);
    return WIFEXITED(status);
}

// How many renames into `folders` one run of `work` makes.
inline int CountRenames(const std::function<int()>& work, const std::vector<fs::path>& folders) {
    const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    for (const fs::path& folder : folders)
        ::inotify_add_watch(watch, folder.c_str(), IN_MOVED_TO);
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(work());
    int status = 0;
    ::waitpid(child, &status, 0);
    int count = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t got; (got = ::read(watch, buffer, sizeof buffer)) > 0;)
        for (ssize_t at = 0; at < got; ++count)
            at += static_cast<ssize_t>(sizeof(inotify_event) +
                                       reinterpret_cast<const inotify_event*>(buffer + at)->len);
    ::close(watch);
    return count;
}

} // namespace killrun
