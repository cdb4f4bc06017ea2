#include "KeynoteRoundTrip.h"

#include "platform/testing/TempFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

namespace drv = platform::testing;

namespace {

// Random keynote files made of the pieces that matter to the reader and the writer: shape codes
// (with a mark, in lower case, with blanks), the title field, commas, double quotes alone and
// doubled, "\n", lone CR and LF, blanks, tabs, the character 255, Ctrl-Z, and long runs.
std::string RandomFile(std::mt19937& random) {
    static const std::vector<std::string> pieces = {
        "CIR",   "HEX", ";TRI", "OCT ",   "cir",  "SET,TXTHT,", "TITLE",  "title", ",",     ",",
        ",",     "\"",  "\"\"", "\"\"\"", "\\n",  "\\N",        "\\",     "\r",    "\n",    "\r\n",
        "\r\n",  " ",   "  ",   "\t",     "\xff", "\x1a",       "a",      "Wall",  "12345", "EA",
        "COUNT", "x",   ",\"",  ",\"\"",  "\",",  "CIR,TITLE,", "HEX,1,", ",,"};
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 60);
    std::uniform_int_distribution<int> oneIn(0, 40);
    std::string file;
    const int lines = length(random);
    for (int l = 0; l < lines; ++l) {
        const int n = length(random) / 4;
        for (int p = 0; p < n; ++p) {
            if (oneIn(random) == 0)
                file += std::string(std::uniform_int_distribution<int>(900, 5000)(random),
                                    "a\"b,"[std::uniform_int_distribution<int>(0, 3)(random)]);
            else
                file += pieces[piece(random)];
        }
        file += "\r\n";
    }
    return file;
}

} // namespace

// Whatever a keynote file holds, a save of it, read and saved again, gives the same bytes, and
// every line it writes reads back as a line of the file. A seeded run of random files; the
// fuzzer (scripts/fuzz-keynote) runs the same property for as long as it is given.
TEST(KeynoteRoundTripTest, ASaveReopenedAndSavedAgainWritesTheSameBytes) {
    // In memory where the system has it: every save flushes its file to the disk.
    const char* before = std::getenv("TMPDIR");
    const std::string kept = before ? before : "";
    if (std::filesystem::is_directory("/dev/shm"))
        setenv("TMPDIR", "/dev/shm", 1);
    drv::TempFolder temp;
    if (before)
        setenv("TMPDIR", kept.c_str(), 1);
    else
        unsetenv("TMPDIR");
    std::mt19937 random(20261210);
    for (int i = 0; i < 3000; ++i) {
        const std::string file = RandomFile(random);
        drv::WriteBytes(temp / "in.csv", file);
        const std::string broken =
            keynoteroundtrip::SaveReopenSave(temp / "in.csv", temp / "a.csv", temp / "b.csv");
        ASSERT_EQ(broken, "") << "file " << i << ":\n" << file;
    }
}

// The cases that broke it before, as the files that showed them.
TEST(KeynoteRoundTripTest, TheFilesThatChangedAtEverySaveNowStay) {
    drv::TempFolder temp;
    std::string ab;
    for (int i = 0; i < 1339; ++i)
        ab += "ab\"";
    const std::string cases[] = {
        "SET,TXTHT,0.1\r\nCIR,1,\"\",EA,COUNT\r\n",       // an empty quoted description
        "CIR,1,\"\"Quoted\"\" at the start,EA,COUNT\r\n", // a description beginning with a quote
        "CIR,1,\"\"\"a, b\",EA,COUNT\r\n",                // ... and holding a comma
        "CIR,1," + ab + ",EA,COUNT\r\n",                  // lone quotes that grow when escaped
        "CIR,TITLE,\"Walls\\nHEX,9,Injected,EA\",,\r\n",  // a title holding a line break
        "CIR,TITLE,\"Say \"\"\"\"x\"\"\"\" now\",,\r\n",  // a title with doubled quotes
        "HEX,TITLE,\"A, B\",,\r\n",                       // a title with a comma
        "HEX,TITLE,Walls\\nDoors,,\r\n",                  // a title with a line break
    };
    for (const std::string& file : cases) {
        drv::WriteBytes(temp / "in.csv", file);
        EXPECT_EQ(keynoteroundtrip::SaveReopenSave(temp / "in.csv", temp / "a.csv", temp / "b.csv"),
                  "")
            << file;
    }
}
