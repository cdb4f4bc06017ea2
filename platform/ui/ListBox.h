// The list box: a control that shows an in-memory list (a ListSource) in columns with headings,
// an optional icon per row, a chosen row and a current column. It remembers where the last
// mouse button went down, and can place another control of its window over a cell of the
// chosen row, as an in-place editor.
#pragma once

#include "platform/ui/ControlWidget.h"
#include "platform/ui/Window.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class QRect;
class QWidget;

namespace platform {

// Where the last mouse-down on a list went.
enum : int {
    LISTZONE_Nowhere = 0, // below the last row, or the list is empty
    LISTZONE_Field = 1,   // the text of a cell
    LISTZONE_Icon = 2,    // the icon of a cell
    LISTZONE_Header = 3,  // a column heading
};

class ListBox : public ControlWidget {
public:
    // The list box of a control; null when the control is no list box, is not built yet or its
    // window has closed.
    static ListBox* Of(Control& control);

    void SetColumns(const std::vector<ListColumn>& columns);
    int ColumnCount() const;
    // The icon list: icon n is shown for a row whose icon field holds n.
    void SetIcon(int number, const std::string& icon);
    std::string Icon(int number) const;
    // Row height in pixels.
    void SetRowHeight(int pixels) override;

    int Count() const;
    // The chosen row, from 1; 0 when none. Choosing by program raises no event; a row outside
    // the list changes nothing.
    int Selected() const override;
    void Select(int row) override;
    // The row and zone under the last mouse-down.
    int MouseDownRow() const { return downRow_; }
    int MouseDownZone() const { return downZone_; }
    // The column the user last clicked or moved to with Left and Right, from 1; 0 none yet.
    int CurrentColumn() const { return currentColumn_; }
    void SetCurrentColumn(int column);

    // Shows a control of the window over the cell of the chosen row in a column, above the
    // list, scrolling the cell into view; clearing hides it again. Without a chosen row nothing
    // is shown. The editor covers the part of the cell the list shows; a drop combo's arrow
    // comes beside the cell's width.
    void PlaceEditor(int column, int control);
    void ClearEditor(int column);
    int EditorOf(int column) const;
    // Places the open editors again, after the list moved, scrolled or changed its columns.
    void PlaceEditors();

    // Shows the source again (after it changed); the chosen row stays where it can.
    void Reload() override;

    // The text a cell shows.
    std::string CellText(int row, int column) const;

    // The platform's own: the cell's rectangle in the window's client pixels.
    QRect CellRect(int row, int column) const;
    QWidget* View() const;
    QWidget* Build(QWidget* client) override;
    void Redisplay() override { Reload(); }
    void LaidOut() override { PlaceEditors(); }
    void Closing() override { Reload(); }

    explicit ListBox(Control& control);
    ~ListBox() override;
    ListBox(const ListBox&) = delete;
    ListBox& operator=(const ListBox&) = delete;

private:
    friend class ListView;
    struct Private;
    void PositionEditor(int column, int control);

    int downRow_ = 0, downZone_ = LISTZONE_Nowhere;
    int currentColumn_ = 0;
    std::map<int, int> editors_; // column -> control
    std::unique_ptr<Private> p_;

    // What the user did, from the view.
    void MouseDown(int row, int column, int zone);
    void UserChoseRow();
};

} // namespace platform
