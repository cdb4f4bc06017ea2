#include "editor/Globals.h"

#include "editor/TableSettings.h"
#include "grid/PelkGridClass.h"

#include <vector>

#include <malloc.h>

namespace editor {

std::string AppPath;
std::string HelpFile;
std::string Param1;
std::string Param2;
std::string ProjectFolder;
std::string CsvName;
std::string BakName;
std::string CsvPath;
std::string ProjectIni;
std::string AppIni;
std::string LayersIni;
std::string LayerProgram;
std::vector<std::string> LayerArguments;
std::string LibPath;
std::uint8_t Uppercase;
std::uint8_t EIPByEnter;
std::int16_t WrapSize;
std::int16_t DescPrintWidth;
std::uint8_t NotesOpenMode;
bool NoLocksTold;
std::int16_t KeynoteThread;
std::int16_t FrameWidth;
std::int16_t FrameHeight;
std::int32_t CsvStamp;
platform::FileTime CsvStampTime;
std::uint8_t NotesStashed;
bool StashHalfRead;
std::string LoadedNotesDigest;
std::vector<TabRecord> TabQueue;
std::vector<NoteRow> NotesQueue;
std::array<std::vector<grid::RowRecord>, 9> StashedRows;
std::array<std::string, 9> ShapeTitle;
std::array<std::string, 9> TitleRead;
TableSettingsStashRecord TableSettingsStash;

void ResetGlobals() {
    AppPath.clear();
    HelpFile.clear();
    Param1.clear();
    Param2.clear();
    ProjectFolder.clear();
    CsvName.clear();
    BakName.clear();
    CsvPath.clear();
    ProjectIni.clear();
    AppIni.clear();
    LayersIni.clear();
    LayerProgram.clear();
    LayerArguments.clear();
    LibPath.clear();
    Uppercase = 0;
    EIPByEnter = 0;
    WrapSize = 60;
    DescPrintWidth = 62;
    NotesOpenMode = 0x22;
    NoLocksTold = false;
    KeynoteThread = 0;
    FrameWidth = 0;
    FrameHeight = 0;
    CsvStamp = 0;
    CsvStampTime = {};
    LoadedNotesDigest.clear();
    TabQueue.clear();
    DiscardStash();
    TableSettingsStash = {};
    ShapeTitle.fill(std::string(kTitleWidth, ' '));
    TitleRead.fill("     ");
}

void DiscardStash() {
    NotesStashed = 0;
    // Its memory goes back to the system, not only to the list.
    std::vector<NoteRow>().swap(NotesQueue);
    for (std::vector<grid::RowRecord>& rows : StashedRows)
        std::vector<grid::RowRecord>().swap(rows);
    ::malloc_trim(0);
    StashHalfRead = false;
}

// The values at process start.
namespace {
const bool g_started = (ResetGlobals(), true);
} // namespace

} // namespace editor
