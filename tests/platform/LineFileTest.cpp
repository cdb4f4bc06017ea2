#include "platform/files/LineFile.h"
#include "platform/files/FileError.h"
#include "platform/files/Files.h"
#include "platform/testing/TempFiles.h"
#include "platform/testing/WriteLimit.h"
#include "platform/text/Text.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace platform;
using platform::testing::ReadBytes;
using platform::testing::TempFolder;
using platform::testing::WriteBytes;

namespace {

using namespace std::string_literals;

// Every record of the file, as the line driver reads it, with its padding.
std::vector<std::string> ReadAll(LineFile& file, ReadResult* last = nullptr) {
    std::vector<std::string> records;
    ReadResult result;
    while ((result = file.Next()) == ReadResult::Ok) {
        records.push_back(file.Record());
        // What was filled, and blanks after it.
        const std::string_view filled = file.Filled();
        EXPECT_EQ(std::string_view(file.Record()).substr(0, filled.size()), filled);
        EXPECT_EQ(file.Record().find_first_not_of(' ', filled.size()), std::string::npos);
    }
    if (last != nullptr) {
        *last = result;
    }
    return records;
}

std::vector<std::string> ReadFile(const std::string& path, std::size_t recordSize) {
    LineFile file(recordSize);
    file.SetName(path);
    EXPECT_TRUE(file.Open(OpenMode::ReadOnlyDenyNone)) << FileErrorText();
    ReadResult last = ReadResult::Ok;
    std::vector<std::string> records = ReadAll(file, &last);
    EXPECT_EQ(last, ReadResult::EndOfFile);
    EXPECT_EQ(file.Next(), ReadResult::EndOfFile) << "the end stays the end";
    return records;
}

std::vector<std::string> Padded(const std::vector<std::string>& lines, std::size_t size) {
    std::vector<std::string> records;
    for (const std::string& line : lines) {
        records.push_back(Fixed(line, size));
    }
    return records;
}

} // namespace

