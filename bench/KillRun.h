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
#include <random>
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

// What one kill left: whether every file was whole at the moment of the kill, and after the
// clean-up that follows a kill whether the files are as before the run (-1), as after it (1) or
// neither (0), and how many leftovers stayed.
struct Finding {
    bool whole = true;
    int state = 0;
    int left = 0;
};

// One kind of run to kill: its files made afresh, the run itself (in the child) and the check of
// what a kill left.
class Victim {
public:
    virtual ~Victim() = default;
    virtual void Prepare() = 0;
    virtual int Work() = 0;
    virtual Finding Check(int kill) = 0;
    virtual std::vector<fs::path> Folders() = 0;
};

struct Tally {
    int kills = 0, finished = 0, missing = 0, before = 0, after = 0, wrong = 0, left = 0;

    void Add(const Finding& f, bool done) {
        ++kills;
        finished += done ? 1 : 0;
        missing += f.whole ? 0 : 1;
        before += f.state < 0 ? 1 : 0;
        after += f.state > 0 ? 1 : 0;
        wrong += f.state == 0 ? 1 : 0;
        left += f.left;
    }
    bool Clean() const { return missing == 0 && wrong == 0 && left == 0; }
    void Print(const std::string& what, const char* cleanUp) const {
        std::printf("%s: %d kills, %d finished before the kill; at the kill a file missing or torn "
                    "%d; after %s as before %d, as after %d, neither %d, leftovers %d\n",
                    what.c_str(), kills, finished, missing, cleanUp, before, after, wrong, left);
    }
};

// `tries` kills at random moments over the run's time, then `perRename` right after each of its
// renames; 0 when every kill left whole files.
inline int Run(Victim& v, const char* what, const char* cleanUp, int tries, int perRename,
               unsigned seed) {
    const auto work = [&v] { return v.Work(); };
    // How long a run in a child takes (it starts, and its pages are copied), to spread the kills
    // over it, and how many renames it makes.
    v.Prepare();
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(v.Work());
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the %s itself fails\n", what);
        return 1;
    }
    const long micros = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                              std::chrono::steady_clock::now() - start)
                                              .count());
    v.Prepare();
    const int renames = CountRenames(work, v.Folders());
    std::printf("%s (%.0f ms, %d renames)\n", what, static_cast<double>(micros) / 1000.0, renames);

    std::mt19937 random(seed);
    std::uniform_int_distribution<long> at(0, micros + micros / 5);
    Tally randomKills;
    for (int t = 0; t < tries; ++t) {
        v.Prepare();
        const bool done = KillAfter(work, at(random));
        randomKills.Add(v.Check(t), done);
    }
    randomKills.Print("at random moments", cleanUp);
    bool clean = randomKills.Clean();
    std::uniform_int_distribution<long> later(0, 40);
    for (int n = 1; n <= renames; ++n) {
        Tally aimed;
        for (int t = 0; t < perRename; ++t) {
            v.Prepare();
            const bool done = KillAtRename(work, v.Folders(), n, later(random));
            aimed.Add(v.Check(t), done);
        }
        aimed.Print("right after rename " + std::to_string(n), cleanUp);
        clean = clean && aimed.Clean();
    }
    return clean ? 0 : 1;
}

} // namespace killrun
