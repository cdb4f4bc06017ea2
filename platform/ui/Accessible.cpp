#include "platform/ui/Accessible.h"

#include "platform/text/Text.h"
#include "platform/ui/Control.h"
#include "platform/ui/Input.h"
#include "platform/ui/Qt.h"
#include "platform/ui/Window.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPoint>
#include <QPointer>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <QTreeView>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <utility>

namespace platform {

namespace {

struct Exposed {
    const AccessibleTable* table = nullptr;
    std::vector<QPointer<QWidget>> headers;
    // What was last announced as selected, so that a redraw announces nothing.
    int row = 0, column = 0;
    bool focused = false;
};

std::map<const QObject*, Exposed>& Tables() {
    static std::map<const QObject*, Exposed> tables;
    return tables;
}

const AccessibleTable* TableOf(const QObject* widget) {
    auto it = Tables().find(widget);
    return it == Tables().end() ? nullptr : it->second.table;
}

bool IsHeader(const QObject* object) {
    for (const auto& [widget, exposed] : Tables())
        for (const QPointer<QWidget>& h : exposed.headers)
            if (h == object)
                return true;
    return false;
}

// Texts the program keeps with CR LF line breaks read with plain ones.
QString Readable(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return ToQt(out);
}

// A part of a widget that is no widget of its own (a cell, a tab): it has no object and no
// children, and the widget's interface is its parent.
template <typename Owner>
class PartInterface : public QAccessibleInterface {
public:
    explicit PartInterface(Owner* owner) : owner_(owner) {}

    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return owner_ && owner_->window() ? owner_->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return owner_ ? QAccessible::queryAccessibleInterface(owner_) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

protected:
    QPointer<Owner> owner_;
};

// The interface of the cell at `row`, `column` that `cells` knows, or else one `make` makes,
// registered and known from then on.
template <typename Make>
QAccessibleInterface* KnownCell(std::map<std::pair<int, int>, QAccessible::Id>& cells, int row,
                                int column, Make make) {
    const auto key = std::make_pair(row, column);
    auto it = cells.find(key);
    if (it != cells.end())
        if (QAccessibleInterface* known = QAccessible::accessibleInterface(it->second))
            return known;
    QAccessibleInterface* cell = make();
    cells[key] = QAccessible::registerAccessibleInterface(cell);
    return cell;
}

class TableInterface;

// A cell of an exposed table; row 0 is a column's header.
class CellInterface : public PartInterface<QWidget>,
                      public QAccessibleTableCellInterface,
                      public QAccessibleActionInterface {
public:
    CellInterface(QWidget* host, int row, int column)
        : PartInterface(host), row_(row), column_(column) {}

    bool isValid() const override {
        const AccessibleTable* t = owner_ ? TableOf(owner_) : nullptr;
        return t && row_ >= 0 && row_ <= t->TableRows() && column_ >= 1 &&
               column_ <= t->TableColumns();
    }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        const AccessibleTable* table = Table();
        if (!table || (t != QAccessible::Name && t != QAccessible::Value))
            return QString();
        if (row_ == 0)
            return t == QAccessible::Name ? Readable(table->ColumnName(column_)) : QString();
        // A check box cell reads as its column's name when checked and as the program's name
        // for the unchecked state otherwise, so that reading a row tells one from the other.
        if (std::optional<bool> checked = table->CellChecked(row_, column_))
            return t == QAccessible::Name ? Readable(*checked ? table->ColumnName(column_)
                                                              : table->UncheckedName(column_))
                                          : QString();
        return Readable(table->CellText(row_, column_));
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const AccessibleTable* table = Table();
        if (!table || !owner_)
            return QRect();
        std::optional<AccessibleTable::Place> p = table->CellPlace(row_, column_);
        if (!p)
            return QRect();
        return QRect(owner_->mapToGlobal(QPoint(p->x, p->y)), QSize(p->width, p->height));
    }
    // A check box cell reads as a check box, so that its state is read also where the bridge
    // tells no cell's checkability.
    QAccessible::Role role() const override {
        if (row_ == 0)
            return QAccessible::ColumnHeader;
        const AccessibleTable* table = Table();
        return table && table->CellChecked(row_, column_) ? QAccessible::CheckBox
                                                          : QAccessible::Cell;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        const AccessibleTable* table = Table();
        if (!table || !owner_)
            return s;
        // A table on a tab not shown (or in a hidden window) shows none of its cells.
        if (!owner_->isVisible()) {
            s.invisible = true;
            s.offscreen = true;
        }
        if (row_ == 0)
            return s;
        s.selectable = true;
        s.focusable = true;
        const bool current = row_ == table->SelectedRow() && column_ == table->SelectedColumn();
        s.selected = current;
        s.focused = current && owner_->hasFocus();
        s.active = current;
        if (std::optional<bool> checked = table->CellChecked(row_, column_)) {
            s.checkable = true;
            s.checked = *checked;
        }
        if (!table->CellPlace(row_, column_))
            s.offscreen = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableCellInterface && row_ > 0)
            return static_cast<QAccessibleTableCellInterface*>(this);
        if (type == QAccessible::ActionInterface && row_ > 0)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    // A cell is chosen as a click chooses it, and a check box cell toggled as Enter on it
    // toggles it: the input goes to the table's control as the user's would.
    QStringList actionNames() const override {
        const AccessibleTable* table = Table();
        if (!table || row_ == 0)
            return {};
        if (table->CellChecked(row_, column_))
            return {setFocusAction(), toggleAction()};
        return {setFocusAction()};
    }
    void doAction(const QString& name) override {
        const AccessibleTable* table = Table();
        if (!table || !owner_ || row_ == 0 || !actionNames().contains(name))
            return;
        std::optional<AccessibleTable::Place> p = table->CellPlace(row_, column_);
        if (!p)
            return; // a row off view: scroll to it first, as a user does
        owner_->setFocus(Qt::OtherFocusReason);
        const QPointF at(p->x + p->width / 2, p->y + p->height / 2);
        const QPointF global = owner_->mapToGlobal(at);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(
                owner_,
                new QMouseEvent(type, at, global, Qt::LeftButton,
                                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                Qt::NoModifier));
        if (name == toggleAction())
            for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
                QCoreApplication::postEvent(owner_,
                                            new QKeyEvent(type, Qt::Key_Return, Qt::NoModifier));
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    // The cell's place in its table, from 0; the header row counts as none.
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_ - 1; }
    int rowIndex() const override { return row_ - 1; }
    bool isSelected() const override {
        const AccessibleTable* t = Table();
        return t && row_ == t->SelectedRow() && column_ == t->SelectedColumn();
    }
    QAccessibleInterface* table() const override { return parent(); }