TEST(LineFile, ReadingRules) {
    struct Case {
        const char* what;
        std::size_t recordSize;
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"CR LF ends a line", 16, "a\r\nb\r\n", {"a", "b"}},
        {"a last line without CR LF", 16, "a\r\nb", {"a", "b"}},
        {"empty file", 16, "", {}},
        {"empty lines", 16, "\r\n\r\n", {"", ""}},
        {"lone LF is a character", 16, "a\nb\r\n", {"a\nb"}},
        {"lone CR is a character", 16, "a\rb\r\n", {"a\rb"}},
        {"CR CR LF", 16, "a\r\r\n", {"a\r"}},
        {"CR at the end of the file", 16, "a\r", {"a\r"}},
        {"NUL bytes are characters", 16, "a\0b\r\n"s, {"a\0b"s}},
        {"tab to the next multiple of 8",
         32,
         "a\tb\r\n\tx\r\n1234567\tx\r\n12345678\tx",
         {"a       b", "        x", "1234567 x", "12345678        x"}},
        {"Ctrl-Z ends the file",
         16,
         "a\r\nb\x1a"
         "c\r\nd\r\n",
         {"a", "b"}},
        {"Ctrl-Z after the last CR LF", 16, "a\r\n\x1a", {"a"}},
        {"Ctrl-Z first",
         16,
         "\x1a"
         "a\r\n",
         {}},
        {"a longer line reads as several records",
         4,
         "abcdefghij\r\nk",
         {"abcd", "efgh", "ij", "k"}},
        {"a line of exactly the record size", 4, "abcd\r\nef", {"abcd", "ef"}},
        {"a line of twice the record size", 4, "abcdefgh\r\n", {"abcd", "efgh"}},
        {"a full record before Ctrl-Z", 4, "abcd\x1a", {"abcd"}},
        {"a tab at the end of a record", 12, "1234567890\tx\r\n", {"1234567890", "x"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        WriteBytes(folder / "f.csv", c.bytes);
        EXPECT_EQ(ReadFile(folder / "f.csv", c.recordSize), Padded(c.lines, c.recordSize));
    }
}

// A line may be read where it stands and copied into the record only when the record is asked
// for: whichever lines are asked for, in whatever order of kinds, each reads as itself, also after
// the file is closed or the object moved.
TEST(LineFile, EachRecordIsItsLineWhicheverRecordsAreAskedFor) {
    TempFolder folder;
    const std::vector<std::string> lines = {"a long first line of ordinary characters",
                                            "\tx",
                                            "short",
                                            "tab\tbetween",
                                            "",
                                            "again a long one here",
                                            "y",
                                            "last"};
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + "\r\n";
    WriteBytes(folder / "f.csv", bytes);
    const std::vector<std::string> records = ReadFile(folder / "f.csv", 64);
    for (unsigned asked = 0; asked < (1u << lines.size()); asked += 7) {
        SCOPED_TRACE(asked);
        LineFile file(64);
        file.SetName(folder / "f.csv");
        ASSERT_TRUE(file.Open(OpenMode::ReadOnlyDenyNone));
        for (std::size_t i = 0; i < lines.size(); ++i) {
            ASSERT_EQ(file.Next(), ReadResult::Ok);
            EXPECT_EQ(file.Filled(), ClipView(records[i]));
            if ((asked >> i) & 1u) {
                EXPECT_EQ(file.Record(), records[i]);
            }
        }
        if (asked % 2 == 0) {
            static_cast<void>(file.Close());
            EXPECT_EQ(file.Record(), records.back());
        } else {
            LineFile moved(std::move(file));
            EXPECT_EQ(moved.Filled(), "last");
            EXPECT_EQ(moved.Record(), records.back());
        }
    }
}

TEST(LineFile, LineEndsAcrossReadBlocks) {
    // The driver reads in large blocks; a CR LF, or a lone CR, may fall on their boundary.
    TempFolder folder;
    for (std::size_t length : {262142u, 262143u, 262144u, 262145u, 1048575u}) {
        SCOPED_TRACE(length);
        const std::string line(length, 'a');
        WriteBytes(folder / "f.csv", line + "\r\nb\r\n" + line + "\rc\r\n");
        // Compared whole, since a failure would print megabytes.
        EXPECT_TRUE(ReadFile(folder / "f.csv", length + 8) ==
                    Padded({line, "b", line + "\rc"}, length + 8));
    }
}

TEST(LineFile, MegabyteLineAndBinaryJunk) {
    TempFolder folder;
    const std::string line(1'000'000, 'x');
    WriteBytes(folder / "long.csv", line + "\r\nend");
    const std::vector<std::string> records = ReadFile(folder / "long.csv", 4096);
    ASSERT_EQ(records.size(), 246u); // 244 full records, the rest of the line, "end"
    EXPECT_EQ(records[243], std::string(4096, 'x'));
    EXPECT_EQ(records[244], Fixed(std::string(1'000'000 - 244 * 4096, 'x'), 4096));
    EXPECT_EQ(records[245], Fixed("end", 4096));

    std::mt19937 random(7);
    std::string junk(300'000, '\0');
    for (char& c : junk) {
        c = static_cast<char>(random() % 256);
        if (c == '\x1a') {
            c = '\r'; // keep the whole file in play
        }
    }
    WriteBytes(folder / "junk.bin", junk);
    std::size_t carried = 0;
    for (const std::string& record : ReadFile(folder / "junk.bin", 4096)) {
        ASSERT_EQ(record.size(), 4096u);
        carried += Clip(record).size();
    }
    EXPECT_GT(carried, junk.size() / 2);
}

TEST(LineFile, OldEditorFileWithTabsAndEndMark) {
    const std::vector<std::string> records =
        ReadFile(TEST_DATA_DIR "/files/tabs-and-end-mark.csv", 4096);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(Clip(records[0]), "SET,TXTHT,0.1");
    EXPECT_EQ(Clip(records[1]), "CIR,1,Footing   see detail,EA,COUNT");
    EXPECT_EQ(Clip(records[2]), "CIR,2,Slab edge\nTyp.,SF,COUNT");
    EXPECT_EQ(Clip(records[3]), ";HEX,3,\"See A, B\",LF,LINE1");
}

TEST(LineFile, AddWritesLinesWithoutTrailingBlanks) {
    TempFolder folder;
    LineFile file(4096);
    file.SetName(folder / "constnot.csv");
    ASSERT_TRUE(file.Create());
    ASSERT_TRUE(file.Open(OpenMode::ReadWriteDenyWrite));
    const std::string longLine(6000, 'd'); // longer than the record: written whole
    EXPECT_TRUE(file.Add("SET,TXTHT,0.1   "));
    EXPECT_TRUE(file.Add("   "));
    EXPECT_TRUE(file.Add(" x\t "));
    EXPECT_TRUE(file.Add(longLine));
    const std::string expected = "SET,TXTHT,0.1\r\n\r\n x\t\r\n" + longLine + "\r\n";
    EXPECT_EQ(file.Size(), expected.size()) << "the size counts the lines added";
    ASSERT_TRUE(file.Rewind());
    ASSERT_EQ(file.Next(), ReadResult::Ok);
    EXPECT_EQ(Clip(file.Record()), "SET,TXTHT,0.1");
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(ReadBytes(folder / "constnot.csv"), expected);
    EXPECT_EQ(file.Size(), expected.size()) << "a closed file's size is read by its name";
}

TEST(LineFile, CreateEmptiesTheFileFoundIgnoringCase) {
    TempFolder folder;
    WriteBytes(folder / "qvr.csv", "old\r\n");
    LineFile file(4096);
    file.SetName(folder / "QVR.csv");
    ASSERT_TRUE(file.Create());
    EXPECT_EQ(ReadBytes(folder / "qvr.csv"), "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              1);

    file.SetName(folder / "New.csv");
    ASSERT_TRUE(file.Create());
    EXPECT_TRUE(std::filesystem::exists(folder / "New.csv"));
}

TEST(LineFile, ErrorsOfTheOperations) {
    TempFolder folder;
    WriteBytes(folder / "f.csv", "a\r\n");
    std::filesystem::create_directory(folder / "dir.csv");
    struct Case {
        const char* what;
        std::string name;
        OpenMode mode;
        int code;
        const char* text;
    };
    const Case cases[] = {
        {"missing file", folder / "none.csv", OpenMode::ReadOnlyDenyNone, 2, "File Not Found"},
        {"missing folder", folder / "none/f.csv", OpenMode::ReadWriteDenyWrite, 3,
         "Path Not Found"},
        {"a file as folder", folder / "f.csv/f.csv", OpenMode::ReadOnlyDenyNone, 3,
         "Path Not Found"},
        {"a folder", folder / "dir.csv", OpenMode::ReadOnlyDenyNone, 5, "Access Denied"},
        {"a folder for writing", folder / "dir.csv", OpenMode::ReadWriteDenyWrite, 5,
         "Access Denied"},
        {"no name", "", OpenMode::ReadOnlyDenyNone, 2, "File Not Found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LineFile file(4096);
        file.SetName(c.name);
        ClearFileError();
        EXPECT_FALSE(file.Open(c.mode));
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(FileErrorCode(), c.code);
        EXPECT_EQ(FileErrorText(), c.text);
    }

    LineFile file(4096);
    EXPECT_EQ(file.Next(), ReadResult::Failed);
    EXPECT_EQ(FileErrorCode(), kFileNotOpen);
    EXPECT_FALSE(file.Add("x"));
    EXPECT_EQ(FileErrorCode(), kFileNotOpen);

    file.SetName(folder / "f.csv");
    ASSERT_TRUE(file.Open(OpenMode::ReadOnlyDenyNone));
    EXPECT_FALSE(file.Open(OpenMode::ReadOnlyDenyNone));
    EXPECT_EQ(FileErrorCode(), kFileAlreadyOpen);
    EXPECT_FALSE(file.Create());
    EXPECT_EQ(FileErrorCode(), kFileAlreadyOpen);
    EXPECT_FALSE(file.Add("x")) << "read-only";
    EXPECT_EQ(FileErrorCode(), kAccessDenied);
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(ReadBytes(folder / "f.csv"), "a\r\n");

    LineFile missingFolder(4096);
    missingFolder.SetName(folder / "none/new.csv");
    EXPECT_FALSE(missingFolder.Create());
    EXPECT_EQ(FileErrorCode(), kPathNotFound);
}

TEST(LineFile, ReadOnlyFileOnDiskIsDeniedForWriting) {
    TempFolder folder;
    WriteBytes(folder / "Layers.dat", "a\r\n");
    ::chmod((folder / "Layers.dat").c_str(), 0444);
    LineFile file(2048);
    file.SetName(folder / "Layers.dat");
    EXPECT_FALSE(file.Open(OpenMode::ReadWriteDenyWrite));
    EXPECT_EQ(FileErrorCode(), kAccessDenied);
    EXPECT_FALSE(file.Create());
    EXPECT_EQ(FileErrorCode(), kAccessDenied);
    EXPECT_EQ(ReadBytes(folder / "Layers.dat"), "a\r\n");
    EXPECT_TRUE(file.Open(OpenMode::ReadOnlyDenyNone));
}

TEST(LineFile, DenyWriteLockBetweenObjectsOfOneProcess) {
    TempFolder folder;
    const std::string path = folder / "constnot.csv";
    WriteBytes(path, "CIR,1,Footing,EA,COUNT\r\n");
    WriteBytes(folder / "other.csv", "other\r\n");

    LineFile holder(4096);
    holder.SetName(path);
    ASSERT_TRUE(holder.Open(OpenMode::ReadWriteDenyWrite));

    LineFile second(4096);
    second.SetName(folder / "CONSTNOT.CSV");
    EXPECT_FALSE(second.Open(OpenMode::ReadWriteDenyWrite));
    EXPECT_EQ(FileErrorCode(), kAccessDenied);
    EXPECT_EQ(FileErrorText(), "Access Denied");
    EXPECT_FALSE(second.Create());
    EXPECT_EQ(FileErrorCode(), kAccessDenied);

    // Writing, replacing and removing the held file are denied; reading it is not.
    EXPECT_FALSE(DeleteFile(path));
    EXPECT_FALSE(CopyFile(folder / "other.csv", path));
    EXPECT_FALSE(MoveFile(folder / "other.csv", path));
    EXPECT_FALSE(MoveFile(path, folder / "moved.csv"));
    EXPECT_EQ(FileErrorCode(), kAccessDenied);
    EXPECT_TRUE(CopyFile(path, folder / "constnot.bak"));
    EXPECT_EQ(ReadBytes(path), "CIR,1,Footing,EA,COUNT\r\n");

    LineFile reader(4096);
    reader.SetName(path);
    ASSERT_TRUE(reader.Open(OpenMode::ReadOnlyDenyNone));
    ASSERT_EQ(reader.Next(), ReadResult::Ok);
    EXPECT_EQ(Clip(reader.Record()), "CIR,1,Footing,EA,COUNT");

    EXPECT_TRUE(holder.Close());
    EXPECT_TRUE(second.Open(OpenMode::ReadWriteDenyWrite));
}

TEST(LineFile, DenyWriteLockBetweenProcesses) {
    TempFolder folder;
    const std::string path = folder / "constnot.csv";
    WriteBytes(path, "");

    // Another process holds the file: this one is denied until it lets go.
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        LineFile file(4096);
        file.SetName(path);
        const char opened = file.Open(OpenMode::ReadWriteDenyWrite) ? '1' : '0';
        (void)!::write(ready[1], &opened, 1);
        char ignored;
        (void)!::read(release[0], &ignored, 1);
        static_cast<void>(file.Close());
        ::_exit(0);
    }
    char opened = 0;
    ASSERT_EQ(::read(ready[0], &opened, 1), 1);
    ASSERT_EQ(opened, '1');
    LineFile file(4096);
    file.SetName(path);
    EXPECT_FALSE(file.Open(OpenMode::ReadWriteDenyWrite));
    EXPECT_EQ(FileErrorCode(), kAccessDenied);
    EXPECT_TRUE(file.Open(OpenMode::ReadOnlyDenyNone));
    static_cast<void>(file.Close());
    ASSERT_EQ(::write(release[1], "x", 1), 1);
    int status = 0;
    ::waitpid(holder, &status, 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]}) {
        ::close(fd);
    }
    EXPECT_TRUE(file.Open(OpenMode::ReadWriteDenyWrite));

    // This process holds it: another process is denied.
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        LineFile second(4096);
        second.SetName(path);
        const bool denied =
            !second.Open(OpenMode::ReadWriteDenyWrite) && FileErrorCode() == kAccessDenied;
        ::_exit(denied ? 0 : 1);
    }
    ::waitpid(other, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A failed write is remembered until the file is closed: a caller that goes on adding lines, or
// only checks the close, still learns that the file is not what was added, and nothing is
// written after the gap.
TEST(LineFile, AFailedWriteIsReportedByEveryLaterAddAndByTheClose) {
    TempFolder folder;
    LineFile file(4096);
    file.SetName(folder / "out.txt");
    ASSERT_TRUE(file.Create());
    ASSERT_TRUE(file.Open(OpenMode::ReadWriteDenyWrite));
    const std::string block(70'000, 'x'); // more than one write's worth
    {
        platform::testing::WriteLimit full(4096);
        EXPECT_FALSE(file.Add(block));
    }
    EXPECT_EQ(FileErrorText(), "File too large");
    ClearFileError();
    EXPECT_FALSE(file.Add("a short line that would fit now"));
    EXPECT_EQ(FileErrorText(), "File too large");
    ClearFileError();
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(FileErrorText(), "File too large");
    EXPECT_EQ(FileSize(folder / "out.txt"), 4096u);

    // Opened again, the file starts afresh.
    ASSERT_TRUE(file.Open(OpenMode::ReadWriteDenyWrite));
    EXPECT_TRUE(file.Add("more"));
    EXPECT_TRUE(file.Close());
}
