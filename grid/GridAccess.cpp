// The grid as assistive technology reads it: a table named after the tab it stands on, its five
// column headers, and a row of cells for each note, the mark cell a check box.
#include "grid/PelkGridClass.h"
#include "platform/text/Text.h"
#include "platform/ui/Accessible.h"
#include "platform/ui/Popup.h"

namespace grid {

class PelkGridClass::TableView : public platform::AccessibleTable {
public:
    explicit TableView(const PelkGridClass& grid) : g_(grid) {}

    std::string TableName() const override {
        if (!g_.window_)
            return std::string();
        platform::Control* host = g_.window_->Find(g_.OLECTRL);
        platform::Control* parent = host ? g_.window_->Find(host->Parent()) : nullptr;
        if (parent && parent->Kind() == platform::ControlKind::Tab)
            return Plain(parent->Text());
        return std::string();
    }
    int TableRows() const override { return g_.QDATA ? g_.Records() : 0; }
    int TableColumns() const override { return g_.QCOL ? static_cast<int>(g_.QCOL->size()) : 0; }
    std::string ColumnName(int column) const override {
        return Column(column) ? Column(column)->NAME : std::string();
    }
    std::string CellText(int row, int column) const override {
        if (row < 1 || row > TableRows() || column < 1 || column > TableColumns())
            return std::string();
        return g_.GetCellValue(row, column);
    }
    std::optional<bool> CellChecked(int row, int column) const override {
        if (column != ColMark || row < 1 || row > TableRows())
            return std::nullopt;
        // Marked as the grid draws it: any mark but an empty one or "0".
        const std::string mark = platform::Clip(g_.GetCellValue(row, ColMark));
        return !mark.empty() && mark != "0";
    }
    // The mark column is "Not used": a note without the mark is a used one.
    std::string UncheckedName(int) const override { return "Used"; }
    int FirstRowOnView() const override { return g_.FIRSTPOINTER; }
    int LastRowOnView() const override { return g_.LASTPOINTER; }
    int SelectedRow() const override { return g_.CURROW; }
    int SelectedColumn() const override { return g_.CURCOL; }
    std::optional<Place> CellPlace(int row, int column) const override {
        const ColumnRecord* c = Column(column);
        if (!c)
            return std::nullopt;
        if (row == 0)
            return Place{c->X1 - g_.CONTROLX, c->HEADERCTRL ? 1 : 0, c->X2 - c->X1,
                         g_.HEADERHEIGHT};
        if (row < g_.FIRSTPOINTER || row > g_.LASTPOINTER || row > TableRows())
            return std::nullopt;
        const RowRecord& r = (*g_.QDATA)[static_cast<std::size_t>(row - 1)];
        return Place{c->X1 - g_.CONTROLX, r.Y1 - g_.CONTROLY, c->X2 - c->X1, r.Y2 - r.Y1};
    }

private:
    const ColumnRecord* Column(int column) const {
        if (!g_.QCOL || column < 1 || column > static_cast<int>(g_.QCOL->size()))
            return nullptr;
        return &(*g_.QCOL)[static_cast<std::size_t>(column - 1)];
    }
    // A caption without its access key's "&".
    static std::string Plain(const std::string& text) {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '&' && i + 1 < text.size())
                ++i;
            out += text[i];
        }
        return platform::Clip(out);
    }

    const PelkGridClass& g_;
};

void PelkGridClass::ExposeTable() {
    if (!window_ || !window_->Find(OLECTRL))
        return;
    if (!tableView_)
        tableView_ = std::make_shared<TableView>(*this);
    std::vector<int> headers;
    for (const ColumnRecord& c : *QCOL)
        if (c.HEADERCTRL)
            headers.push_back(c.HEADERCTRL);
    platform::ExposeAsTable(Ctrl(OLECTRL), *tableView_, headers);
    // The in-place editors read under their column's name.
    const std::pair<std::int32_t, int> editors[] = {{EDITCTRL, ColNumber},
                                                    {TEXTCTRL, ColDescription},
                                                    {UNITCTRL, ColUnit},
                                                    {TYPECTRL, ColType}};
    for (const auto& [editor, column] : editors)
        if (editor && column <= static_cast<int>(QCOL->size()))
            platform::SetAccessibleName(Ctrl(editor),
                                        (*QCOL)[static_cast<std::size_t>(column - 1)].NAME);
}

// The row menu: at the mouse for a right click, at the selected cell from the keyboard.
int PelkGridClass::RowMenu(bool fromKeyboard) {
    const char* const items = "Insert|Change|Delete";
    if (!fromKeyboard || !tableView_)
        return platform::Popup(items);
    std::optional<platform::AccessibleTable::Place> cell = tableView_->CellPlace(CURROW, CURCOL);
    if (!cell)
        cell = tableView_->CellPlace(0, CURCOL > 0 ? CURCOL : ColMark);
    if (!cell)
        return platform::Popup(items);
    return platform::Popup(items, Ctrl(OLECTRL), cell->x + cell->width / 2, cell->y + cell->height);
}

void PelkGridClass::Announce(platform::TableChange change, std::int32_t row, std::int32_t column) {
    if (!tableView_ || !window_ || !window_->Find(OLECTRL))
        return;
    platform::AnnounceTableChange(Ctrl(OLECTRL), change, row, column);
}

} // namespace grid