    int Row() const { return row_; }
    int Column() const { return column_; }
    const QWidget* Host() const { return owner_; }

private:
    const AccessibleTable* Table() const { return owner_ ? TableOf(owner_) : nullptr; }

    int row_, column_;
};

// The table itself: its children are the header cells, then the cells row by row.
class TableInterface : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit TableInterface(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Table) {}
    ~TableInterface() override { Forget(); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && Table())
            return ToQt(Table()->TableName());
        return QAccessibleWidget::text(t);
    }
    // The header cells and the cells of the rows on view, then the controls shown inside the
    // table (its scroll bar, an open editor): what a user can reach without scrolling. The table
    // interface answers for every row, each cell made when it is first asked for, so that
    // nothing a reader asks grows with the number of rows.
    int childCount() const override { return Cells() + static_cast<int>(Inside().size()); }
    QAccessibleInterface* child(int index) const override {
        const int columns = columnCount();
        if (index < 0 || index >= childCount())
            return nullptr;
        if (index >= Cells())
            return QAccessible::queryAccessibleInterface(
                Inside()[static_cast<std::size_t>(index - Cells())]);
        const int row = index / columns;
        return Cell(row == 0 ? 0 : ViewRows().first + row - 1, index % columns + 1);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (const auto* cell = dynamic_cast<const CellInterface*>(child)) {
            if (cell->Host() != widget())
                return -1;
            const auto [first, last] = ViewRows();
            if (cell->Row() == 0)
                return cell->Column() - 1;
            if (cell->Row() < first || cell->Row() > last)
                return -1;
            return (cell->Row() - first + 1) * columnCount() + cell->Column() - 1;
        }
        const std::vector<QWidget*> inside = Inside();
        for (std::size_t i = 0; i < inside.size(); ++i)
            if (child && child->object() == inside[i])
                return Cells() + static_cast<int>(i);
        return -1;
    }
    QAccessibleInterface* focusChild() const override {
        const AccessibleTable* t = Table();
        if (!t || !widget()->hasFocus() || t->SelectedRow() < 1 || t->SelectedColumn() < 1)
            return nullptr;
        return Cell(t->SelectedRow(), t->SelectedColumn());
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const AccessibleTable* t = Table();
        if (!t)
            return nullptr;
        const QPoint at = widget()->mapFromGlobal(QPoint(x, y));
        const auto [first, last] = ViewRows();
        for (int row = 0; row <= last; row = row == 0 ? first : row + 1)
            for (int column = 1; column <= t->TableColumns(); ++column)
                if (std::optional<AccessibleTable::Place> p = t->CellPlace(row, column))
                    if (QRect(p->x, p->y, p->width, p->height).contains(at))
                        return Cell(row, column);
        return nullptr;
    }

    // QAccessibleTableInterface: rows and columns from 0.
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
            return nullptr;
        return Cell(row + 1, column + 1);
    }
    int selectedCellCount() const override { return SelectedRow() > 0 ? 1 : 0; }
    QList<QAccessibleInterface*> selectedCells() const override {
        if (SelectedRow() == 0)
            return {};
        return {Cell(SelectedRow(), Table()->SelectedColumn())};
    }
    QString columnDescription(int column) const override {
        const AccessibleTable* t = Table();
        return t && column >= 0 && column < columnCount() ? Readable(t->ColumnName(column + 1))
                                                          : QString();
    }
    QString rowDescription(int) const override { return QString(); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return SelectedRow() > 0 ? 1 : 0; }
    int columnCount() const override { return Table() ? Table()->TableColumns() : 0; }
    int rowCount() const override { return Table() ? Table()->TableRows() : 0; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override {
        if (SelectedRow() == 0)
            return {};
        return {SelectedRow() - 1};
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override {
        return SelectedRow() > 0 && row == SelectedRow() - 1;
    }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override { Trim(); }

    // The interface of a cell, made when first asked for. A cell reads its table as it is, so
    // it stays valid while its row exists: a reader that holds it (the focused cell) can go on
    // asking after rows came or went.
    QAccessibleInterface* Cell(int row, int column) const {
        return KnownCell(cells_, row, column,
                         [&] { return new CellInterface(widget(), row, column); });
    }
    void Forget() {
        for (const auto& [place, id] : cells_)
            QAccessible::deleteAccessibleInterface(id);
        cells_.clear();
    }
    // Drops the cells of rows that no longer exist.
    void Trim() {
        const int rows = rowCount();
        for (auto it = cells_.begin(); it != cells_.end();) {
            if (it->first.first > rows) {
                QAccessible::deleteAccessibleInterface(it->second);
                it = cells_.erase(it);
            } else {
                ++it;
            }
        }
    }

private:
    const AccessibleTable* Table() const { return TableOf(widget()); }
    // The rows on view, from 1 (first > last: none).
    std::pair<int, int> ViewRows() const {
        const AccessibleTable* t = Table();
        if (!t)
            return {1, 0};
        const int first = std::max(1, t->FirstRowOnView());
        const int last = std::min(t->TableRows(), t->LastRowOnView());
        return first <= last ? std::make_pair(first, last) : std::make_pair(1, 0);
    }
    int Cells() const {
        const auto [first, last] = ViewRows();
        return (last - first + 2) * columnCount();
    }
    std::vector<QWidget*> Inside() const {
        std::vector<QWidget*> inside;
        for (QObject* o : widget()->children())
            if (o->isWidgetType() && !static_cast<QWidget*>(o)->isWindow() &&
                static_cast<QWidget*>(o)->isVisible())
                inside.push_back(static_cast<QWidget*>(o));
        return inside;
    }
    int SelectedRow() const {
        const AccessibleTable* t = Table();
        if (!t || t->SelectedRow() < 1 || t->SelectedRow() > t->TableRows() ||
            t->SelectedColumn() < 1)
            return 0;
        return t->SelectedRow();
    }

    mutable std::map<std::pair<int, int>, QAccessible::Id> cells_;
};

QList<QAccessibleInterface*> CellInterface::columnHeaderCells() const {
    auto* t = static_cast<TableInterface*>(parent());
    if (!t || row_ == 0)
        return {};
    return {t->Cell(0, column_)};
}

// A column header the program draws as a button: it reads as a header, not as a button to
// press, and is no stop of its own.
class HeaderInterface : public QAccessibleWidget {
public:
    explicit HeaderInterface(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::ColumnHeader) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.focusable = false;
        s.focused = false;
        return s;
    }
    QStringList actionNames() const override { return {}; }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return widget()->property("text").toString().remove(QLatin1Char('&'));
        return QAccessibleWidget::text(t);
    }
};

