#include "editor/CommaExport.h"

#include "editor/Constnot.h"
#include "editor/Globals.h"
#include "platform/files/FileError.h"
#include "platform/files/Files.h"
#include "platform/files/LineFile.h"
#include "platform/text/Text.h"

namespace editor {

using namespace platform;

namespace {

constexpr std::size_t kNumberWidth = 5;
constexpr std::size_t kDescriptionWidth = 999;
constexpr std::size_t kUnitWidth = 3;
constexpr std::size_t kTypeWidth = 5;

// A note line, or nothing for a row without a number.
bool NoteLine(const NoteRow& row, std::string& line) {
    const std::string number = Clip(Cut(row.number, kNumberWidth));
    if (number.empty() || number == "\r\n" || number == "\r")
        return false;
    line = number + "," + Clip(Cut(row.unit, kUnitWidth)) + "," + Clip(Cut(row.type, kTypeWidth)) +
           ",\"" + Cut(row.description, kDescriptionWidth) + "\"";
    if (ToLong(row.mark) != 0)
        line = ";" + Clip(line);
    return true;
}

} // namespace

std::string PhasesSetting(int selectedItem) {
    return DecimalText(selectedItem - 1);
}

std::string CurrentTabOnlySetting(int selectedItem) {
    return selectedItem == 1 ? "0" : "1";
}

std::vector<std::string> CommaExportLines(const CommaSettings& s, const ShapeRows& rows) {
    // A value with its leading blanks moved to the end and its trailing blanks dropped.
    auto v = [](const std::string& value) { return Clip(LeftJustify(value)); };
    std::vector<std::string> lines = {
        ";SET TXTHT " + v(s.LOC_TXTHT) + " AutoCAD text size (height)",
        ";SET NDWID " + v(s.LOC_NDWID) +
            " Width from middle of number to left point of description",
        ";SET DQWID " + v(s.LOC_DQWID) +
            " Width from left point of description text to right point of",
        ";SET QUWID " + v(s.LOC_QUWID) +
            " Width from right point of quantity to left point of unit",
        ";SET LineSpacing " + v(s.LOC_LINESPACING) + " Line spacing (row height)",
        ";SET InsertTablePhases " + v(s.LOC_INSERTTABLEPHASES),
        ";SET DoCurrentTabOnly " + v(s.LOC_DOCURRENTTABONLY),
        ";SET TBLWID " + v(s.LOC_TBLWID),
        ";SET PHASEWID " + v(s.LOC_PHASEWID),
        ";SET QQWID " + v(s.LOC_QQWID),
        ";SET BubbleLeaderConnectOsnap " + v(s.LOC_BUBBLELEADERCONNECTOSNAP),
    };
    for (std::size_t shape = 0; shape < kShapes.size(); ++shape) {
        lines.push_back(std::string(kShapes[shape].code) + " NOTES");
        lines.push_back(";NUMBER,UNIT,TYPE,DESCRIPTION");
        std::string line;
        for (const NoteRow& row : rows[shape])
            if (NoteLine(row, line))
                lines.push_back(line);
    }
    return lines;
}

CommaOutcome WriteCommaExport(const std::string& path, const std::vector<std::string>& lines) {
    const std::string writing = TemporaryNameBeside(path);
    // A failed export removes what it began; the failure is what the user is told, and a file
    // that cannot be removed as well is only a stray one beside the export.
    auto fail = [&](CommaStep step) {
        CommaOutcome failed = CommaOutcome::Failure(step);
        static_cast<void>(DeleteFile(writing));
        return failed;
    };
    LineFile file(kConstnotRecordSize);
    file.SetName(writing);
    if (!file.Create())
        return fail(CommaStep::Create);
    if (!file.Open(OpenMode::ReadWriteDenyWrite))
        return fail(CommaStep::Open);
    bool written = true;
    for (const std::string& line : lines)
        written = written && file.Add(line);
    if (!written) {
        CommaOutcome failed = CommaOutcome::Failure(CommaStep::Write);
        static_cast<void>(file.Close()); // the write's failure is the one to tell
        static_cast<void>(DeleteFile(writing));
        return failed;
    }
    if (!file.Close())
        return fail(CommaStep::Write);
    if (!ReplaceFile(writing, path))
        return fail(CommaStep::Replace);
    return {};
}

} // namespace editor
