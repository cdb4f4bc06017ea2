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

using namespace killrun;

namespace {

class Import : public Victim {
public:
    Import(fs::path root, std::size_t bytes)
        : root_(std::move(root)), old_(Notes("Project", bytes)), older_(Notes("Older", bytes / 2)),
          set_(Notes("Library", bytes)) {}

    void Prepare() override {
        fs::remove_all(root_);
        fs::create_directories(root_ / "job");
        fs::create_directories(root_ / "lib");
        Write(Job("constnot.csv"), old_);
        Write(Job("constnot.bak"), older_);
        Write(Job("Notes.ini"), oldIni_);
        Write(root_ / "lib" / "Office.csv", set_);
        Write(root_ / "lib" / "Office.ini", setIni_);
    }

    int Work() override {
        const editor::ImportOutcome outcome =
            editor::ImportSet((root_ / "lib").string(), {"Office", "Office"}, Target());
        return outcome.notes && outcome.ini ? 0 : 1;
    }

    Finding Check(int kill) override {
        Finding f;
        const std::string csv = Read(Job("constnot.csv"));
        const std::string bak = Read(Job("constnot.bak"));
        const std::string ini = Read(Job("Notes.ini"));
        f.whole = (csv == old_ || csv == set_) && (bak == older_ || bak == old_) &&
                  (ini == oldIni_ || ini == setIni_);
        if (!f.whole)
            std::fprintf(stderr, "kill %d: keynote %zu bytes, backup %zu, Notes.ini %zu\n", kill,
                         csv.size(), bak.size(), ini.size());
        // What the next start of notes does: the backup a stopped import kept is put back, the
        // temporaries go.
        editor::RecoverImport(Target(), 0);
        for (const char* name : {"constnot.csv", "constnot.bak", "Notes.ini", "Notes.bak"})
            platform::RemoveLeftoverTemporaries(Job(name).string(), 0);
        const std::string csvNow = Read(Job("constnot.csv"));
        const std::string bakNow = Read(Job("constnot.bak"));
        const std::string iniNow = Read(Job("Notes.ini"));
        if (csvNow == old_ && bakNow == older_ && iniNow == oldIni_)
            f.state = -1;
        // The notes imported; Notes.ini follows them, the old one kept as Notes.bak.
        else if (csvNow == set_ && bakNow == old_ &&
                 ((iniNow == setIni_ && Read(Job("Notes.bak")) == oldIni_) || iniNow == oldIni_))
            f.state = 1;
        else
            std::fprintf(stderr, "kill %d after the clean-up: keynote %zu bytes, backup %zu\n",
                         kill, csvNow.size(), bakNow.size());
        f.left = Leftovers(root_ / "job");
        return f;
    }

    std::vector<fs::path> Folders() override { return {root_ / "job"}; }

private:
    fs::path Job(const char* name) const { return root_ / "job" / name; }
    editor::ImportTarget Target() const {
        return {(root_ / "job").string(), Job("constnot.csv").string(),
                Job("constnot.bak").string()};
    }

    fs::path root_;
    std::string old_, older_, set_;
    std::string oldIni_ = "[QVR]\r\nTBLWID=1\r\n";
    std::string setIni_ = "[QVR]\r\nTBLWID=9\r\n";
};

} // namespace

int main(int argc, char** argv) {
    const int tries = argc > 1 ? std::atoi(argv[1]) : 200;
    const std::size_t bytes = (argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 6) << 20;
    const int perRename = argc > 3 ? std::atoi(argv[3]) : 150;
    const fs::path root = fs::temp_directory_path() / ("import-kill-" + std::to_string(::getpid()));
    Import import(root, bytes);
    const std::string what = "import of " + std::to_string(bytes >> 20) + " MB";
    const int result =
        Run(import, what.c_str(), "the next start's clean-up", tries, perRename, 12345);
    fs::remove_all(root);
    return result;
}