// A tab of a sheet's tab bar, by its index among all the bar's tabs.
class TabInterface : public PartInterface<QTabBar>, public QAccessibleActionInterface {
public:
    TabInterface(QTabBar* bar, int index) : PartInterface(bar), index_(index) {}

    bool isValid() const override { return owner_ && index_ < owner_->count(); }
    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return QString();
        switch (t) {
        case QAccessible::Name:
            return QString(owner_->tabText(index_)).remove(QLatin1Char('&')).trimmed();
        case QAccessible::Description:
            return owner_->tabToolTip(index_);
        default:
            return QString();
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return QRect();
        const QRect r = owner_->tabRect(index_);
        return QRect(owner_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid())
            return s;
        s.focusable = true;
        s.selectable = true;
        s.selected = owner_->currentIndex() == index_;
        s.focused = s.selected && owner_->hasFocus();
        s.disabled = !owner_->isTabEnabled(index_);
        s.invisible = !owner_->isTabVisible(index_) || !owner_->isVisible();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && isValid() && owner_->isTabVisible(index_))
            owner_->setCurrentIndex(index_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    int Index() const { return index_; }

private:
    int index_;
};

// A sheet's tab bar: only the tabs it shows, as assistive technology should see them; a hidden
// tab is no tab at all.
class TabBarInterface : public QAccessibleWidget {
public:
    explicit TabBarInterface(QTabBar* bar) : QAccessibleWidget(bar, QAccessible::PageTabList) {}
    ~TabBarInterface() override {
        for (const auto& [tab, id] : tabs_)
            QAccessible::deleteAccessibleInterface(id);
    }
    // Named by its current tab, as a standard tab bar is.
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && Bar()->currentIndex() >= 0)
            return QString(Bar()->tabText(Bar()->currentIndex()))
                .remove(QLatin1Char('&'))
                .trimmed();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return static_cast<int>(Shown().size()); }
    QAccessibleInterface* child(int index) const override {
        const std::vector<int> shown = Shown();
        if (index < 0 || index >= static_cast<int>(shown.size()))
            return nullptr;
        const int tab = shown[static_cast<std::size_t>(index)];
        auto it = tabs_.find(tab);
        if (it != tabs_.end())
            if (QAccessibleInterface* known = QAccessible::accessibleInterface(it->second))
                return known;
        auto* made = new TabInterface(Bar(), tab);
        tabs_[tab] = QAccessible::registerAccessibleInterface(made);
        return made;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const std::vector<int> shown = Shown();
        for (const auto& [tab, id] : tabs_)
            if (QAccessible::accessibleInterface(id) == child)
                for (std::size_t i = 0; i < shown.size(); ++i)
                    if (shown[i] == tab)
                        return static_cast<int>(i);
        return -1;
    }
    QAccessibleInterface* focusChild() const override {
        if (!Bar()->hasFocus())
            return nullptr;
        const std::vector<int> shown = Shown();
        for (std::size_t i = 0; i < shown.size(); ++i)
            if (shown[i] == Bar()->currentIndex())
                return child(static_cast<int>(i));
        return nullptr;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const int tab = Bar()->tabAt(Bar()->mapFromGlobal(QPoint(x, y)));
        const std::vector<int> shown = Shown();
        for (std::size_t i = 0; i < shown.size(); ++i)
            if (shown[i] == tab)
                return child(static_cast<int>(i));
        return nullptr;
    }

private:
    QTabBar* Bar() const { return static_cast<QTabBar*>(widget()); }
    std::vector<int> Shown() const {
        std::vector<int> shown;
        for (int i = 0; i < Bar()->count(); ++i)
            if (Bar()->isTabVisible(i))
                shown.push_back(i);
        return shown;
    }

    mutable std::map<int, QAccessible::Id> tabs_;
};

// ---------------------------------------------------------------------------------------------
// Windows and list boxes.

std::string NameOf(const std::string& text);

// The program's windows of their own, by their top-level widget.
std::map<const QObject*, Window*>& OwnWindows() {
    static std::map<const QObject*, Window*> windows;
    return windows;
}

// What a window says it is for: the texts at its top, before its first control a user works.
QString Instruction(Window& window) {
    std::string said;
    for (Control* c : window.Controls()) {
        switch (c->Kind()) {
        case ControlKind::String:
            if (c->Visible() && !Clip(c->Text()).empty())
                said += (said.empty() ? "" : " ") + Clip(c->Text());
            continue;
        case ControlKind::Prompt:
        case ControlKind::Group:
        case ControlKind::Panel:
        case ControlKind::Box:
        case ControlKind::Sheet:
        case ControlKind::Tab:
            continue;
        default:
            break;
        }
        break;
    }
    return ToQt(said);
}

// A window of its own: a dialog named by its caption, with its instruction as its description.
class WindowInterface : public QAccessibleWidget {
public:
    explicit WindowInterface(QWidget* top) : QAccessibleWidget(top, QAccessible::Dialog) {}
    QString text(QAccessible::Text t) const override {
        auto it = OwnWindows().find(widget());
        if (it != OwnWindows().end()) {
            if (t == QAccessible::Name)
                return ToQt(it->second->Caption());
            if (t == QAccessible::Description)
                return Instruction(*it->second);
        }
        return QAccessibleWidget::text(t);
    }
};

