// What assistive technology (a screen reader) learns of the program's windows beyond what each
// control tells by itself: a region the program draws on as a table of rows and cells, the
// names controls take from the labels in front of them, and names given by purpose.
#pragma once

#include <optional>
#include <string>
#include <vector>

class QAccessibleEvent;
class QWidget;

namespace platform {

class Control;
class Window;

// A table drawn by the program, as assistive technology reads it. Rows and columns count from
// 1; the program keeps the contents, the platform asks for them when it is asked.
class AccessibleTable {
public:
    virtual ~AccessibleTable() = default;
    virtual std::string TableName() const = 0;
    virtual int TableRows() const = 0;
    virtual int TableColumns() const = 0;
    virtual std::string ColumnName(int column) const = 0;
    // A cell's text, lines separated by CR LF.
    virtual std::string CellText(int row, int column) const = 0;
    // Whether a cell is a check box and, if so, whether it is checked.
    virtual std::optional<bool> CellChecked(int row, int column) const = 0;
    // What an unchecked check box cell reads as (a checked one reads as its column's name).
    virtual std::string UncheckedName(int column) const = 0;
    // The first and last rows on view (the rows a user reaches without scrolling).
    virtual int FirstRowOnView() const = 0;
    virtual int LastRowOnView() const = 0;
    // The selected cell (0, 0 when none).
    virtual int SelectedRow() const = 0;
    virtual int SelectedColumn() const = 0;
    // Where a cell (row 0: a column's header) lies in the table's control, in pixels; false
    // when it is not on view.
    struct Place {
        int x = 0, y = 0, width = 0, height = 0;
    };
    virtual std::optional<Place> CellPlace(int row, int column) const = 0;
};

// Shows a control the program draws on (a region) as a table, with its column headers (the
// controls that draw them: they read as the table's headers and are no stops of their own).
// The table must stay until Unexpose.
void ExposeAsTable(Control& control, const AccessibleTable& table,
                   const std::vector<int>& headerControls);
void Unexpose(Control& control);

// What changed in an exposed table, for a screen reader to announce.
enum class TableChange {
    Selection, // the selected cell moved (or the control took or lost the keyboard)
    CellText,  // a cell's text or mark
    Rows,      // rows came, went or moved
};
void AnnounceTableChange(Control& control, TableChange change, int row = 0, int column = 0);
// Hears every announcement as assistive technology does (tests: Qt tells nothing while no screen
// reader is on, and the headless platform has none); null stops it.
using AccessibleEventListener = void (*)(QAccessibleEvent* event);
void ListenToAccessibleEvents(AccessibleEventListener listener);

// Tells assistive technology at once of a change that no control with the keyboard shows (the
// page a preview shows): a notification of the window, read when it comes.
void Announce(Window& window, const std::string& text);

// Gives a control the name assistive technology reads for it (for a control with no label).
void SetAccessibleName(Control& control, const std::string& name);
// The name assistive technology reads for a control.
std::string AccessibleName(Control& control);

// Ties every entry, list, drop list, spin box and multi-line text of a built window to its label:
// a prompt with an access key before it in the window's order, else the prompt just left of it
// on its line or just above it in the same group or tab. The control then reads under the
// label's text. Done by the window when it is built.
void TieLabels(Window& window);

// The platform's own: the interfaces above, and a sheet's tab bar that shows assistive
// technology only the tabs it shows; installed once, before the first window opens.
void InstallAccessibleInterfaces();
// The platform's own: while one lives, the controls that show or hide because a sheet's chosen
// tab changed tell assistive technology nothing of it (the tab and its page tell the change).
class PageSwitch {
public:
    PageSwitch();
    ~PageSwitch();
    PageSwitch(const PageSwitch&) = delete;
    PageSwitch& operator=(const PageSwitch&) = delete;
};
// The platform's own: while a window's set-up runs (after it opened, before its event loop),
// its controls showing and hiding tell assistive technology nothing; the window coming does.
void WindowSettingUp(Window& window, bool settingUp);
// The platform's own: a window has opened. A window of its own reads as a dialog named by its
// caption, with the texts at its top as its description; its list boxes read as lists (tables
// when they show several columns) named by their label.
void WindowOpened(Window& window);
// The platform's own: a prompt shows a new text (the control it labels takes it as its name).
void LabelTextChanged(QWidget* label, const std::string& text);

} // namespace platform
