// The keynote window `BrowseNextNotes`: one tab per bubble shape, each with a title entry and a
// grid of the shape's notes, a tab of key-table settings, and the buttons for rows, saving and
// leaving. It holds the keynote file open as its lock while it runs, reads it into the grids,
// saves it with a backup, and hands its unsaved rows to the next window when the frame closes it
// for Editor Options or an import.
#pragma once

#include "editor/CommaExport.h"
#include "editor/KeynoteFile.h"
#include "editor/TableSettings.h"
#include "grid/PelkGridClass.h"
#include "platform/runtime/Digest.h"
#include "platform/ui/WindowManager.h"
#include "platform/ui/WindowResizer.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace editor {

// The procedure the frame starts on a thread of its own.
void BrowseNextNotes(const std::string& parameter);

class KeynoteWindow : public platform::WindowManager {
public:
    KeynoteWindow();
    ~KeynoteWindow() override;

    int Setup() override;
    int Shutdown() override;
    int OnEvent() override;
    int OnAccepted() override;
    int OnNewSelection() override;
    int OnSelected() override;
    int OnWindowEvent() override;

    // The notes of every shape in tab-position order, hidden tabs included, with their titles and
    // tab captions: the one reading of the grids, which the save writes, the comma export and the
    // printed report read. TabQueue is sorted by tab position on the way, and CurGrid is left on
    // the grid of the last tab that has one.
    std::vector<ShapeNotes> NotesInTabOrder();
    // The same without a copy of the notes: each shape's rows as the save takes them, one at a
    // time. Each row taken goes into `digests` (its shape's, by shape number - 1) too.
    std::vector<ShapeSource> RowsInTabOrder(std::array<platform::Digest, 9>& digests);

    // Routines of the window.
    std::uint8_t OpenNotesFile();
    void CloseNotesFile();
    // Removes the temporaries that a save or an import stopped half-way left in the project.
    void RemoveLeftovers();
    void TellBackupKept();
    // Whether the keynote file's name still names the file the window holds, or the user lets a
    // save replace the file another program put there.
    bool HoldsItsFile();
    bool BackUp();
    void LoadNotes();
    // Whether the keynote file was written and put in place.
    bool SaveNotes();
    // Tells, once after a reading, what a save would not write back as it was read.
    void ReportChanges();
    void ProgressUpdate(const std::string& text, std::int64_t value, std::int64_t total);
    void LoadUnitsAndTypes();
    void StashNotesToGlobal();
    void RestoreNotesFromGlobal();
    void PrintNotes();
    void ExportNotes();
    // Stores an in-place edit still open in a grid, as Ctrl+Enter does.
    void StoreOpenEdits();
    // A digest (a 256-bit hash) of the notes of every shape with their titles and of the
    // key-table settings: equal digests stand for the same notes and settings.
    std::string NotesDigest();
    // Of the notes of one shape, with its title: NotesDigest is made of these.
    void AddShapeTitle(platform::Digest& digest, int shape) const;
    static void AddNote(platform::Digest& digest, const NoteRow& row);
    static void AddNote(platform::Digest& digest, const grid::RowRecord& row);
    std::string NotesDigest(std::array<platform::Digest, 9>& shapes);
    // Exit: stores the open edit and asks before anything unsaved is dropped; posts the end of
    // the program unless the user keeps the window.
    bool ExitProgram();

    // The grid of a shape (1..9); null when the shape has none.
    grid::PelkGridClass* Grid(int shape) {
        ShapeGrid& s = shapes_.at(static_cast<std::size_t>(shape - 1));
        return s.setUp ? &s.grid : nullptr;
    }
    platform::Window& window() { return window_; }
    TableSettings& settings() { return settings_; }

private:
    // A shape's grid; the rows of a shape that has no tab to show them on are held aside, so
    // that they are saved as they were read.
    struct ShapeGrid {
        grid::PelkGridClass grid;
        bool setUp = false;
        std::vector<NoteRow> held;
    };

    class Resizer : public platform::WindowResizer {
    public:
        explicit Resizer(KeynoteWindow& owner) : owner_(owner) {}
        int Resize() override;

    private:
        KeynoteWindow& owner_;
    };

    void SetupTabs();
    void SetTabTextFromQueue(int position);
    void RenumberTabQueue();
    void SelectSavedTab();
    void OpenConfigWithoutShapeTabs();
    // The row buttons are offered while a shape tab is chosen.
    void ShowRowButtons(bool shown);
    void ApplyUppercase();
    void InitResizer();
    void TakeLine(KeynoteLine&& line);
    // Tells the user of a failed reading or save of the keynote file.
    void ReportFileOutcome(const KeynoteOutcome& outcome);
    void ReportFileOutcome(const CommaOutcome& outcome);
    void SetSaveButtons();
    void SwitchDrawingTo(int selectedTab);
    // The user chose another tab: only its grid draws from now on.
    void SwitchTabTo(int selectedTab);
    void AddRow(int shape, NoteRow row);
    std::vector<NoteRow> Rows(int shape);
    void FreeRows(int shape);
    void CollectNotesFromGrid(int shape);
    // The grid of the shape at the selected tab position; null on the Config tab or when the
    // shape has no grid.
    grid::PelkGridClass* CurrentShapeGrid();

    // The grids outlive the window, whose hosts hand them their last messages.
    std::array<ShapeGrid, 9> shapes_;
    std::vector<grid::PelkGridClass*> GridList;
    grid::PelkGridClass* CurGrid = nullptr;
    std::int32_t CurOleFeq = 0;
    std::uint8_t TabSelected = 0;
    std::uint8_t FirstLoad = 1;
    std::int32_t ProgressValue = 0;
    std::string InfoText;
    std::string BakPath;
    std::string ExportPath;
    TableSettings settings_;
    // A read of the keynote file failed: what the window holds is not the whole file, and it
    // is never written back.
    bool readFailed_ = false;
    // What the last reading found that a save would not write back, until it is told.
    std::vector<KeynoteChange> changesRead_;
    // While the first load runs with the window not yet drawn: when it began.
    std::optional<std::chrono::steady_clock::time_point> undrawnSince_;

    platform::Window window_;
    SettingsTab settingsTab_{window_, settings_};
    Resizer resizer_{*this};
};

} // namespace editor