QTreeView* ListView(QObject* object) {
    auto* view = qobject_cast<QTreeView*>(object);
    Control* control = view ? input::ControlOf(view) : nullptr;
    return control && control->Kind() == ControlKind::List && control->Widget() == view ? view
                                                                                        : nullptr;
}

// A row's cell of a list box (row 0: its column's header).
class ListCellInterface : public PartInterface<QTreeView>, public QAccessibleTableCellInterface {
public:
    ListCellInterface(QTreeView* view, int row, int column)
        : PartInterface(view), row_(row), column_(column) {}

    bool isValid() const override {
        const QAbstractItemModel* m = Model();
        return m && row_ >= 0 && row_ <= m->rowCount() && column_ >= 0 &&
               column_ < m->columnCount();
    }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !isValid())
            return QString();
        const QString header = Model()->headerData(column_, Qt::Horizontal).toString();
        if (row_ == 0)
            return header;
        // A row of a table is read cell by cell: each says its column (a check box says it as
        // its state).
        const QString value = Index().data(Qt::DisplayRole).toString();
        if (IsList() || Checked() || header.isEmpty())
            return value;
        return value.isEmpty() ? header : header + QLatin1Char(' ') + value;
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return QRect();
        QRect r;
        if (row_ == 0) {
            const QHeaderView* h = owner_->header();
            if (!h->isVisible())
                return QRect();
            r = QRect(h->sectionViewportPosition(column_), 0, h->sectionSize(column_), h->height());
            return QRect(h->viewport()->mapToGlobal(r.topLeft()), r.size());
        }
        r = owner_->visualRect(Index());
        return QRect(owner_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    // A list has a header slot, as its view counts its rows, that readers pass over.
    QAccessible::Role role() const override {
        if (row_ == 0)
            return IsList() ? QAccessible::Separator : QAccessible::ColumnHeader;
        if (Checked())
            return QAccessible::CheckBox;
        return IsList() ? QAccessible::ListItem : QAccessible::Cell;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid())
            return s;
        if (!owner_->isVisible() || (row_ == 0 && (IsList() || !owner_->header()->isVisible()))) {
            s.invisible = true;
            return s;
        }
        if (row_ == 0)
            return s;
        const QModelIndex index = Index();
        s.selectable = true;
        s.focusable = true;
        s.selected = owner_->selectionModel() && owner_->selectionModel()->isSelected(index);
        s.focused = owner_->hasFocus() && owner_->currentIndex() == index;
        s.active = owner_->currentIndex() == index;
        if (std::optional<bool> checked = Checked()) {
            s.checkable = true;
            s.checked = *checked;
        }
        if (!owner_->viewport()->rect().intersects(owner_->visualRect(index)))
            s.offscreen = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableCellInterface && row_ > 0 && !IsList())
            return static_cast<QAccessibleTableCellInterface*>(this);
        return nullptr;
    }

    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QList<QAccessibleInterface*> columnHeaderCells() const override {
        QAccessibleInterface* list = parent();
        QAccessibleInterface* header = list ? list->child(column_) : nullptr;
        return header ? QList<QAccessibleInterface*>{header} : QList<QAccessibleInterface*>{};
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_ - 1; }
    bool isSelected() const override {
        return isValid() && owner_->selectionModel() &&
               owner_->selectionModel()->isSelected(Index());
    }
    QAccessibleInterface* table() const override { return parent(); }

private:
    const QAbstractItemModel* Model() const { return owner_ ? owner_->model() : nullptr; }
    QModelIndex Index() const { return Model()->index(row_ - 1, column_); }
    bool IsList() const { return Model()->columnCount() == 1; }
    std::optional<bool> Checked() const {
        const QVariant v = Index().data(Qt::CheckStateRole);
        if (!v.isValid())
            return std::nullopt;
        return v.value<Qt::CheckState>() == Qt::Checked;
    }

    int row_, column_;
};

