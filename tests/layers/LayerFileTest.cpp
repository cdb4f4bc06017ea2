#include "layers/LayerFile.h"

#include "LayerRows.h"
#include "platform/files/Files.h"
#include "platform/files/LineFile.h"
#include "platform/files/Path.h"
#include "platform/ini/Ini.h"
#include "platform/testing/TempFiles.h"
#include "platform/testing/WriteLimit.h"
#include "platform/text/Text.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace layers;
using namespace layers::testing;
using namespace platform;
namespace drv = platform::testing;
using drv::ReadBytes;
using drv::WriteBytes;

namespace {

class LayerFileTest : public ::testing::Test {
protected:
    drv::TempFolder temp;
    LayerFiles files{temp / "Layers.dat", temp / "qvr.ini", temp / "Layers.ini"};
    LayerLists lists;

    void Load() { EXPECT_TRUE(LoadLayers(lists, files)); }
    void Save() { EXPECT_TRUE(SaveLayers(lists, files)); }
    std::vector<std::string> Colors() const {
        std::vector<std::string> out;
        for (const auto& c : lists.ColorQueue)
            out.push_back(Clip(c));
        return out;
    }
};

} // namespace

TEST_F(LayerFileTest, LoadsRowsInFileOrderAndSavesThemInTheirColumns) {
    WriteBytes(files.table, "(\"K1\" \"L1\" \"1\" \"CONTINUOUS\");First" + kCrLf + kCrLf + "   " +
                                kCrLf + "(\"K2\" \"L2\" \"2\" \"DASHED\")" + kCrLf);
    Load();
    ASSERT_EQ(lists.LayerQueue.size(), 2u);
    EXPECT_EQ(Clip(lists.LayerQueue[0].KEYNAME), "K1");
    EXPECT_EQ(Clip(lists.LayerQueue[0].DESCRIPTION), "First");
    EXPECT_EQ(Clip(lists.LayerQueue[1].LINETYPE), "DASHED");
    Save();
    EXPECT_EQ(ReadBytes(files.table), "(\"K1\"" + Blanks(16) + "\"L1\"" + Blanks(251) + "\"1\"" +
                                          Blanks(17) + "\"CONTINUOUS\")" + Blanks(7) + ";First" +
                                          kCrLf + "(\"K2\"" + Blanks(16) + "\"L2\"" + Blanks(251) +
                                          "\"2\"" + Blanks(17) + "\"DASHED\")" + Blanks(11) + ";" +
                                          kCrLf);
    lists.LayerQueue.clear();
    Save();
    EXPECT_EQ(ReadBytes(files.table), "");
}

TEST_F(LayerFileTest, ChoicesComeFromBothIniFilesAndTheFile) {
    WriteIni("LAYERS", "Color1", "5", files.layerFolderIni);
    WriteIni("LAYERS", "Color2", "3", files.layerFolderIni);
    WriteIni("LAYERS", "Color4", "9", files.layerFolderIni); // behind the gap: not read
    WriteIni("LAYERS", "Color1", "3", files.layersIni);
    WriteIni("LAYERS", "Color2", std::string(25, 'x'), files.layersIni);
    WriteIni("LAYERS", "LineType1", "", files.layersIni);
    WriteIni("LAYERS", "LineType2", "HIDDEN", files.layersIni);
    WriteBytes(files.table,
               "(\"a\" \"b\" \"7\" \"DOT\")" + kCrLf + "(\"c\" \"d\" \"5\" \"\")" + kCrLf);
    Load();
    EXPECT_EQ(Colors(), (std::vector<std::string>{"3", "3", "5", "7", std::string(20, 'x')}));
    ASSERT_EQ(lists.LineTypeQueue.size(), 1u);
    EXPECT_EQ(Clip(lists.LineTypeQueue[0]), "DOT");
}

TEST_F(LayerFileTest, AFileThatCannotBeOpenedChangesNothing) {
    lists.LayerQueue.push_back(LayerRow{});
    lists.ColorQueue.push_back(Fixed("1", 20));
    LayerOutcome outcome = LoadLayers(lists, files);
    EXPECT_EQ(outcome.failed, LayerStep::Open);
    EXPECT_EQ(outcome.error, "File Not Found");
    EXPECT_EQ(lists.LayerQueue.size(), 1u);
    EXPECT_EQ(lists.ColorQueue.size(), 1u);

    WriteBytes(files.table, "(\"K\")" + kCrLf);
    LineFile other(2048); // another program holds the table
    other.SetName(files.table);
    ASSERT_TRUE(other.Open(OpenMode::ReadWriteDenyWrite));
    outcome = LoadLayers(lists, files);
    EXPECT_EQ(outcome.failed, LayerStep::Open);
    EXPECT_EQ(outcome.error, "Access Denied");
    EXPECT_EQ(lists.LayerQueue.size(), 1u);

    // Saving over the held table fails and leaves it as it was.
    // (A table marked read-only on disk is refused the same way, below.)
    outcome = SaveLayers(lists, files);
    EXPECT_EQ(outcome.failed, LayerStep::Write);
    EXPECT_EQ(outcome.error, "Access Denied");
    static_cast<void>(other.Close());
    EXPECT_EQ(ReadBytes(files.table), "(\"K\")" + kCrLf);
    EXPECT_EQ(drv::TempFolder::Entries(temp.Path()), 1u);
}

