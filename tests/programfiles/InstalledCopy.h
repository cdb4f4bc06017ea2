// An installed copy as an ordinary user has it: the programs in <prefix>/bin, a folder the user
// cannot write, the starter layer table in <prefix>/share/notes, and the user's data home in a
// folder of the test's own. The program folder is taken as the programs' mains take it.
#pragma once

#include "programfiles/ProgramFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace programfiles::testing {

class InstalledCopy {
public:
    // `root`: a folder of the test's; `starterTable`: the bytes of the installed Layers.dat.
    InstalledCopy(const std::string& root, const std::string& starterTable)
        : prefix(root + "/prefix"), bin(prefix + "/bin"), data(root + "/data") {
        namespace fs = std::filesystem;
        fs::create_directories(bin);
        fs::create_directories(prefix + "/share/notes");
        std::ofstream(prefix + "/share/notes/Layers.dat", std::ios::binary) << starterTable;
        for (const char* program : {"dravolet", "notes"})
            std::ofstream(bin + "/" + program, std::ios::binary) << "program";
        fs::permissions(bin, fs::perms(0555)); // as an installed program folder is
        setenv("XDG_DATA_HOME", data.c_str(), 1);
    }
    ~InstalledCopy() {
        unsetenv("XDG_DATA_HOME");
        std::error_code ignored;
        std::filesystem::permissions(bin, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add, ignored);
    }
    InstalledCopy(const InstalledCopy&) = delete;
    InstalledCopy& operator=(const InstalledCopy&) = delete;

    // The program folder of the program now running (its ProgramName). Whether the folder beside
    // the program can be written is asked for the real user; root may write anywhere, so a test
    // run as root asks as nobody, the ordinary user it can be, for that moment.
    std::string ProgramFolder() const {
        if (::geteuid() != 0)
            return ProgramFolderToUse(bin);
        constexpr uid_t kNobody = 65534;
        EXPECT_EQ(::setresuid(kNobody, 0, 0), 0);
        std::string folder = ProgramFolderToUse(bin);
        EXPECT_EQ(::setresuid(0, 0, 0), 0);
        return folder;
    }

    // The names of what lies beside the programs, sorted.
    std::vector<std::string> BesideThePrograms() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(bin))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::vector<std::string> ThePrograms() { return {"dravolet", "notes"}; }

    const std::string prefix, bin, data;
};

} // namespace programfiles::testing