// A list box: a list of its rows when it shows one column, a table with its column headers when
// it shows more. Its children come as its view counts them when it tells a change: a header
// slot for each column, then each row's cells.
class ListBoxInterface : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit ListBoxInterface(QTreeView* view) : QAccessibleWidget(view, QAccessible::List) {}
    ~ListBoxInterface() override {
        for (const auto& [place, id] : cells_)
            QAccessible::deleteAccessibleInterface(id);
    }

    QAccessible::Role role() const override {
        return columnCount() > 1 ? QAccessible::Table : QAccessible::List;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface && columnCount() > 1)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    // Named by its label; a list without one by its only heading, else by the tab it is on or
    // its window.
    QString text(QAccessible::Text t) const override {
        QString said = QAccessibleWidget::text(t);
        if (t != QAccessible::Name || !said.isEmpty())
            return said;
        if (columnCount() == 1)
            said = View()->model()->headerData(0, Qt::Horizontal).toString();
        Control* control = input::ControlOf(View());
        if (said.isEmpty() && control)
            if (Control* tab = control->Owner().Find(control->Parent());
                tab && tab->Kind() == ControlKind::Tab)
                said = ToQt(NameOf(tab->Text())).trimmed();
        if (said.isEmpty() && control)
            said = ToQt(Clip(control->Owner().Caption()));
        return said;
    }
    int childCount() const override { return (rowCount() + 1) * columnCount(); }
    QAccessibleInterface* child(int index) const override {
        const int columns = columnCount();
        if (columns == 0 || index < 0 || index >= childCount())
            return nullptr;
        return Cell(index / columns, index % columns);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (const auto& [place, id] : cells_)
            if (QAccessible::accessibleInterface(id) == child)
                return place.first * columnCount() + place.second;
        return -1;
    }
    QAccessibleInterface* focusChild() const override {
        const QModelIndex current = View()->currentIndex();
        if (!View()->hasFocus() || !current.isValid())
            return nullptr;
        return Cell(current.row() + 1, current.column());
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QModelIndex at = View()->indexAt(View()->viewport()->mapFromGlobal(QPoint(x, y)));
        return at.isValid() ? Cell(at.row() + 1, at.column()) : nullptr;
    }

    // QAccessibleTableInterface: rows and columns from 0.
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
            return nullptr;
        return Cell(row + 1, column);
    }
    int selectedCellCount() const override { return selectedRowCount() * columnCount(); }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> cells;
        for (int row : selectedRows())
            for (int column = 0; column < columnCount(); ++column)
                cells.push_back(Cell(row + 1, column));
        return cells;
    }
    QString columnDescription(int column) const override {
        return View()->model()->headerData(column, Qt::Horizontal).toString();
    }
    QString rowDescription(int) const override { return QString(); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return static_cast<int>(selectedRows().size()); }
    int columnCount() const override {
        return View()->model() ? View()->model()->columnCount() : 0;
    }
    int rowCount() const override { return View()->model() ? View()->model()->rowCount() : 0; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override {
        QList<int> rows;
        if (QItemSelectionModel* s = View()->selectionModel())
            for (const QModelIndex& index : s->selectedRows())
                rows.push_back(index.row());
        return rows;
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override { return selectedRows().contains(row); }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

private:
    QTreeView* View() const { return static_cast<QTreeView*>(widget()); }
    // The interface of a cell, made when first asked for; it reads its row as it is then.
    QAccessibleInterface* Cell(int row, int column) const {
        return KnownCell(cells_, row, column,
                         [&] { return new ListCellInterface(View(), row, column); });
    }

    mutable std::map<std::pair<int, int>, QAccessible::Id> cells_;
};

const char* const kAnnouncer = "platformAnnouncer";

// What a window tells a screen reader at once: a notification, read when it shows.
class AnnouncerInterface : public QAccessibleWidget {
public:
    explicit AnnouncerInterface(QWidget* label)
        : QAccessibleWidget(label, QAccessible::Notification) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return static_cast<QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

// The interfaces of windows of their own, of list boxes and of announcers.
QAccessibleInterface* WindowOrListInterface(QObject* object) {
    auto* widget = static_cast<QWidget*>(object);
    if (object->property(kAnnouncer).isValid())
        return new AnnouncerInterface(widget);
    if (OwnWindows().count(object) && widget->isWindow())
        return new WindowInterface(widget);
    if (QTreeView* view = ListView(object))
        return new ListBoxInterface(view);
    return nullptr;
}

QAccessibleInterface* Factory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (QAccessibleInterface* made = WindowOrListInterface(object))
        return made;
    if (auto* bar = qobject_cast<QTabBar*>(object))
        return new TabBarInterface(bar);
    if (Tables().count(object))
        return new TableInterface(widget);
    if (IsHeader(object))
        return new HeaderInterface(widget);
    return nullptr;
}

// What assistive technology is told is what a user can perceive: nothing of a control that is
// hidden (an in-place editor waiting for its cell, the controls of a tab not shown, a list
// refilled while nobody sees it), and a tab switch reads as its tabs and pages change, not as
// every control of both tabs coming and going.
int g_pageSwitches = 0;
QAccessible::UpdateHandler g_platformHandler = nullptr;
std::set<const Window*>& WindowsSettingUp() {
    static std::set<const Window*> windows;
    return windows;
}

bool SettingUp(QWidget* widget) {
    if (WindowsSettingUp().empty())
        return false;
    const Window* window = input::WindowContaining(widget);
    return window && WindowsSettingUp().count(window) != 0;
}

// The widget an event is about: its object's, or for an object that is no widget's (a cell),
// the widget it stands in.
QWidget* WidgetOf(QAccessibleInterface* iface) {
    for (int depth = 0; iface && depth < 16; ++depth, iface = iface->parent()) {
        if (QObject* object = iface->object())
            return object->isWidgetType() ? static_cast<QWidget*>(object) : nullptr;
    }
    return nullptr;
}

bool Perceivable(QAccessibleEvent* event) {
    switch (event->type()) {
    case QAccessible::ObjectCreated:
    case QAccessible::ObjectDestroyed:
        return true; // bookkeeping of the bridge, never a word
    default:
        break;
    }
    QAccessibleInterface* iface = event->accessibleInterface();
    if (!iface || !iface->isValid())
        return false;
    QWidget* widget = WidgetOf(iface);
    if (!widget)
        return true; // a top-level window's own
    QWidget* parent = widget->parentWidget();
    // A sheet's page, or a window: these tell a tab switch or a window coming.
    const bool page = widget->isWindow() || qobject_cast<QStackedWidget*>(parent) != nullptr;
    // A control that shows because its window is coming (its window not yet on the screen),
    // or while its window is set up, is told by the window coming.
    const QWindow* shown = widget->window()->windowHandle();
    const bool settingUp =
        !widget->isWindow() && (!shown || !shown->isVisible() || SettingUp(widget));
    switch (event->type()) {
    case QAccessible::ObjectShow:
        // A table's headers are its own cells, shown and hidden with it.
        if (IsHeader(widget))
            return false;
        // A control that comes with its tab: the page's own showing tells it.
        return !settingUp && (g_pageSwitches == 0 || page);
    case QAccessible::ObjectHide:
        // A popup menu that closes is gone before anyone could ask about it (the focus coming
        // back tells it); a table's headers go with the table.
        if (IsHeader(widget) || widget->windowType() == Qt::Popup)
            return false;
        // Hidden by itself on a shown window; not one that goes with its tab or its window.
        return !settingUp && (page || (g_pageSwitches == 0 && parent && parent->isVisible()));
    case QAccessible::TextCaretMoved:
    case QAccessible::TextSelectionChanged: {
        // Only the control with the keyboard shows its caret: an editor that is filled before
        // it takes the focus says nothing of its caret, so a screen reader hears it come first.
        const QWidget* focus = QApplication::focusWidget();
        return widget->isVisible() && focus &&
               (focus == widget || widget->isAncestorOf(focus) || focus->isAncestorOf(widget));
    }
    default:
        return widget->isVisible();
    }
}

// Hands an event on to the platform's bridge. A table model change must reach the table's own
// bookkeeping once: Qt does that before it calls the handler, so a second pass through Qt's
// update would do it again; only a change whose bookkeeping done twice is the same goes on.
void Forward(QAccessibleEvent* event) {
    if (g_platformHandler) {
        g_platformHandler(event);
        return;
    }
    if (event->type() == QAccessible::TableModelChanged) {
        const auto change =
            static_cast<QAccessibleTableModelChangeEvent*>(event)->modelChangeType();
        if (change != QAccessibleTableModelChangeEvent::ModelReset &&
            change != QAccessibleTableModelChangeEvent::DataChanged)
            return;
    }
    QAccessible::UpdateHandler ours = QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(ours);
}

// Controls shown or hidden since the event loop last ran: a window or a group that comes or
// goes is told once, not once for each control inside it.
struct Showing {
    QPointer<QWidget> widget;
    bool shown = false;
};
std::vector<Showing>& PendingShowing() {
    static std::vector<Showing> pending;
    return pending;
}

void TellShowing() {
    std::vector<Showing> pending = std::move(PendingShowing());
    PendingShowing().clear();
    std::set<const QWidget*> shown, hidden;
    for (const Showing& s : pending)
        if (s.widget)
            (s.shown ? shown : hidden).insert(s.widget);
    std::set<const QWidget*> told;
    for (const Showing& s : pending) {
        QWidget* w = s.widget;
        // Gone, changed back, told already, or a table's header (which may have become one
        // since it was shown).
        if (!w || w->isVisible() != s.shown || told.count(w) || IsHeader(w))
            continue;
        const std::set<const QWidget*>& same = s.shown ? shown : hidden;
        bool within = false;
        for (const QWidget* p = w->parentWidget(); p && !within; p = p->parentWidget())
            within = same.count(p) != 0;
        if (within)
            continue;
        told.insert(w);
        QAccessibleEvent event(w, s.shown ? QAccessible::ObjectShow : QAccessible::ObjectHide);
        Forward(&event);
    }
}

void Filter(QAccessibleEvent* event) {
    if (!Perceivable(event))
        return;
    const QAccessible::Event type = event->type();
    if (type == QAccessible::ObjectShow || type == QAccessible::ObjectHide) {
        if (QWidget* w = WidgetOf(event->accessibleInterface()); w && !w->isWindow()) {
            if (PendingShowing().empty())
                QTimer::singleShot(0, qApp, &TellShowing);
            PendingShowing().push_back(Showing{w, type == QAccessible::ObjectShow});
            return;
        }
    }
    Forward(event);
}

} // namespace

