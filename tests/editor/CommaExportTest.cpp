#include "EditorFixture.h"

#include "editor/CommaExport.h"
#include "platform/files/LineFile.h"
#include "platform/testing/FailOnce.h"
#include "platform/testing/WriteLimit.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace editor;
using namespace platform;
namespace drv = platform::testing;
namespace fs = std::filesystem;

namespace {

class CommaExportTest : public editor::testing::EditorWindowTest {
protected:
    std::string path = temp / "constnot_comma.txt";

    std::string Exported(const CommaSettings& settings, const ShapeRows& rows) {
        EXPECT_TRUE(WriteCommaExport(path, CommaExportLines(settings, rows)));
        return drv::ReadBytes(path);
    }
};

// The settings lines of empty fields, with phases "N/A" and current tab only "No".
const std::string kNoSettings =
    ";SET TXTHT  AutoCAD text size (height)\r\n"
    ";SET NDWID  Width from middle of number to left point of description\r\n"
    ";SET DQWID  Width from left point of description text to right point of\r\n"
    ";SET QUWID  Width from right point of quantity to left point of unit\r\n"
    ";SET LineSpacing  Line spacing (row height)\r\n"
    ";SET InsertTablePhases 0\r\n"
    ";SET DoCurrentTabOnly 0\r\n"
    ";SET TBLWID\r\n"
    ";SET PHASEWID\r\n"
    ";SET QQWID\r\n"
    ";SET BubbleLeaderConnectOsnap\r\n";

// The heading and column lines of the shapes from `from` on, with no notes.
std::string EmptyShapes(std::size_t from) {
    std::string out;
    for (std::size_t shape = from; shape < kShapes.size(); ++shape)
        out += std::string(kShapes[shape].code) + " NOTES\r\n;NUMBER,UNIT,TYPE,DESCRIPTION\r\n";
    return out;
}

} // namespace

TEST_F(CommaExportTest, TheElevenSettingsLinesTakeTheFieldsWithoutTheirBlanks) {
    CommaSettings set;
    set.LOC_TXTHT = "  0.1";
    set.LOC_NDWID = "0.3   ";
    set.LOC_DQWID = " 4.5 ";
    set.LOC_QUWID = "0.2";
    set.LOC_LINESPACING = "3";
    set.LOC_INSERTTABLEPHASES = PhasesSetting(4);
    set.LOC_DOCURRENTTABONLY = CurrentTabOnlySetting(2);
    set.LOC_TBLWID = "6.5";
    set.LOC_PHASEWID = "0.5";
    set.LOC_QQWID = "0.75";
    set.LOC_BUBBLELEADERCONNECTOSNAP = "Nearest";
    EXPECT_EQ(Exported(set, {}),
              ";SET TXTHT 0.1 AutoCAD text size (height)\r\n"
              ";SET NDWID 0.3 Width from middle of number to left point of description\r\n"
              ";SET DQWID 4.5 Width from left point of description text to right point of\r\n"
              ";SET QUWID 0.2 Width from right point of quantity to left point of unit\r\n"
              ";SET LineSpacing 3 Line spacing (row height)\r\n"
              ";SET InsertTablePhases 3\r\n"
              ";SET DoCurrentTabOnly 1\r\n"
              ";SET TBLWID 6.5\r\n"
              ";SET PHASEWID 0.5\r\n"
              ";SET QQWID 0.75\r\n"
              ";SET BubbleLeaderConnectOsnap Nearest\r\n" +
                  EmptyShapes(0));

    // Empty values leave two blanks before a comment, and the name alone where there is none;
    // "N/A" phases and "No" for the current tab write 0.
    CommaSettings empty;
    empty.LOC_INSERTTABLEPHASES = PhasesSetting(1);
    empty.LOC_DOCURRENTTABONLY = CurrentTabOnlySetting(1);
    EXPECT_EQ(Exported(empty, {}), kNoSettings + EmptyShapes(0));
}

