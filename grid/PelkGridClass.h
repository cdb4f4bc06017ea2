// The keynote grid: the owner-drawn grid of one bubble shape's notes, five cells a row (mark,
// note number, description, unit, tally type), painted straight onto the window's client area
// inside a host control, with its own header, scroll bar, in-place editors and drag and drop.
#pragma once

#include "platform/ui/Accessible.h"
#include "platform/ui/Window.h"
#include "platform/win32/Win32.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace grid {

using platform::win32::HRGN;
using platform::win32::HWND;
using platform::win32::LPARAM;
using platform::win32::LRESULT;
using platform::win32::UINT;
using platform::win32::WNDPROC;
using platform::win32::WPARAM;

struct ColumnRecord {
    std::string NAME; // at most 127 characters
    std::int32_t W = 0;
    std::int32_t HEADERCTRL = 0;
    std::int32_t X1 = 0;
    std::int32_t X2 = 0;
    std::uint8_t RESIZABLE = 0;
};

// The grid's columns in their order on the screen, numbered from 1 as CURCOL, HitTest and
// GetCellValue number them.
enum GridColumn : std::int32_t {
    ColMark = 1,        // "1" marked, "0" or empty not marked
    ColNumber = 2,      // note number
    ColDescription = 3, // lines separated by CR LF
    ColUnit = 4,
    ColType = 5, // tally type
};
inline constexpr std::int32_t kColumnCount = ColType;

// A row of the grid: its five fields, and where the last drawing placed it. The fields are kept
// in one allocation of their own (a grid may hold a million rows: five strings a row would
// take more than the texts themselves).
class RowRecord {
public:
    std::int32_t Y1 = 0;
    std::int32_t Y2 = 0;
    std::uint8_t INCOMPLETESHOW = 0;

    RowRecord() = default;
    RowRecord(const RowRecord& other);
    RowRecord& operator=(const RowRecord& other);
    RowRecord(RowRecord&&) noexcept = default;
    RowRecord& operator=(RowRecord&&) noexcept = default;
    ~RowRecord() = default;

    // The field a column shows and edits: the one place that knows which field holds what. The
    // caller keeps to the columns (a number outside them is taken for the last). A field keeps
    // at most 65,535 characters; the grid's own are far shorter (kCellWidth, kDescWidth). What
    // Field gives lasts until the row next changes.
    std::string_view Field(std::int32_t column) const;
    void SetField(std::int32_t column, std::string_view value);
    // All five at once, in column order.
    void SetFields(std::string_view mark, std::string_view number, std::string_view description,
                   std::string_view unit, std::string_view type);

private:
    // The five fields' lengths (two bytes each), then their characters in column order; none
    // while every field is empty.
    std::unique_ptr<char[]> texts_;
    std::size_t Size() const;
};

// Widths of the row fields and of a choice.
inline constexpr std::size_t kCellWidth = 20;
inline constexpr std::size_t kDescWidth = 5000;

// Unit or tally-type choices in ascending order; the drop combos show them as they stand.
class ChoiceQueue : public platform::ListSource {
public:
    int Count() const override { return static_cast<int>(items.size()); }
    std::string Cell(int row, int column) const override;
    void Insert(const std::string& text);
    std::vector<std::string> items;
};

// The row commands, numbered as RowCommand takes them and in the order the row menu offers them.
enum GridRowCommand : std::uint8_t { RowInsert = 1, RowChange = 2, RowDelete = 3 };

// The grid's own event: a key typed into an open editor, posted at the front of the queue.
inline constexpr int EventEditKey = 0x7EA;