namespace {

void Tell(QAccessibleEvent* event);

// A program started from another one may show its window before the screen reader knows the
// program: the window's activation is then told to nobody. Once assistive technology is on,
// the window that has the keyboard and its focus are told again (after a moment, in which the
// screen reader learns of the program), so that the window is read when it opens.
class ActivationRetold : public QAccessible::ActivationObserver {
public:
    void accessibilityActiveChanged(bool active) override {
        if (active)
            QTimer::singleShot(kSettle, qApp, [] { RetellActiveWindow(); });
    }

private:
    static constexpr int kSettle = 500; // milliseconds
    static void RetellActiveWindow() {
        QWidget* window = QApplication::activeWindow();
        if (!window || !QAccessible::isActive())
            return;
        QAccessible::State active;
        active.active = true;
        QAccessibleStateChangeEvent activation(window, active);
        Tell(&activation);
        if (QWidget* focus = QApplication::focusWidget()) {
            QAccessibleEvent focused(focus, QAccessible::Focus);
            Tell(&focused);
        }
    }
};

} // namespace

void InstallAccessibleInterfaces() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(Factory);
    g_platformHandler = QAccessible::installUpdateHandler(Filter);
    static ActivationRetold retold;
    QAccessible::installActivationObserver(&retold);
    if (QAccessible::isActive())
        retold.accessibilityActiveChanged(true);
}

void WindowSettingUp(Window& window, bool settingUp) {
    if (settingUp)
        WindowsSettingUp().insert(&window);
    else
        WindowsSettingUp().erase(&window);
}

PageSwitch::PageSwitch() {
    ++g_pageSwitches;
}

PageSwitch::~PageSwitch() {
    --g_pageSwitches;
}

namespace {

AccessibleEventListener g_listener = nullptr;

// Hands an event to assistive technology, when one listens.
void Tell(QAccessibleEvent* event) {
    if (g_listener)
        g_listener(event);
    if (QAccessible::isActive())
        QAccessible::updateAccessibility(event);
}

// Drops the interface Qt keeps for a widget, so that the next query makes it anew (a table's
// once it is exposed or no longer).
void Renew(QWidget* widget) {
    if (QAccessible::Id id = QAccessible::uniqueId(QAccessible::queryAccessibleInterface(widget)))
        QAccessible::deleteAccessibleInterface(id);
}

} // namespace

void ExposeAsTable(Control& control, const AccessibleTable& table,
                   const std::vector<int>& headerControls) {
    QWidget* widget = control.Widget();
    if (!widget)
        return;
    InstallAccessibleInterfaces();
    Exposed exposed;
    exposed.table = &table;
    for (int number : headerControls)
        if (Control* header = control.Owner().Find(number); header && header->Widget())
            exposed.headers.emplace_back(header->Widget());
    const bool known = Tables().count(widget) != 0;
    Tables()[widget] = std::move(exposed);
    if (!known)
        QObject::connect(widget, &QObject::destroyed, [widget] { Tables().erase(widget); });
    Renew(widget);
    for (const QPointer<QWidget>& h : Tables()[widget].headers)
        Renew(h);
}

void Unexpose(Control& control) {
    QWidget* widget = control.Widget();
    if (!widget)
        return;
    auto it = Tables().find(widget);
    if (it == Tables().end())
        return;
    std::vector<QPointer<QWidget>> headers = std::move(it->second.headers);
    Tables().erase(it);
    Renew(widget);
    for (const QPointer<QWidget>& h : headers)
        if (h)
            Renew(h);
}

