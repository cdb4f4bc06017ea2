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

using namespace killrun;

namespace {

class Export : public Victim {
public:
    Export(fs::path root, std::size_t bytes)
        : root_(std::move(root)), project_(Notes("Project", bytes)), old_(Notes("Set", bytes)),
          older_(Notes("Older", bytes / 2)) {}

    void Prepare() override {
        fs::remove_all(root_);
        fs::create_directories(root_ / "job");
        fs::create_directories(root_ / "lib");
        Write(root_ / "job" / "constnot.csv", project_);
        Write(root_ / "job" / "QVR.ini", projectIni_);
        Write(Lib("Shop.csv"), old_);
        Write(Lib("Shop.ini"), oldIni_);
        Write(Lib("Shop.bak"), older_);
    }

    int Work() override {
        return editor::ExportSet((root_ / "lib").string(), "Shop",
                                 (root_ / "job" / "constnot.csv").string(),
                                 (root_ / "job").string())
                   ? 0
                   : 1;
    }

    Finding Check(int kill) override {
        Finding f;
        const std::string csv = Read(Lib("Shop.csv"));
        const std::string ini = Read(Lib("Shop.ini"));
        const std::string bak = Read(Lib("Shop.bak"));
        f.whole = (csv == old_ || csv == project_) && (ini == oldIni_ || ini == projectIni_) &&
                  (bak == older_ || bak == old_);
        if (!f.whole)
            std::fprintf(stderr, "kill %d: Shop.csv %zu bytes, .ini %zu, .bak %zu\n", kill,
                         csv.size(), ini.size(), bak.size());
        editor::CleanLibrary((root_ / "lib").string(), 0);
        const std::string csvNow = Read(Lib("Shop.csv"));
        const std::string iniNow = Read(Lib("Shop.ini"));
        const std::string bakNow = Read(Lib("Shop.bak"));
        if (csvNow == old_ && iniNow == oldIni_ && bakNow == older_)
            f.state = -1;
        else if (csvNow == project_ && iniNow == projectIni_ && bakNow == old_)
            f.state = 1;
        else
            std::fprintf(stderr,
                         "kill %d after the listing: Shop.csv %zu bytes, .ini %s, .bak %zu\n", kill,
                         csvNow.size(), iniNow == oldIni_ ? "old" : "new", bakNow.size());
        f.left = Leftovers(root_ / "lib");
        return f;
    }

    std::vector<fs::path> Folders() override { return {root_ / "lib"}; }

private:
    fs::path Lib(const char* name) const { return root_ / "lib" / name; }

    fs::path root_;
    std::string project_, old_, older_;
    std::string projectIni_ = "[QVR]\r\nTBLWID=6\r\n";
    std::string oldIni_ = "[QVR]\r\nTBLWID=4\r\n";
};

} // namespace

int main(int argc, char** argv) {
    const int tries = argc > 1 ? std::atoi(argv[1]) : 200;
    const std::size_t bytes = (argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 6) << 20;
    const int perRename = argc > 3 ? std::atoi(argv[3]) : 150;
    const fs::path root = fs::temp_directory_path() / ("export-kill-" + std::to_string(::getpid()));
    Export e(root, bytes);
    const std::string what = "export of " + std::to_string(bytes >> 20) + " MB";
    const int result = Run(e, what.c_str(), "the next listing's clean-up", tries, perRename, 54321);
    fs::remove_all(root);
    return result;
}