class PelkGridClass {
public:
    std::int32_t OLECTRL = 0;
    std::int32_t CONTROLX = 0;
    std::int32_t CONTROLY = 0;
    std::int32_t CONTROLW = 0;
    std::int32_t CONTROLH = 0;
    std::int32_t GRIDX = 0;
    std::int32_t GRIDY = 0;
    std::int32_t GRIDW = 0;
    std::int32_t GRIDH = 0;
    std::int32_t VSCROLLPOS = 0;
    std::int32_t HEADERHEIGHT = 0;
    std::unique_ptr<std::vector<ColumnRecord>> QCOL;
    std::unique_ptr<std::vector<RowRecord>> QDATA;
    std::unique_ptr<ChoiceQueue> QUNIT;
    std::unique_ptr<ChoiceQueue> QTYPE;
    WNDPROC SCROLLWNDPROCADDRESS = nullptr;
    WNDPROC TEXTWNDPROCADDRESS = nullptr;
    grid::HWND HWND = nullptr;
    grid::HWND HCLIENTWND = nullptr;
    grid::HWND HGRIDSCROLL = nullptr;
    std::int32_t CURROW = 0;
    std::int32_t CURCOL = 0;
    std::int32_t CURCTRL = 0;
    std::int32_t FIRSTPOINTER = 0;
    std::int32_t LASTPOINTER = 0;
    std::int32_t EIPON = 0;
    std::int32_t LASTKEY = 0;
    std::int32_t EDITCTRL = 0;
    std::int32_t TEXTCTRL = 0;
    std::int32_t UNITCTRL = 0;
    std::int32_t TYPECTRL = 0;
    std::string EDITVALUE;
    std::string UNITVALUE;
    std::string TYPEVALUE;
    std::int32_t SCROLLWIDTH = 0;
    HRGN HDRAWRGN = nullptr;
    std::uint8_t ACTIVE = 0;
    std::uint32_t LASTMOUSEUPCLK = 0;
    std::uint32_t LASTMOUSEUPLP = 0;
    std::int16_t MOUSEX = 0;
    std::int16_t MOUSEY = 0;
    grid::HWND DEFAULTCAPTUREHWND = nullptr;
    std::int32_t DESCSIZE = 0;
    std::int32_t WRAPSIZE = 0;
    std::uint8_t REDRAW = 0;
    std::int32_t DRAGROW = 0;
    // Most characters a changed description may hold, rewrapped and as it is stored (each line
    // break as CR LF); the owner may set fewer so that every note fits its line in the keynote
    // file.
    std::int32_t DESCCAPACITY = static_cast<std::int32_t>(kDescWidth);
    // The owner's rule for a description beyond its length, when a number cannot say it (the
    // keynote window's: the note must fit its line in the file and read back as written): whether
    // a description that was `before` may become `description`. A change must pass it from the
    // editor's text before the change and from what the row holds, so that the owner can let a
    // description keep what it held when the edit began, while what the editor shows beyond the
    // row's own text (a lone CR or LF shows as a line break, stored as CR LF) gains it nothing.
    // The rule and the capacity are kept alike: a typed character or Enter that breaks them is
    // refused whole (also over a selection); of text that reached the editor otherwise (pasted)
    // only what keeps them is taken, cut where it would break them; a deletion that breaks them
    // is undone. Nothing behind the caret is ever cut off, and a changed description is stored
    // whole.
    std::function<bool(const std::string& description, const std::string& before)> DescriptionFits;
    // Characters the number, unit and type editors do not take, typed or pasted (the owner's,
    // for values its file cannot carry). Set before Setup.
    std::string RefusedCharacters;
    // How many places of a number, unit or type the owner's file would not give back as typed;
    // their editors refuse an edit that makes more. Set before Setup.
    std::function<std::size_t(std::string_view)> MisreadCount;

    // Set-up and layout. Setup binds the grid to a host control of the running thread's newest
    // window.
    void Setup(std::int32_t host, std::int32_t wrapSize, std::int32_t descSize);
    void Shutdown();
    void CalcLayout();
    void CreateScrollBar();
    void CreateEditors();
    void AddColumn(const std::string& title, std::int32_t width);
    void LayoutColumns();
    void SetPixels(std::uint8_t on);

    // Drawing.
    void Draw();
    void DrawCell(std::int32_t row, std::int32_t col, std::int32_t textColour,
                  std::int32_t background);
    void DrawCellText(platform::win32::HDC dc, std::int32_t x1, std::int32_t top,
                      std::uint8_t isMark, std::int32_t textColour, std::string_view text,
                      std::int32_t& bottom, std::int32_t x2);
    static void MeasureText(const std::string& text, std::int32_t& width, std::int32_t& height);
    static void DrawLine(platform::win32::HDC dc, int x1, int y1, int x2, int y2,
                         platform::win32::HPEN pen);
    static void DrawRect(platform::win32::HDC dc, int left, int top, int right, int bottom,
                         platform::win32::HBRUSH brush, platform::win32::HPEN pen);
    static platform::win32::HBRUSH MakeBrush(std::int32_t colour);
    static platform::win32::HPEN MakePen(std::int32_t colour);

