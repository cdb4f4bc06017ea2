// Kills library exports and checks the set after each kill, first at random moments, then aimed:
// right after each rename the export makes (seen with inotify), a little later each time. At the
// moment of the kill the set must have its whole ".csv" (the old or the new one), ".ini" and
// ".bak". After the clean-up that the next listing of the library makes (here without its
// minute's wait) the set must be the old one or the new one whole (".csv" and ".ini" of one
// export, the ".bak" the ".csv" before it), every temporary gone.
// Run by hand: export_kill [tries [megabytes [kills-per-rename]]] (defaults 200, 6 and 150).
#include "KillRun.h"

#include "editor/LibrarySets.h"

#include <cstdlib>
#include <random>

using namespace killrun;

namespace {

struct Library {
    fs::path root;
    std::string project, old, older;
    std::string projectIni = "[QVR]\r\nTBLWID=6\r\n";
    std::string oldIni = "[QVR]\r\nTBLWID=4\r\n";

    fs::path Lib(const char* name) const { return root / "lib" / name; }

    void Prepare() const {
        fs::remove_all(root);
        fs::create_directories(root / "job");
        fs::create_directories(root / "lib");
        Write(root / "job" / "constnot.csv", project);
        Write(root / "job" / "QVR.ini", projectIni);
        Write(Lib("Shop.csv"), old);
        Write(Lib("Shop.ini"), oldIni);
        Write(Lib("Shop.bak"), older);
    }

    int ExportOnce() const {
        return editor::ExportSet((root / "lib").string(), "Shop",
                                 (root / "job" / "constnot.csv").string(), (root / "job").string())
                   ? 0
                   : 1;
    }
};

struct Tally {
    int kills = 0, before = 0, after = 0, finished = 0, missing = 0, wrong = 0, left = 0;

    void Check(const Library& l, bool done, int t) {
        ++kills;
        finished += done ? 1 : 0;
        const std::string csv = Read(l.Lib("Shop.csv"));
        const std::string ini = Read(l.Lib("Shop.ini"));
        const std::string bak = Read(l.Lib("Shop.bak"));
        if (!((csv == l.old || csv == l.project) && (ini == l.oldIni || ini == l.projectIni) &&
              (bak == l.older || bak == l.old))) {
            ++missing;
            std::fprintf(stderr, "kill %d: Shop.csv %zu bytes, .ini %zu, .bak %zu\n", t, csv.size(),
                         ini.size(), bak.size());
        }
        editor::CleanLibrary((l.root / "lib").string(), 0);
        const std::string csvNow = Read(l.Lib("Shop.csv"));
        const std::string iniNow = Read(l.Lib("Shop.ini"));
        const std::string bakNow = Read(l.Lib("Shop.bak"));
        if (csvNow == l.old && iniNow == l.oldIni && bakNow == l.older) {
            ++before;
        } else if (csvNow == l.project && iniNow == l.projectIni && bakNow == l.old) {
            ++after;
        } else {
            ++wrong;
            std::fprintf(stderr,
                         "kill %d after the listing: Shop.csv %zu bytes, .ini %s, .bak %zu\n", t,
                         csvNow.size(), iniNow == l.oldIni ? "old" : "new", bakNow.size());
        }
        left += Leftovers(l.root / "lib");
    }

    void Print(const char* what) const {
        std::printf("%s: %d kills, %d finished before the kill; at the kill a file missing or torn "
                    "%d; after the next listing's clean-up as before %d, as after %d, neither %d, "
                    "leftovers %d\n",
                    what, kills, finished, missing, before, after, wrong, left);
    }
};

} // namespace

int main(int argc, char** argv) {
    const int tries = argc > 1 ? std::atoi(argv[1]) : 200;
    const std::size_t bytes = (argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 6) << 20;
    const int perRename = argc > 3 ? std::atoi(argv[3]) : 150;
    Library l;
    l.root = fs::temp_directory_path() / ("export-kill-" + std::to_string(::getpid()));
    l.project = Notes("Project", bytes);
    l.old = Notes("Set", bytes);
    l.older = Notes("Older", bytes / 2);
    const auto work = [&l] { return l.ExportOnce(); };

    l.Prepare();
    const auto start = std::chrono::steady_clock::now();
    if (l.ExportOnce() != 0) {
        std::fprintf(stderr, "the export itself fails\n");
        return 1;
    }
    const long micros = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                              std::chrono::steady_clock::now() - start)
                                              .count());
    l.Prepare();
    const std::vector<fs::path> folders{l.root / "lib"};
    const int renames = CountRenames(work, folders);

    std::mt19937 random(54321);
    // A child takes longer than the run measured here (it starts, and its pages are copied).
    std::uniform_int_distribution<long> at(0, 3 * micros);
    Tally randomKills;
    for (int t = 0; t < tries; ++t) {
        l.Prepare();
        randomKills.Check(l, KillAfter(work, at(random)), t);
    }
    std::printf("export of %zu MB (%.0f ms, %d renames)\n", bytes >> 20,
                static_cast<double>(micros) / 1000.0, renames);
    randomKills.Print("at random moments");

    std::uniform_int_distribution<long> later(0, 40);
    bool allWhole = randomKills.missing == 0 && randomKills.wrong == 0 && randomKills.left == 0;
    for (int n = 1; n <= renames; ++n) {
        Tally aimed;
        for (int t = 0; t < perRename; ++t) {
            l.Prepare();
            aimed.Check(l, KillAtRename(work, folders, n, later(random)), t);
        }
        const std::string what = "right after rename " + std::to_string(n);
        aimed.Print(what.c_str());
        allWhole = allWhole && aimed.missing == 0 && aimed.wrong == 0 && aimed.left == 0;
    }
    fs::remove_all(l.root);
    return allWhole ? 0 : 1;
}