TEST_F(CommaExportTest, NotesGoOutPerShapeInTheFixedOrderWithTheirDescriptionsQuotedAsTheyStand) {
    const std::string long1200 = std::string(600, 'a') + std::string(600, 'b');
    ShapeRows rows;
    rows[0] = {
        {"0", "12", "Slab edge", "SF", "COUNT"},
        {"1", "13", "Marked note", "EA", "COUNT"},
        {"0", "14", "Footing\r\nSee detail 3", "EA", ""},
        {"0", "", "No number", "EA", "COUNT"},
        {"0", "   ", "Blank number", "EA", "COUNT"},
        {"0", "\r\n", "Number of a line break", "EA", "COUNT"},
        {"0", "\r", "Number of a carriage return", "EA", "COUNT"},
        {"0", " 7 ", "Say \"hi\", twice ", "SQFT", "LINE12"},
        {"1", "123456", "", "", ""},
    };
    rows[1] = {{"0", "1", long1200, "LF", "LINE1"}};
    rows[8] = {{"0", "T1", "Last shape", "EA", "COUNT"}};
    CommaSettings none;
    none.LOC_INSERTTABLEPHASES = "0";
    none.LOC_DOCURRENTTABONLY = "0";
    std::string expected = kNoSettings;
    expected += "CIR NOTES\r\n;NUMBER,UNIT,TYPE,DESCRIPTION\r\n"
                "12,SF,COUNT,\"Slab edge\"\r\n"
                ";13,EA,COUNT,\"Marked note\"\r\n"
                "14,EA,,\"Footing\r\nSee detail 3\"\r\n"
                " 7,SQF,LINE1,\"Say \"hi\", twice \"\r\n"
                ";12345,,,\"\"\r\n"
                "HEX NOTES\r\n;NUMBER,UNIT,TYPE,DESCRIPTION\r\n"
                "1,LF,LINE1,\"" +
                long1200.substr(0, 999) + "\"\r\n" + EmptyShapes(2) +
                "T1,EA,COUNT,\"Last shape\"\r\n"; // TRI is the last shape
    EXPECT_EQ(Exported(none, rows), expected);
}

TEST_F(CommaExportTest, AFailedExportLeavesTheOlderExportFileWhole) {
    const std::string older = ";SET TXTHT 0.1 AutoCAD text size (height)\r\n";
    drv::WriteBytes(path, older);
    const std::size_t entries = drv::TempFolder::Entries(temp.Path());
    const std::vector<std::string> lines = CommaExportLines({}, {});
    // Many notes, so that the file is written in several blocks.
    ShapeRows many;
    for (int i = 0; i < 3000; ++i)
        many[0].push_back({"0", std::to_string(i), std::string(60, 'd'), "EA", "COUNT"});
    const std::vector<std::string> big = CommaExportLines({}, many);
    {
        LineFile holder(4096); // another program holds the export file
        holder.SetName(path);
        ASSERT_TRUE(holder.Open(OpenMode::ReadWriteDenyWrite));
        const CommaOutcome held = WriteCommaExport(path, lines);
        EXPECT_EQ(held.failed, CommaStep::Replace);
        EXPECT_EQ(held.error, "Access Denied");
    }
    struct Case {
        const char* what;
        std::function<CommaOutcome()> write;
        CommaStep step;
        const char* error;
    };
    const std::string missing = temp / "gone/constnot_comma.txt";
    const Case cases[] = {
        {"a read-only export file",
         [&] {
             fs::permissions(path, fs::perms::owner_read);
             CommaOutcome outcome = WriteCommaExport(path, lines);
             fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
             return outcome;
         },
         CommaStep::Replace, "Access Denied"},
        {"a full disk while the first block is written",
         [&] {
             drv::WriteLimit full(4096);
             return WriteCommaExport(path, big);
         },
         CommaStep::Write, "File too large"},
        {"a full disk at the last block",
         [&] {
             drv::WriteLimit full(100'000);
             return WriteCommaExport(path, big);
         },
         CommaStep::Write, "File too large"},
        {"the complete file cannot take the export file's place",
         [&] {
             drv::FailOnce failing(drv::FailOnce::Rename, path);
             return WriteCommaExport(path, big);
         },
         CommaStep::Replace, "Input/output error"},
        {"a folder that is gone", [&] { return WriteCommaExport(missing, lines); },
         CommaStep::Create, "Path Not Found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CommaOutcome outcome = c.write();
        EXPECT_EQ(outcome.failed, c.step);
        EXPECT_EQ(outcome.error, c.error);
        EXPECT_EQ(drv::ReadBytes(path), older);
        EXPECT_EQ(drv::TempFolder::Entries(temp.Path()), entries); // nothing left beside it
    }
    EXPECT_FALSE(fs::exists(missing));

    // Writable again, the export replaces it.
    EXPECT_TRUE(WriteCommaExport(path, big));
    const std::string written = drv::ReadBytes(path);
    EXPECT_TRUE(
        written.ends_with("2999,EA,COUNT,\"" + std::string(60, 'd') + "\"\r\n" + EmptyShapes(1)));
}