TEST_F(LayerFileTest, AWriteThatFailsHalfWayLeavesThePreviousTableWhole) {
    const std::string before = "(\"K1\" \"L1\" \"1\" \"CONTINUOUS\");Walls" + kCrLf +
                               "(\"K2\" \"L2\" \"2\" \"DASHED\");Doors" + kCrLf +
                               "(\"K3\" \"L3\" \"3\" \"HIDDEN\");Roof" + kCrLf;
    WriteBytes(files.table, before);
    Load();
    for (LayerRow& row : lists.LayerQueue)
        row.COLOR = Fixed("7", kColorWidth);
    LayerOutcome outcome;
    {
        drv::WriteLimit full(400); // the new table ends in its second row
        outcome = SaveLayers(lists, files);
    }
    EXPECT_EQ(outcome.failed, LayerStep::Write);
    EXPECT_EQ(outcome.error, "File too large");
    EXPECT_EQ(ReadBytes(files.table), before);
    EXPECT_EQ(drv::TempFolder::Entries(temp.Path()), 1u); // nothing left beside it
    const std::vector<LayerRow> edited = lists.LayerQueue;
    Save(); // with room again the rows go in
    Load();
    EXPECT_EQ(lists.LayerQueue, edited);
}

TEST_F(LayerFileTest, BadInputReadsWithoutLosingARowOnTheNextSave) {
    std::string junk = "(\"T\tK\" \"L\");d\x1a";
    std::string longLine = "(\"K\" \"" + std::string(200, 'n') + "\");" + std::string(3000, 'd');
    WriteBytes(files.table, std::string("\x00\x01\xff(\"bin\")", 9) + kCrLf + longLine + kCrLf +
                                junk + kCrLf + "(\"after\")" + kCrLf);
    Load();
    // The long line reads as two records; Ctrl-Z ends the file.
    ASSERT_EQ(lists.LayerQueue.size(), 4u);
    EXPECT_EQ(Clip(lists.LayerQueue[0].KEYNAME), "bin");
    EXPECT_EQ(Clip(lists.LayerQueue[1].LAYERNAME), std::string(200, 'n'));
    EXPECT_EQ(Clip(lists.LayerQueue[1].DESCRIPTION), std::string(100, 'd'));
    EXPECT_EQ(Clip(lists.LayerQueue[3].KEYNAME), "T     K"); // the tab fills to column 8
    std::vector<LayerRow> before = lists.LayerQueue;
    Save();
    Load();
    EXPECT_EQ(lists.LayerQueue, before);
}

// A value that the format cannot write, as the reader finds it when a later "(" takes its quotes
// up again, reads as the part before its ")": a save then writes rows that read back the same.
TEST_F(LayerFileTest, RowsReadFromAnyLineAreSavedSoThatTheyReadBackTheSame) {
    std::filesystem::copy_file(std::string(TEST_DATA_DIR) + "/layers/reopened-brackets.dat",
                               files.table);
    Load();
    ASSERT_EQ(lists.LayerQueue.size(), 2u);
    EXPECT_EQ(Clip(lists.LayerQueue[0].KEYNAME), "K");
    EXPECT_EQ(Clip(lists.LayerQueue[0].LAYERNAME), "L");
    EXPECT_EQ(Clip(lists.LayerQueue[0].COLOR), "");
    EXPECT_EQ(Clip(lists.LayerQueue[0].LINETYPE), "T");
    EXPECT_EQ(Clip(lists.LayerQueue[0].DESCRIPTION), "D");
    EXPECT_EQ(Clip(lists.LayerQueue[1].LAYERNAME), "B");
    const std::vector<LayerRow> before = lists.LayerQueue;
    Save();
    Load();
    EXPECT_EQ(lists.LayerQueue, before);
}