void AnnounceTableChange(Control& control, TableChange change, int row, int column) {
    QWidget* widget = control.Widget();
    auto it = widget ? Tables().find(widget) : Tables().end();
    if (it == Tables().end())
        return;
    // Nobody listens: nothing to tell (the cells read the table as it is when asked).
    if (!QAccessible::isActive() && !g_listener)
        return;
    Exposed& exposed = it->second;
    const AccessibleTable& table = *exposed.table;
    auto* t = dynamic_cast<TableInterface*>(QAccessible::queryAccessibleInterface(widget));
    if (!t)
        return;
    switch (change) {
    case TableChange::Rows: {
        t->Trim(); // the cells of rows that went are gone
        QAccessibleTableModelChangeEvent event(t, QAccessibleTableModelChangeEvent::ModelReset);
        Tell(&event);
        exposed.row = exposed.column = 0;
        break;
    }
    case TableChange::CellText: {
        QAccessibleInterface* cell = t->cellAt(row - 1, column - 1);
        if (!cell)
            break;
        if (table.CellChecked(row, column)) {
            QAccessible::State changed;
            changed.checked = true;
            QAccessibleStateChangeEvent event(cell, changed);
            Tell(&event);
        } else {
            QAccessibleEvent event(cell, QAccessible::NameChanged);
            Tell(&event);
        }
        break;
    }
    case TableChange::Selection: {
        const int selectedRow = table.SelectedRow(), selectedColumn = table.SelectedColumn();
        const bool focused = widget->hasFocus();
        if (selectedRow == exposed.row && selectedColumn == exposed.column &&
            focused == exposed.focused)
            break;
        exposed.row = selectedRow;
        exposed.column = selectedColumn;
        exposed.focused = focused;
        QAccessibleInterface* cell = t->cellAt(selectedRow - 1, selectedColumn - 1);
        if (!cell)
            break;
        QAccessibleEvent selection(cell, QAccessible::Selection);
        Tell(&selection);
        if (focused) {
            QAccessibleEvent focus(cell, QAccessible::Focus);
            Tell(&focus);
        }
        break;
    }
    }
}

namespace {

// A list that takes the keyboard tells its current row as the focus, as it does when the row
// changes, so that the row is read with the list (the view tells only the list itself).
class ListFocusTeller : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn)
            if (auto* view = qobject_cast<QTreeView*>(watched)) {
                QPointer<QTreeView> alive(view);
                QTimer::singleShot(0, view, [alive] {
                    if (!alive || !alive->hasFocus() || !alive->model() ||
                        !alive->currentIndex().isValid() ||
                        (!QAccessible::isActive() && !g_listener))
                        return;
                    const QModelIndex current = alive->currentIndex();
                    QAccessibleEvent focus(alive.data(), QAccessible::Focus);
                    focus.setChild((current.row() + 1) * alive->model()->columnCount() +
                                   current.column());
                    Tell(&focus);
                });
            }
        return false;
    }
};

const char* const kCheckedRow = "platformCheckedRow";

// The check boxes of a list's current row, as bits by column.
unsigned CheckedColumns(const QTreeView* view, int row) {
    unsigned bits = 0;
    for (int column = 0; column < view->model()->columnCount() && column < 32; ++column)
        if (view->model()->index(row, column).data(Qt::CheckStateRole).value<Qt::CheckState>() ==
            Qt::Checked)
            bits |= 1u << column;
    return bits;
}

// A check box of the current row that the program turned (the list shows its rows again) is
// told as the state change it is, as a check box the user presses.
void TellTurnedChecks(QTreeView* view) {
    if (!view->model() || !view->currentIndex().isValid())
        return;
    const int row = view->currentIndex().row();
    const unsigned now = CheckedColumns(view, row);
    const QVariant was = view->property(kCheckedRow);
    view->setProperty(kCheckedRow, QPoint(row, static_cast<int>(now)));
    if (!was.isValid() || was.toPoint().x() != row ||
        static_cast<unsigned>(was.toPoint().y()) == now || !view->hasFocus() ||
        (!QAccessible::isActive() && !g_listener))
        return;
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view);
    const int columns = view->model()->columnCount();
    for (int column = 0; column < columns && column < 32; ++column)
        if (((now ^ static_cast<unsigned>(was.toPoint().y())) >> column) & 1u)
            if (QAccessibleInterface* cell =
                    list ? list->child((row + 1) * columns + column) : nullptr) {
                QAccessible::State changed;
                changed.checked = true;
                QAccessibleStateChangeEvent event(cell, changed);
                Tell(&event);
            }
}

void WatchChecks(QTreeView* view) {
    if (!view->model() || view->property(kCheckedRow).isValid())
        return;
    view->setProperty(kCheckedRow, QPoint(-1, 0));
    QPointer<QTreeView> alive(view);
    auto later = [alive] {
        QTimer::singleShot(0, alive.data(), [alive] {
            if (alive)
                TellTurnedChecks(alive.data());
        });
    };
    QObject::connect(view->model(), &QAbstractItemModel::modelReset, view, later);
    QObject::connect(view->model(), &QAbstractItemModel::dataChanged, view, later);
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentChanged, view, later);
}

} // namespace

void WindowOpened(Window& window) {
    QWidget* top = window.Widget();
    // An application frame reads as the frame it is.
    if (top && top->isWindow() && !qobject_cast<QMainWindow*>(top) && !OwnWindows().count(top)) {
        OwnWindows()[top] = &window;
        QObject::connect(top, &QObject::destroyed, [top] { OwnWindows().erase(top); });
        Renew(top);
    }
    static ListFocusTeller* teller = [] {
        auto* made = new ListFocusTeller;
        made->setParent(qApp); // lives as long as the application
        return made;
    }();
    for (Control* c : window.Controls())
        if (c->Kind() == ControlKind::List && c->Widget()) {
            Renew(c->Widget());
            c->Widget()->installEventFilter(teller);
            if (auto* view = qobject_cast<QTreeView*>(c->Widget()))
                WatchChecks(view);
        }
}

void Announce(Window& window, const std::string& text) {
    QWidget* client = window.ClientWidget();
    if (!client)
        return;
    auto* label =
        client->findChild<QLabel*>(QString::fromLatin1(kAnnouncer), Qt::FindDirectChildrenOnly);
    if (!label) {
        label = new QLabel(client);
        label->setObjectName(QString::fromLatin1(kAnnouncer));
        label->setProperty(kAnnouncer, true);
        label->setTextFormat(Qt::PlainText);
        label->setGeometry(0, 0, 0, 0); // nothing on the screen: it only speaks
        label->lower();
        Renew(label);
    }
    label->hide();
    label->setText(ToQt(text));
    if (g_listener || QAccessible::isActive()) {
        QAccessibleEvent changed(label, QAccessible::NameChanged);
        Tell(&changed);
    }
    label->show();
}

