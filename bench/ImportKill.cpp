// Kills library imports and checks the project after each kill, first at random moments, then
// aimed: right after each rename the import makes (seen with inotify), a little later each time.
// At the moment of the kill the project must have a whole keynote file (the old one or the
// set's), a whole backup (the older one or the old keynote file) and a whole Notes.ini (the old
// one or the set's). After the clean-up that the next start of notes makes (here without its
// minute's wait) the project must be as before the import or as after it, every temporary gone.
// Run by hand: import_kill [tries [megabytes [kills-per-rename]]] (defaults 200, 6 and 150).
#include "KillRun.h"

#include "editor/LibrarySets.h"
#include "platform/files/Files.h"

#include <cstdlib>
#include <random>

using namespace killrun;

namespace {

struct Project {
    fs::path root;
    std::string old, older, set;
    std::string oldIni = "[QVR]\r\nTBLWID=1\r\n";
    std::string setIni = "[QVR]\r\nTBLWID=9\r\n";

    fs::path Job(const char* name) const { return root / "job" / name; }
    editor::ImportTarget Target() const {
        return {(root / "job").string(), Job("constnot.csv").string(),
                Job("constnot.bak").string()};
    }

    void Prepare() const {
        fs::remove_all(root);
        fs::create_directories(root / "job");
        fs::create_directories(root / "lib");
        Write(Job("constnot.csv"), old);
        Write(Job("constnot.bak"), older);
        Write(Job("Notes.ini"), oldIni);
        Write(root / "lib" / "Office.csv", set);
        Write(root / "lib" / "Office.ini", setIni);
    }

    int ImportOnce() const {
        const editor::ImportOutcome outcome =
            editor::ImportSet((root / "lib").string(), {"Office", "Office"}, Target());
        return outcome.notes && outcome.ini ? 0 : 1;
    }

    // What the next start of notes does: the backup a stopped import kept is put back, the
    // temporaries go.
    void CleanUp() const {
        editor::RecoverImport(Target(), 0);
        for (const char* name : {"constnot.csv", "constnot.bak", "Notes.ini", "Notes.bak"})
            platform::RemoveLeftoverTemporaries(Job(name).string(), 0);
    }
};

struct Tally {
    int kills = 0, before = 0, after = 0, finished = 0, missing = 0, wrong = 0, left = 0;

    void Check(const Project& p, bool done, int t) {
        ++kills;
        finished += done ? 1 : 0;
        const std::string csv = Read(p.Job("constnot.csv"));
        const std::string bak = Read(p.Job("constnot.bak"));
        const std::string ini = Read(p.Job("Notes.ini"));
        // At the moment of the kill: every file whole, the old or the new version.
        const bool whole = (csv == p.old || csv == p.set) && (bak == p.older || bak == p.old) &&
                           (ini == p.oldIni || ini == p.setIni);
        if (!whole) {
            ++missing;
            std::fprintf(stderr, "kill %d: keynote %zu bytes, backup %zu, Notes.ini %zu\n", t,
                         csv.size(), bak.size(), ini.size());
        }
        p.CleanUp();
        const std::string csvNow = Read(p.Job("constnot.csv"));
        const std::string bakNow = Read(p.Job("constnot.bak"));
        const std::string iniNow = Read(p.Job("Notes.ini"));
        const std::string notesBak = Read(p.Job("Notes.bak"));
        if (csvNow == p.old && bakNow == p.older && iniNow == p.oldIni) {
            ++before;
        } else if (csvNow == p.set && bakNow == p.old &&
                   ((iniNow == p.setIni && notesBak == p.oldIni) || iniNow == p.oldIni)) {
            ++after; // the notes imported; Notes.ini follows, the old one kept as Notes.bak
        } else {
            ++wrong;
            std::fprintf(stderr, "kill %d after the clean-up: keynote %zu bytes, backup %zu\n", t,
                         csvNow.size(), bakNow.size());
        }
        left += Leftovers(p.root / "job");
    }

    void Print(const char* what) const {
        std::printf("%s: %d kills, %d finished before the kill; at the kill a file missing or torn "
                    "%d; after the next start's clean-up as before %d, as after %d, neither %d, "
                    "leftovers %d\n",
                    what, kills, finished, missing, before, after, wrong, left);
    }
};

} // namespace

int main(int argc, char** argv) {
    const int tries = argc > 1 ? std::atoi(argv[1]) : 200;
    const std::size_t bytes = (argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 6) << 20;
    const int perRename = argc > 3 ? std::atoi(argv[3]) : 150;
    Project p;
    p.root = fs::temp_directory_path() / ("import-kill-" + std::to_string(::getpid()));
    p.old = Notes("Project", bytes);
    p.older = Notes("Older", bytes / 2);
    p.set = Notes("Library", bytes);
    const auto work = [&p] { return p.ImportOnce(); };

    // How long an import takes, to spread the kills over it, and how many renames it makes.
    p.Prepare();
    const auto start = std::chrono::steady_clock::now();
    if (p.ImportOnce() != 0) {
        std::fprintf(stderr, "the import itself fails\n");
        return 1;
    }
    const long micros = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                              std::chrono::steady_clock::now() - start)
                                              .count());
    p.Prepare();
    const std::vector<fs::path> folders{p.root / "job"};
    const int renames = CountRenames(work, folders);

    std::mt19937 random(12345);
    // A child takes longer than the run measured here (it starts, and its pages are copied).
    std::uniform_int_distribution<long> at(0, 3 * micros);
    Tally randomKills;
    for (int t = 0; t < tries; ++t) {
        p.Prepare();
        randomKills.Check(p, KillAfter(work, at(random)), t);
    }
    std::printf("import of %zu MB (%.0f ms, %d renames)\n", bytes >> 20,
                static_cast<double>(micros) / 1000.0, renames);
    randomKills.Print("at random moments");

    std::uniform_int_distribution<long> later(0, 40);
    bool allWhole = randomKills.missing == 0 && randomKills.wrong == 0 && randomKills.left == 0;
    for (int n = 1; n <= renames; ++n) {
        Tally aimed;
        for (int t = 0; t < perRename; ++t) {
            p.Prepare();
            aimed.Check(p, KillAtRename(work, folders, n, later(random)), t);
        }
        const std::string what = "right after rename " + std::to_string(n);
        aimed.Print(what.c_str());
        allWhole = allWhole && aimed.missing == 0 && aimed.wrong == 0 && aimed.left == 0;
    }
    fs::remove_all(p.root);
    return allWhole ? 0 : 1;
}