TEST_F(LayerFileTest, ATableNamedByALinkToAFileNotYetThereIsCreatedAndTheLinkKept) {
    const std::string real = temp / "tables/Layers.dat";
    std::filesystem::create_directories(temp / "tables");
    std::filesystem::create_symlink(real, files.table);
    lists.LayerQueue.push_back(LayerRow{});
    Save();
    EXPECT_TRUE(std::filesystem::is_symlink(files.table));
    EXPECT_EQ(ReadBytes(real), FormatLayerLine(LayerRow{}) + kCrLf);
    Load();
    EXPECT_EQ(lists.LayerQueue.size(), 1u);
}

// The starter table the build puts in the program folder: the program's own format, byte for
// byte, so that a first save changes nothing but what the user changed.
TEST_F(LayerFileTest, TheStarterTableListsNoteTextBubblesAndLeadersInTheWritersFormat) {
    std::filesystem::copy_file(STARTER_LAYERS, files.table);
    Load();
    std::vector<std::string> keys;
    std::string written;
    for (const LayerRow& row : lists.LayerQueue) {
        keys.push_back(Clip(row.KEYNAME));
        written += FormatLayerLine(row) + kCrLf;
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"NOTETEXT", "BUBBLE", "LEADER"}));
    EXPECT_EQ(written, ReadBytes(STARTER_LAYERS));
    EXPECT_EQ(lists.LineTypeQueue, std::vector<std::string>{Fixed("CONTINUOUS", 20)});
    // The build has placed a table in the program folder.
    EXPECT_TRUE(FileExists(*ProgramFolder() + "/Layers.dat"));
}

TEST_F(LayerFileTest, AReadThatFailsHalfWayIsReportedAndChangesNothing) {
    // Reading the process's own memory file at offset 0 fails: a read error after a good open.
    files.table = "/proc/self/mem";
    LineFile probe(2048);
    probe.SetName(files.table);
    if (!probe.Open(OpenMode::ReadWriteDenyWrite) || probe.Next() != ReadResult::Failed)
        GTEST_SKIP() << "no file here fails its reads";
    static_cast<void>(probe.Close());
    lists.LayerQueue.push_back(LayerRow{});
    lists.ColorQueue.push_back(Fixed("1", 20));
    LayerOutcome outcome = LoadLayers(lists, files);
    EXPECT_EQ(outcome.failed, LayerStep::Read);
    EXPECT_FALSE(outcome.error.empty());
    EXPECT_EQ(lists.LayerQueue.size(), 1u);
    EXPECT_EQ(lists.ColorQueue.size(), 1u);
}

TEST_F(LayerFileTest, ATableMarkedReadOnlyNeitherLoadsNorIsReplaced) {
    WriteBytes(files.table, "(\"K\")" + kCrLf);
    std::filesystem::permissions(files.table, std::filesystem::perms(0444));
    LayerOutcome outcome = LoadLayers(lists, files);
    EXPECT_EQ(outcome.failed, LayerStep::Open);
    EXPECT_EQ(outcome.error, "Access Denied");
    EXPECT_TRUE(lists.LayerQueue.empty());
    lists.LayerQueue.push_back(LayerRow{});
    outcome = SaveLayers(lists, files);
    EXPECT_EQ(outcome.failed, LayerStep::Write);
    EXPECT_EQ(outcome.error, "Access Denied");
    EXPECT_EQ(ReadBytes(files.table), "(\"K\")" + kCrLf);
    EXPECT_EQ(drv::TempFolder::Entries(temp.Path()), 1u);
}

// The temporaries a stopped save left beside the table go when the table is next loaded, once
// nobody has written them for a minute, as notes does for its own files; a younger one (a save
// of another dravolet under way) and other files stay.
TEST_F(LayerFileTest, LoadingRemovesWhatAStoppedSaveLeft) {
    WriteBytes(files.table, "(\"NOTETEXT\" \"KEYNOTE-TEXT\" \"7\" \"CONTINUOUS\");Note text\r\n");
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5);
    for (const char* name :
         {".Layers.dat.4242.0.tmp", ".Layers.dat.4242.1.tmp", ".other.4242.0.tmp"}) {
        WriteBytes(temp / name, "partial");
        std::filesystem::last_write_time(temp / name, old);
    }
    WriteBytes(temp / ".Layers.dat.4242.2.tmp", "being written");
    Load();
    EXPECT_FALSE(std::filesystem::exists(temp / ".Layers.dat.4242.0.tmp"));
    EXPECT_FALSE(std::filesystem::exists(temp / ".Layers.dat.4242.1.tmp"));
    EXPECT_TRUE(std::filesystem::exists(temp / ".Layers.dat.4242.2.tmp"));
    EXPECT_TRUE(std::filesystem::exists(temp / ".other.4242.0.tmp"));
    EXPECT_EQ(lists.LayerQueue.size(), 1u);
}