void ListenToAccessibleEvents(AccessibleEventListener listener) {
    g_listener = listener;
}

namespace {

const char* const kNameLabelOf = "platformNameLabelOf";

// A drop list or combo reads its value as its name on this platform, and is named by the label
// it is labelled by: a combo without a label of its own (an editor over a list's cell) gets one
// that is never shown.
void NameByLabel(QComboBox* combo, const QString& name) {
    QWidget* parent = combo->parentWidget();
    if (!parent)
        return;
    QLabel* label = nullptr;
    for (QLabel* l : parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (l->property(kNameLabelOf).value<QPointer<QWidget>>() == combo)
            label = l;
    if (!label) {
        label = new QLabel(parent);
        label->setProperty(kNameLabelOf, QVariant::fromValue(QPointer<QWidget>(combo)));
        label->setTextFormat(Qt::PlainText);
        label->hide();
        label->setBuddy(combo);
    }
    label->setText(name);
}

} // namespace

void SetAccessibleName(Control& control, const std::string& name) {
    QWidget* w = control.Widget();
    if (!w)
        return;
    w->setAccessibleName(ToQt(name));
    if (auto* combo = qobject_cast<QComboBox*>(w))
        NameByLabel(combo, ToQt(name));
}

std::string AccessibleName(Control& control) {
    QWidget* w = control.Widget();
    if (!w)
        return std::string();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (!iface)
        return std::string();
    // A combo by its label, as a screen reader names it.
    if (qobject_cast<QComboBox*>(w))
        for (const auto& [label, relation] : iface->relations(QAccessible::Label))
            if (label && !label->text(QAccessible::Name).isEmpty())
                return FromQt(label->text(QAccessible::Name));
    return FromQt(iface->text(QAccessible::Name));
}

namespace {

bool Labelled(ControlKind kind) {
    switch (kind) {
    case ControlKind::Entry:
    case ControlKind::Text:
    case ControlKind::Spin:
    case ControlKind::DropList:
    case ControlKind::DropCombo:
    case ControlKind::List:
        return true;
    default:
        return false;
    }
}

// A label's text as a name: without the access key's "&" ("&&" stands for one "&").
std::string NameOf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return Clip(out);
}

const char* const kLabelOf = "platformLabelOf";

// How well a prompt's place labels a control (lower is better); nothing when it does not: it
// must end just left of the control on its line, or stand just above it.
std::optional<int> Fit(const ControlDef& prompt, const ControlDef& control) {
    const int slack = 6;
    const int promptRight = prompt.x + prompt.width;
    if (std::abs(prompt.y - control.y) <= 4 && promptRight <= control.x + slack &&
        control.x - promptRight <= 60)
        return std::abs(control.x - promptRight);
    const int promptBottom = prompt.y + prompt.height;
    if (promptBottom <= control.y + 2 && control.y - promptBottom <= 6 &&
        std::abs(prompt.x - control.x) <= slack)
        return 100 + (control.y - promptBottom);
    return std::nullopt;
}

} // namespace

namespace {

const char* const kHintOf = "platformHintOf";

// A hint in brackets just right of a field on its line ("(default = 9)"): the field's
// description.
void TieHints(Window& window) {
    std::vector<Control*> order = window.Controls();
    for (Control* hint : order) {
        const std::string text = Clip(hint->Text());
        if (hint->Kind() != ControlKind::Prompt ||
            text.find_first_not_of(' ') == std::string::npos ||
            text[text.find_first_not_of(' ')] != '(' || !hint->Widget())
            continue;
        const ControlDef& h = hint->Definition();
        Control* field = nullptr;
        int nearest = 0;
        for (Control* c : order) {
            const ControlDef& d = c->Definition();
            const int gap = h.x - (d.x + d.width);
            if (!Labelled(c->Kind()) || !c->Widget() || c->Parent() != hint->Parent() ||
                std::abs(h.y - d.y) > 4 || gap < -2 || gap > 12 || (field && gap >= nearest))
                continue;
            field = c;
            nearest = gap;
        }
        if (!field)
            continue;
        field->Widget()->setAccessibleDescription(ToQt(NameOf(text)).trimmed());
        hint->Widget()->setProperty(kHintOf,
                                    QVariant::fromValue(QPointer<QWidget>(field->Widget())));
    }
}

} // namespace

void TieLabels(Window& window) {
    TieHints(window);
    std::vector<Control*> order = window.Controls();
    for (std::size_t i = 0; i < order.size(); ++i) {
        Control& c = *order[i];
        if (!Labelled(c.Kind()) || !c.Widget() || !c.Widget()->accessibleName().isEmpty())
            continue;
        Control* label = nullptr;
        if (i > 0 && order[i - 1]->Kind() == ControlKind::Prompt &&
            order[i - 1]->Definition().text.find('&') != std::string::npos)
            label = order[i - 1];
        if (!label) {
            std::optional<int> best;
            for (Control* p : order) {
                if (p->Kind() != ControlKind::Prompt || p->Parent() != c.Parent())
                    continue;
                std::optional<int> fit = Fit(p->Definition(), c.Definition());
                if (fit && (!best || *fit < *best)) {
                    best = fit;
                    label = p;
                }
            }
        }
        if (!label || !label->Widget())
            continue;
        c.Widget()->setAccessibleName(ToQt(NameOf(label->Text())));
        if (auto* qlabel = qobject_cast<QLabel*>(label->Widget())) {
            qlabel->setProperty(kLabelOf, QVariant::fromValue(QPointer<QWidget>(c.Widget())));
            if (!qlabel->buddy())
                qlabel->setBuddy(c.Widget());
        }
    }
}

void LabelTextChanged(QWidget* label, const std::string& text) {
    if (QVariant hint = label ? label->property(kHintOf) : QVariant(); hint.isValid())
        if (QWidget* field = hint.value<QPointer<QWidget>>())
            field->setAccessibleDescription(ToQt(NameOf(text)).trimmed());
    QVariant v = label ? label->property(kLabelOf) : QVariant();
    if (!v.isValid())
        return;
    if (QWidget* target = v.value<QPointer<QWidget>>())
        target->setAccessibleName(ToQt(NameOf(text)));
}

} // namespace platform
