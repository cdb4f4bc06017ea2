#include "platform/files/Files.h"
#include "platform/files/FileError.h"
#include "platform/files/LineFile.h"
#include "platform/files/Path.h"
#include "platform/files/RecordFile.h"
#include "platform/testing/FailOnce.h"
#include "platform/testing/TempFiles.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace platform;
using platform::testing::ReadBytes;
using platform::testing::TempFolder;
using platform::testing::WriteBytes;

namespace {

std::size_t EntriesIn(const TempFolder& folder) {
    return static_cast<std::size_t>(std::distance(
        std::filesystem::directory_iterator(folder.Path()), std::filesystem::directory_iterator()));
}

void SetLastWrite(const std::string& path, std::time_t seconds, long nanoseconds) {
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

} // namespace

TEST(Files, MissingFileOrFolderGivesItsCode) {
    TempFolder folder;
    WriteBytes(folder / "there.csv", "x");
    // Each operation on a missing name in an existing folder, then in a missing folder.
    struct Case {
        const char* what;
        bool missingNameIsFileNotFound;
        std::function<bool(const std::string&)> operation;
    };
    const std::string target = folder / "target.csv";
    const Case cases[] = {
        {"size", true, [](const std::string& p) { return FileSize(p).has_value(); }},
        {"copy from", true, [&](const std::string& p) { return CopyFile(p, target); }},
        {"copy to", false, [&](const std::string& p) { return CopyFile(folder / "there.csv", p); }},
        {"move from", true, [&](const std::string& p) { return MoveFile(p, target); }},
        {"last write", true, [](const std::string& p) { return LastWriteTime(p).has_value(); }},
        {"current folder", true, [](const std::string& p) { return SetCurrentFolder(p); }},
        {"list", false, [](const std::string& p) { return ListFolder(p + "/*.csv").has_value(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.missingNameIsFileNotFound) {
            EXPECT_FALSE(c.operation(folder / "none.csv"));
            EXPECT_EQ(FileErrorCode(), kFileNotFound);
            EXPECT_EQ(FileErrorText(), "File Not Found");
        }
        EXPECT_FALSE(c.operation(folder / "none/none.csv"));
        EXPECT_EQ(FileErrorCode(), kPathNotFound);
        EXPECT_EQ(FileErrorText(), "Path Not Found");
    }
    EXPECT_FALSE(FileExists(folder / "none.csv"));
    EXPECT_TRUE(FileExists(folder / "THERE.csv"));
    EXPECT_EQ(LastWriteTimeOfDay(folder / "none.csv"), 0);
    EXPECT_FALSE(FileExists(target)) << "nothing was made by the failures";
    EXPECT_EQ(EntriesIn(folder), 1u);
}

TEST(Files, CopyReplacesTheTargetWhole) {
    TempFolder folder;
    using namespace std::string_literals;
    const std::string bytes = "CIR,1,\0\x1a\xff\r\n"s + std::string(600'000, 'n');
    WriteBytes(folder / "Constnot.csv", bytes);
    WriteBytes(folder / "constnot.bak", "older backup");
    ASSERT_TRUE(CopyFile(folder / "constnot.csv", folder / "Constnot.BAK"));
    EXPECT_EQ(ReadBytes(folder / "constnot.bak"), bytes);
    EXPECT_EQ(EntriesIn(folder), 2u) << "the backup was replaced, not added beside";
    EXPECT_EQ(FileSize(folder / "constnot.bak"), bytes.size());

    // Onto itself, and from a folder: refused, nothing lost.
    EXPECT_FALSE(CopyFile(folder / "Constnot.csv", folder / "CONSTNOT.CSV"));
    EXPECT_EQ(FileErrorCode(), kAccessDenied);
    EXPECT_EQ(ReadBytes(folder / "Constnot.csv"), bytes);
    std::filesystem::create_directory(folder / "dir");
    EXPECT_FALSE(CopyFile(folder / "dir", folder / "x.csv"));
    EXPECT_EQ(FileErrorCode(), kAccessDenied);
    EXPECT_FALSE(CopyFile(folder / "Constnot.csv", folder / "dir"));
    EXPECT_EQ(FileErrorCode(), kAccessDenied);
    EXPECT_EQ(EntriesIn(folder), 3u) << "no temporary file is left behind";
}

// A backup before a save: the old file under the backup's name, whole after the save has put a
// new file in the old one's place; beside the file a second name of it, elsewhere (another file
// system, which has no links between them) a copy; refused as a copy is.
TEST(Files, BackUpKeepsTheOldFileThroughTheSaveThatReplacesIt) {
    TempFolder folder;
    const std::string old = "CIR,1,old notes\r\n" + std::string(100'000, 'n');
    WriteBytes(folder / "constnot.csv", old);
    WriteBytes(folder / "constnot.bak", "older backup");
    ASSERT_TRUE(BackUpFile(folder / "Constnot.csv", folder / "CONSTNOT.BAK"));
    struct stat file {};
    struct stat backup {};
    ASSERT_EQ(::stat((folder / "constnot.csv").c_str(), &file), 0);
    ASSERT_EQ(::stat((folder / "constnot.bak").c_str(), &backup), 0);
    EXPECT_EQ(file.st_ino, backup.st_ino) << "beside the file, a second name of it";
    EXPECT_EQ(EntriesIn(folder), 2u) << "the backup was replaced; no temporary is left";
    // The save writes a new file and renames it over the old one.
    WriteBytes(folder / "new.tmp", "CIR,1,new notes\r\n");
    ASSERT_TRUE(ReplaceFile(folder / "new.tmp", folder / "constnot.csv"));
    EXPECT_EQ(ReadBytes(folder / "constnot.csv"), "CIR,1,new notes\r\n");
    EXPECT_EQ(ReadBytes(folder / "constnot.bak"), old);

    // Onto itself: refused, nothing lost.
    EXPECT_FALSE(BackUpFile(folder / "constnot.csv", folder / "CONSTNOT.CSV"));
    EXPECT_EQ(FileErrorCode(), kAccessDenied);
    EXPECT_EQ(ReadBytes(folder / "constnot.csv"), "CIR,1,new notes\r\n");

    // Into another file system: a copy.
    struct stat here {};
    struct stat shm {};
    if (::stat(folder.Path().c_str(), &here) != 0 || ::stat("/dev/shm", &shm) != 0 ||
        here.st_dev == shm.st_dev)
        GTEST_SKIP() << "needs /dev/shm on another file system";
    const std::string elsewhere = "/dev/shm/backup-test-" + std::to_string(::getpid()) + ".bak";
    ASSERT_TRUE(BackUpFile(folder / "constnot.csv", elsewhere));
    EXPECT_EQ(ReadBytes(elsewhere), "CIR,1,new notes\r\n");
    std::filesystem::remove(elsewhere);
}

TEST(Files, MoveReplacesTheTargetAndRenamesCase) {
    TempFolder folder;
    WriteBytes(folder / "constnot.csv", "new");
    WriteBytes(folder / "constnot.bak", "old");
    ASSERT_TRUE(MoveFile(folder / "Constnot.csv", folder / "CONSTNOT.bak"));
    EXPECT_FALSE(FileExists(folder / "constnot.csv"));
    EXPECT_EQ(ReadBytes(folder / "constnot.bak"), "new");
    EXPECT_EQ(EntriesIn(folder), 1u);

    ASSERT_TRUE(MoveFile(folder / "constnot.bak", folder / "Constnot.BAK"));
    EXPECT_TRUE(std::filesystem::exists(folder / "Constnot.BAK"));
    EXPECT_EQ(EntriesIn(folder), 1u);

    EXPECT_FALSE(MoveFile(folder / "Notes.ini", folder / "Notes.bak"));
    EXPECT_EQ(FileErrorCode(), kFileNotFound);
    EXPECT_FALSE(MoveFile(folder / "Constnot.BAK", folder / "none/x.csv"));
    EXPECT_EQ(FileErrorCode(), kPathNotFound);
    EXPECT_EQ(ReadBytes(folder / "Constnot.BAK"), "new");

    // A folder is no file: neither moved nor written over.
    std::filesystem::create_directory(folder / "Set.csv");
    WriteBytes(folder / "Set.csv/inside.txt", "kept");
    EXPECT_FALSE(MoveFile(folder / "Set.csv", folder / "Set.bak"));
    EXPECT_EQ(FileErrorCode(), kAccessDenied);
    EXPECT_FALSE(MoveFile(folder / "Constnot.BAK", folder / "Set.csv"));
    EXPECT_EQ(ReadBytes(folder / "Set.csv/inside.txt"), "kept");
    EXPECT_EQ(ReadBytes(folder / "Constnot.BAK"), "new");
    EXPECT_EQ(EntriesIn(folder), 2u);
}

// An exact name finds its folders ignoring case, but never a file whose name differs by case.
TEST(Files, AnExactNameIsNeverAnotherFileInAnotherCase) {
    TempFolder folder;
    WriteBytes(folder / "office.ini", "other set");
    EXPECT_EQ(ExactName(folder / "Office.ini").Found(), folder / "Office.ini");
    EXPECT_FALSE(FileExists(ExactName(folder / "Office.ini")));
    EXPECT_TRUE(FileExists(folder / "Office.ini"));
    EXPECT_TRUE(DeleteFile(ExactName(folder / "Office.ini")));
    EXPECT_FALSE(CopyFile(ExactName(folder / "Office.ini"), folder / "Notes.ini"));
    EXPECT_EQ(FileErrorCode(), kFileNotFound);
    EXPECT_FALSE(MoveFile(ExactName(folder / "Office.ini"), folder / "Office.bak"));
    EXPECT_EQ(FileErrorCode(), kFileNotFound);

    // Written under an exact name, a file of its own comes beside the other.
    WriteBytes(folder / "new.ini", "moved");
    WriteBytes(folder / "copied.ini", "copied");
    ASSERT_TRUE(MoveFile(folder / "new.ini", ExactName(folder / "OFFICE.INI")));
    ASSERT_TRUE(CopyFile(folder / "copied.ini", ExactName(folder / "Office.ini")));
    WriteBytes(folder / "replacement", "replaced");
    ASSERT_TRUE(ReplaceFile(folder / "replacement", ExactName(folder / "OFFICE.ini")));
    EXPECT_EQ(ReadBytes(folder / "office.ini"), "other set");
    EXPECT_EQ(ReadBytes(folder / "OFFICE.INI"), "moved");
    EXPECT_EQ(ReadBytes(folder / "Office.ini"), "copied");
    EXPECT_EQ(ReadBytes(folder / "OFFICE.ini"), "replaced");
    EXPECT_EQ(EntriesIn(folder), 5u);

    // The folders of an exact name are found ignoring case.
    std::filesystem::create_directory(folder / "Library");
    WriteBytes(folder / "Library/Office.csv", "set");
    EXPECT_TRUE(FileExists(ExactName(folder / "LIBRARY/Office.csv")));
    EXPECT_FALSE(FileExists(ExactName(folder / "LIBRARY/office.csv")));
}

TEST(Files, NamesThatMayStandForOneFile) {
    TempFolder folder;
    WriteBytes(folder / "notes.bak", "backup");
    std::filesystem::create_directory(folder / "Job");
    std::filesystem::create_hard_link(folder / "notes.bak", folder / "Job/linked.bak");
    std::filesystem::create_symlink(folder / "notes.bak", folder / "Job/pointer.bak");
    struct Case {
        std::string a, b;
        bool one;
    };
    const Case cases[] = {
        {folder / "notes.bak", folder / "Notes.bak", true}, // the lookup finds one for the other
        {folder / "new.bak", folder / "NEW.BAK", true},     // once one of them is made
        {folder / "notes.bak", folder / "Job/linked.bak", true},
        {folder / "Job/pointer.bak", folder / "notes.bak", true},
        {folder / "job/Notes.csv", folder / "Job/notes.CSV", true},
        {folder / "notes.bak", folder / "notes.ini", false},
        {folder / "notes.bak", folder / "Job/notes.bak", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a + " " + c.b);
        EXPECT_EQ(MayBeOneFile(c.a, c.b), c.one);
        EXPECT_EQ(MayBeOneFile(c.b, c.a), c.one);
    }
}

TEST(Files, DeleteAndCreateFolder) {
    TempFolder folder;
    WriteBytes(folder / "Office.csv", "x");
    EXPECT_TRUE(DeleteFile(folder / "OFFICE.csv"));
    EXPECT_FALSE(FileExists(folder / "Office.csv"));
    EXPECT_TRUE(DeleteFile(folder / "Office.ini")) << "a missing file is no error";

    EXPECT_TRUE(CreateFolder(folder / "Library"));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "Library"));
    EXPECT_FALSE(CreateFolder(folder / "LIBRARY")) << "it exists";
    EXPECT_EQ(FileErrorCode(), kFileSystemError);
    EXPECT_FALSE(FileErrorText().empty());
    EXPECT_FALSE(CreateFolder(folder / "none/Library"));
    EXPECT_EQ(FileErrorCode(), kPathNotFound);
    EXPECT_FALSE(DeleteFile(folder / "Library")) << "a folder is no file";
    EXPECT_EQ(FileErrorCode(), kAccessDenied);
}

TEST(Files, ListingMatchesTheWildcardIgnoringCase) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "library");
    WriteBytes(folder / "library/Retail.CSV", "12345");
    WriteBytes(folder / "library/Office.csv", "1");
    WriteBytes(folder / "library/A.B.csv", "");
    WriteBytes(folder / "library/Office.ini", "");
    WriteBytes(folder / "library/Office.csvx", "");
    WriteBytes(folder / "library/caf\xc3\xa9.csv", "");
    WriteBytes(folder / "library/\xe6\x97\xa5.csv", ""); // not in the code page: left out
    std::filesystem::create_directory(folder / "library/Folder.csv");
    SetLastWrite(folder / "library/Retail.CSV", 1'000'000'000, 5);

    const auto entries = ListFolder(folder.Path() + "/LIBRARY/*.csv");
    ASSERT_TRUE(entries.has_value());
    std::vector<std::string> names;
    for (const FolderEntry& entry : *entries) {
        names.push_back(entry.name);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"A.B.csv", "caf\xe9.csv", "Office.csv", "Retail.CSV"}));
    EXPECT_EQ(entries->back().size, 5u);
    EXPECT_EQ(entries->back().lastWrite, (FileTime{1'000'000'000, 5}));

    const auto some = ListFolder(folder.Path() + "/library/?FFICE.*");
    ASSERT_TRUE(some.has_value());
    EXPECT_EQ(some->size(), 3u);
    std::filesystem::create_directory(folder / "empty");
    const auto none = ListFolder(folder.Path() + "/empty/*.csv");
    ASSERT_TRUE(none.has_value());
    EXPECT_TRUE(none->empty());
}

TEST(Files, LastWriteTimes) {
    TempFolder folder;
    const std::string path = folder / "constnot.csv";
    WriteBytes(path, "x");
    std::tm local{};
    const std::time_t now = std::time(nullptr);
    ::localtime_r(&now, &local);
    local.tm_hour = 13;
    local.tm_min = 45;
    local.tm_sec = 30;
    local.tm_isdst = -1;
    const std::time_t afternoon = std::mktime(&local);
    SetLastWrite(path, afternoon, 250'000'000);
    EXPECT_EQ(LastWriteTimeOfDay(folder / "CONSTNOT.CSV"), 13 * 3600 + 45 * 60 + 30);
    const std::optional<FileTime> before = LastWriteTime(path);
    ASSERT_TRUE(before.has_value());
    EXPECT_EQ(*before, (FileTime{afternoon, 250'000'000}));

    SetLastWrite(path, afternoon, 250'000'001); // the same second of the day, a later write
    EXPECT_EQ(LastWriteTimeOfDay(path), 13 * 3600 + 45 * 60 + 30);
    EXPECT_LT(*before, *LastWriteTime(path));
}

TEST(Files, CurrentFolder) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "Jobs");
    const std::optional<std::string> start = CurrentFolder();
    ASSERT_TRUE(start.has_value());
    ASSERT_TRUE(SetCurrentFolder(folder / "JOBS"));
    EXPECT_EQ(CurrentFolder(), std::filesystem::canonical(folder / "Jobs").string());
    WriteBytes("relative.csv", "x");
    EXPECT_TRUE(FileExists(folder / "Jobs/relative.csv"));
    EXPECT_TRUE(FileExists("RELATIVE.csv"));
    EXPECT_FALSE(SetCurrentFolder(folder / "none"));
    EXPECT_EQ(FileErrorCode(), kFileNotFound);
    ASSERT_TRUE(SetCurrentFolder(*start));
}

TEST(FileError, KeptPerThreadAndSavedWhole) {
    SetFileError(kAccessDenied, "Access Denied");
    EXPECT_TRUE(FileExists("/")) << "a success leaves the last error alone";
    EXPECT_EQ(FileErrorCode(), kAccessDenied);

    const FileErrorState first = SaveFileError();
    SetFileError(kFileNotFound, "File Not Found");
    const FileErrorState second = SaveFileError();
    RestoreFileError(first);
    EXPECT_EQ(FileErrorCode(), kAccessDenied);
    EXPECT_EQ(FileErrorText(), "Access Denied");
    RestoreFileError(second);
    EXPECT_EQ(FileErrorText(), "File Not Found");

    std::thread([] {
        EXPECT_EQ(FileErrorCode(), kNoFileError);
        EXPECT_FALSE(FileSize("/none/none").has_value());
    }).join();
    EXPECT_EQ(FileErrorText(), "File Not Found");
    ClearFileError();
    EXPECT_EQ(FileErrorCode(), kNoFileError);
    EXPECT_EQ(FileErrorText(), "");
}

TEST(RecordFile, ReadsPatchesAndWritesBackInPlace) {
    TempFolder folder;
    const std::string path = folder / "page1.svg";
    // The marker straddles the first record's end; records read 245 bytes apart overlap by 11.
    std::string bytes(600, '.');
    bytes.replace(250, 19, "Page xxxxx of xxxxx");
    WriteBytes(path, bytes);

    RecordFile file;
    ASSERT_TRUE(file.Open(folder / "PAGE1.svg"));
    ASSERT_EQ(file.Next(), ReadResult::Ok);
    EXPECT_EQ(file.Record().size(), 256u);
    EXPECT_EQ(file.RecordOffset(), 0u);
    EXPECT_FALSE(file.AtEnd());
    EXPECT_EQ(file.Record().find("Page xxxxx of xxxxx"), std::string::npos);

    file.Seek(file.RecordOffset() + 245);
    ASSERT_EQ(file.Next(), ReadResult::Ok);
    EXPECT_EQ(file.RecordOffset(), 245u);
    const std::size_t at = file.Record().find("Page xxxxx of xxxxx");
    ASSERT_EQ(at, 5u);
    file.Record().replace(at, 19, "   Page 3 of 12    ");
    ASSERT_TRUE(file.Put());

    ASSERT_EQ(file.Next(), ReadResult::Ok) << "reading goes on after the record";
    EXPECT_EQ(file.RecordOffset(), 501u);
    EXPECT_EQ(file.Record().size(), 99u) << "the last record is shorter";
    EXPECT_TRUE(file.AtEnd());
    file.Record()[0] = '#';
    ASSERT_TRUE(file.Put());
    file.Record() += "longer";
    EXPECT_FALSE(file.Put()) << "a record cannot grow into its neighbours";
    EXPECT_EQ(file.Next(), ReadResult::EndOfFile);
    file.Close();

    std::string expected = bytes;
    expected.replace(250, 19, "   Page 3 of 12    ");
    expected[501] = '#';
    EXPECT_EQ(ReadBytes(path), expected);

    EXPECT_FALSE(file.Open(folder / "page2.svg"));
    EXPECT_EQ(FileErrorCode(), kFileNotFound);
    EXPECT_EQ(file.Next(), ReadResult::Failed);
}

TEST(FilesReplace, AFinishedFilePutsItselfInPlaceUnlessTheTargetIsProtected) {
    const std::string folder = ::testing::TempDir() + "replace-" + std::to_string(::getpid());
    std::filesystem::create_directories(folder);
    const std::string target = folder + "/Layers.dat";
    { std::ofstream(target) << "old"; }
    std::filesystem::permissions(target, std::filesystem::perms(0640));
    auto write = [](const std::string& path, const char* text) { std::ofstream(path) << text; };

    std::string temp = TemporaryNameBeside(target);
    EXPECT_EQ(FolderPart(temp), folder);
    EXPECT_FALSE(FileExists(temp));
    write(temp, "new");
    ASSERT_TRUE(ReplaceFile(temp, target));
    EXPECT_FALSE(FileExists(temp));
    EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0640));

    // Held open denying writing by another holder: refused, both files stay.
    temp = TemporaryNameBeside(target);
    write(temp, "newer");
    {
        LineFile holder(2048);
        holder.SetName(target);
        ASSERT_TRUE(holder.Open(OpenMode::ReadWriteDenyWrite));
        EXPECT_FALSE(ReplaceFile(temp, target));
        EXPECT_EQ(FileErrorCode(), kAccessDenied);
    }
    // Read-only on disk: refused too.
    std::filesystem::permissions(target, std::filesystem::perms(0444));
    EXPECT_FALSE(ReplaceFile(temp, target));
    std::filesystem::permissions(target, std::filesystem::perms(0644));
    std::ifstream in(target);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "new");
    EXPECT_TRUE(ReplaceFile(temp, target));
    // A link stays a link: the file it points to is replaced.
    const std::string real = folder + "/real.dat";
    write(real, "linked");
    const std::string link = folder + "/link.dat";
    std::filesystem::create_symlink(real, link);
    temp = TemporaryNameBeside(link);
    write(temp, "through");
    ASSERT_TRUE(ReplaceFile(temp, link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    std::ifstream linked(real);
    linked >> text;
    EXPECT_EQ(text, "through");
    // A link to a file that is not there yet stays a link, and the file is created; a copy onto
    // a link also writes the file it names.
    const std::string ahead = folder + "/ahead.dat";
    std::filesystem::create_symlink("not-yet.dat", ahead);
    temp = TemporaryNameBeside(ahead);
    EXPECT_EQ(FolderPart(temp), folder);
    write(temp, "created");
    ASSERT_TRUE(ReplaceFile(temp, ahead));
    EXPECT_TRUE(std::filesystem::is_symlink(ahead));
    EXPECT_EQ(platform::testing::ReadBytes(folder + "/not-yet.dat"), "created");
    ASSERT_TRUE(CopyFile(real, ahead));
    EXPECT_TRUE(std::filesystem::is_symlink(ahead));
    EXPECT_EQ(platform::testing::ReadBytes(folder + "/not-yet.dat"), "through");
    // Whole contents put in place the same way, nothing left beside; refused over a file
    // marked read-only.
    ASSERT_TRUE(ReplaceFileContents(ahead, "whole\r\n"));
    EXPECT_TRUE(std::filesystem::is_symlink(ahead));
    EXPECT_EQ(platform::testing::ReadBytes(folder + "/not-yet.dat"), "whole\r\n");
    std::filesystem::permissions(folder + "/not-yet.dat", std::filesystem::perms(0444));
    EXPECT_FALSE(ReplaceFileContents(ahead, "refused"));
    EXPECT_EQ(FileErrorCode(), kAccessDenied);
    EXPECT_EQ(platform::testing::ReadBytes(folder + "/not-yet.dat"), "whole\r\n");
    EXPECT_EQ(platform::testing::TempFolder::Entries(folder),
              5u); // Layers.dat, real, link, ahead, not-yet
    // A name without a folder gets a temporary name without one.
    EXPECT_EQ(FolderPart(TemporaryNameBeside("(BLANK)")), "");
    EXPECT_EQ(TemporaryNameBeside("(BLANK)").find('/'), std::string::npos);
    std::filesystem::remove_all(folder);
}

// The seam the save, import and export tests use: each operation fails once, on the path named
// (source or target), before it changes anything, and then works again.
TEST(FailOnce, EachOperationFailsOnceOnItsPathAndChangesNothing) {
    using platform::testing::FailOnce;
    struct Case {
        FailOnce::Operation operation;
        const char* armed; // the path the failure is planned on
        std::function<bool(const TempFolder&)> run;
    };
    const Case cases[] = {
        {FailOnce::Copy, "b.txt",
         [](const TempFolder& f) { return CopyFile(f / "a.txt", f / "b.txt"); }},
        {FailOnce::Copy, "a.txt",
         [](const TempFolder& f) { return CopyFile(f / "a.txt", f / "b.txt"); }},
        {FailOnce::Move, "a.txt",
         [](const TempFolder& f) { return MoveFile(f / "a.txt", f / "b.txt"); }},
        {FailOnce::Delete, "b.txt", [](const TempFolder& f) { return DeleteFile(f / "b.txt"); }},
        {FailOnce::Rename, "b.txt",
         [](const TempFolder& f) { return ReplaceFile(f / "a.txt", f / "b.txt"); }},
        {FailOnce::Rename, "b.txt",
         [](const TempFolder& f) { return ReplaceFileContents(f / "b.txt", "new"); }},
        // The disk cannot write out the new file before it takes the target's name.
        {FailOnce::Flush, "b.txt",
         [](const TempFolder& f) { return CopyFile(f / "a.txt", f / "b.txt"); }},
        {FailOnce::Flush, "b.txt",
         [](const TempFolder& f) { return ReplaceFile(f / "a.txt", f / "b.txt"); }},
        {FailOnce::Flush, "b.txt",
         [](const TempFolder& f) { return ReplaceFileContents(f / "b.txt", "new"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.armed) + " operation " + std::to_string(c.operation));
        TempFolder folder;
        WriteBytes(folder / "a.txt", "aaa");
        WriteBytes(folder / "b.txt", "bbb");
        {
            FailOnce failing(c.operation, folder / c.armed);
            // Another operation, and the same one on other files, are not touched.
            WriteBytes(folder / "c.txt", "ccc");
            EXPECT_TRUE(CopyFile(folder / "c.txt", folder / "d.txt"));
            EXPECT_TRUE(MoveFile(folder / "d.txt", folder / "e.txt"));
            EXPECT_TRUE(DeleteFile(folder / "e.txt"));
            EXPECT_FALSE(failing.Happened());

            EXPECT_FALSE(c.run(folder));
            EXPECT_TRUE(failing.Happened());
            EXPECT_EQ(FileErrorText(), "Input/output error");
            EXPECT_EQ(ReadBytes(folder / "a.txt"), "aaa");
            EXPECT_EQ(ReadBytes(folder / "b.txt"), "bbb");
            EXPECT_EQ(EntriesIn(folder), 3u);

            EXPECT_TRUE(c.run(folder)) << "the failure is spent";
        }
    }
    // Relative and absolute names of one file match; the plan ends with the fixture.
    TempFolder folder;
    WriteBytes(folder / "a.txt", "aaa");
    const platform::testing::WorkingFolder here(folder.Path());
    {
        FailOnce failing(FailOnce::Delete, std::filesystem::path(folder.Path()) / "sub/../a.txt");
        EXPECT_FALSE(DeleteFile("./a.txt"));
        EXPECT_TRUE(FileExists("a.txt"));
    }
    { FailOnce failing(FailOnce::Delete, folder / "a.txt"); }
    EXPECT_TRUE(DeleteFile("a.txt"));
}

// A second name of a file as it stands: a hard link of an ordinary file, a link to the same
// target for a link; a folder has none. Putting it back or removing it changes only that name,
// also while the file is held open denying writing under its own.
TEST(Files, ASecondNameKeepsTheFileAsItStands) {
    TempFolder folder;
    WriteBytes(folder / "a.txt", "aaa");
    ASSERT_TRUE(KeepAs(folder / "a.txt", folder / ".a.kept"));
    struct stat first;
    struct stat second;
    ASSERT_EQ(::stat((folder / "a.txt").c_str(), &first), 0);
    ASSERT_EQ(::stat((folder / ".a.kept").c_str(), &second), 0);
    EXPECT_EQ(first.st_ino, second.st_ino);
    EXPECT_TRUE(SameContents(folder / "a.txt", folder / ".a.kept"));
    EXPECT_FALSE(KeepAs(folder / "a.txt", folder / ".a.kept")) << "the name is taken";

    std::filesystem::create_symlink("elsewhere.txt", folder / "link.txt");
    ASSERT_TRUE(KeepAs(folder / "link.txt", folder / ".link.kept"));
    EXPECT_EQ(std::filesystem::read_symlink(folder / ".link.kept"), "elsewhere.txt");

    std::filesystem::create_directory(folder / "sub");
    EXPECT_FALSE(KeepAs(folder / "sub", folder / ".sub.kept"));
    EXPECT_EQ(FileErrorCode(), kAccessDenied);

    LineFile held(16);
    held.SetName(folder / "a.txt");
    ASSERT_TRUE(held.Open(OpenMode::ReadWriteDenyWrite));
    WriteBytes(folder / "b.txt", "bbb");
    EXPECT_FALSE(MoveFile(folder / ".a.kept", folder / "b.txt")); // the share mode refuses
    EXPECT_TRUE(PutBackKept(folder / ".a.kept", folder / "b.txt"));
    EXPECT_EQ(ReadBytes(folder / "b.txt"), "aaa");
    EXPECT_TRUE(RemoveKept(folder / "b.txt"));
    EXPECT_EQ(ReadBytes(folder / "a.txt"), "aaa");
    EXPECT_TRUE(held.NamesOpenFile());
    WriteBytes(folder / "c.txt", "ccc");
    EXPECT_FALSE(SameContents(folder / "a.txt", folder / "c.txt"));
}

// Whether the name of an open file still names it: not once another file was renamed over it,
// nor once it was moved away.
TEST(LineFile, KnowsWhenItsNameNamesAnotherFile) {
    TempFolder folder;
    WriteBytes(folder / "a.txt", "aaa");
    LineFile file(16);
    file.SetName(folder / "a.txt");
    EXPECT_FALSE(file.NamesOpenFile()) << "not open";
    ASSERT_TRUE(file.Open(OpenMode::ReadWriteDenyWrite));
    EXPECT_TRUE(file.NamesOpenFile());
    WriteBytes(folder / "b.txt", "bbb");
    std::filesystem::rename(folder / "b.txt", folder / "a.txt");
    EXPECT_FALSE(file.NamesOpenFile());
    std::filesystem::remove(folder / "a.txt");
    EXPECT_FALSE(file.NamesOpenFile());
}