    // Selection and scrolling.
    void HitTest(std::int32_t x, std::int32_t y, std::int32_t& row, std::int32_t& col);
    void SelectCell(std::int32_t row, std::int32_t col);
    void EnsureVisible(std::int32_t row);
    void SelectPrevRow();
    void SelectNextRow();
    void ScrollToPos();
    void GetScrollPos(std::int32_t& pos, std::int32_t& max, std::uint8_t track);
    void SetScroll(std::int32_t pos, std::int32_t max);

    // Rows, choices and row commands.
    void AddRow(std::string mark, std::string number, std::string description, std::string unit,
                std::string type);
    std::int32_t Records() const;
    std::int32_t GetCheckValue(std::int32_t row) const;
    std::string GetCellValue(std::int32_t row, std::int32_t column) const;
    void FreeRows();
    void SetRedraw(std::uint8_t on);
    void SetUppercase(std::uint8_t flag);
    void AddUnit(const std::string& text);
    void FreeUnits();
    void AddType(const std::string& text);
    void FreeTypes();
    void Resize();
    void RowCommand(std::uint8_t command);
    void MoveRowUp(std::int32_t row);
    void MoveRowDown(std::int32_t row);
    void MoveRowToTop(std::int32_t row);
    void MoveRowToBottom(std::int32_t row);
    void MoveRow(std::int32_t from, std::int32_t to);
    void SetDescCapacity(std::int32_t capacity);

    // Input.
    static LRESULT GridWindowProc(grid::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT EditorWindowProc(grid::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnEvent();

    // In-place editing.
    void StartEdit();
    void AcceptEdit();
    void CancelEdit();
    void EndEdit();
    void RewrapText();
    void FitTextEditor(std::uint8_t mode);

    // Assistive technology: the grid read as a table, and what changed in it.
    void ExposeTable();
    void Announce(platform::TableChange change, std::int32_t row = 0, std::int32_t column = 0);
    // Opens the row menu (Insert, Change, Delete); the item chosen, 0 none.
    int RowMenu(bool fromKeyboard);

private:
    class TableView;
    std::shared_ptr<TableView> tableView_;

    // The description editor's text and caret (selection start) before the keys its next rewrap
    // answers, and whether a typed character (or Enter) is among them.
    struct EditorKeys {
        std::string text;
        int selStart = 0;
        bool typed = false;
    };

    platform::Window* window_ = nullptr;
    bool setUp_ = false;
    // The row whose cell the open editor edits: an accept stores there, wherever the selection
    // has gone meanwhile.
    std::int32_t editRow_ = 0;
    // The description as the row held it and as the editor showed it when the edit began: an
    // edit accepted without a change stores the row's own text, byte for byte.
    std::string heldText_;
    std::string shownText_;
    // The description editor's text and caret (characters before it) as last taken: a change is
    // judged against it.
    std::string editText_;
    std::int32_t editCaret_ = 0;
    std::optional<EditorKeys> beforeKeys_;

    platform::Control& Ctrl(std::int32_t number) { return (*window_)[number]; }
    std::int32_t NewControl(const platform::ControlDef& def);
    void TakeMousePosition(LPARAM lParam);
    // The steps of the host's window procedure: a message of a grid still set up.
    void HostMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ScrollBarMoved(int code);
    void PaintAsked();
    void DropRow(LPARAM lParam);
    void LeftButtonReleased(LPARAM lParam);
    void StartDragOnLeave(LPARAM lParam);
    void ScrollWhileDragging();
    // The steps of OnEvent.
    void FocusMoved(int control, bool editor);
    void GridKey(int key);
    void ClickCell();
    void EditorKey(int key);
    void ChoiceTaken(int control);
    void KeepBeforeKeys(bool typed);
    void AcceptOpenEdit();
    bool LineBreakWouldOverflow();
    bool DescriptionKeeps(const std::string& text) const;
    std::string TakenDescription(const std::string& text, std::int32_t& caret, bool rewrap) const;
    // The height in pixels a drawing gives a row, and the last row a drawing from `first` shows
    // (what Draw would set LASTPOINTER to), worked out without drawing.
    std::int32_t RowHeight(const RowRecord& row) const;
    std::int32_t LastRowShownFrom(std::int32_t first) const;
};

} // namespace grid
