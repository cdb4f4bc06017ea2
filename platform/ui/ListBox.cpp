#include "platform/ui/ListBox.h"

#include "platform/runtime/Runtime.h"
#include "platform/text/Text.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Keys.h"
#include "platform/ui/Qt.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <algorithm>
#include <optional>

namespace platform {

namespace {

class SourceModel : public QAbstractTableModel {
public:
    explicit SourceModel(ListBox& list) : list_(list) {}
    const ListSource* source = nullptr;
    std::vector<ListColumn> columns;
    std::map<int, std::string> icons;

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() || !source ? 0 : source->Count();
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(std::max<std::size_t>(1, columns.size()));
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!source || !index.isValid())
            return QVariant();
        int column = index.column() + 1;
        const ListColumn* c = column <= static_cast<int>(columns.size())
                                  ? &columns[static_cast<std::size_t>(column - 1)]
                                  : nullptr;
        switch (role) {
        case Qt::DisplayRole:
            return ToQt(list_.CellText(index.row() + 1, column));
        case Qt::TextAlignmentRole: {
            int align = c ? c->align : 0;
            Qt::Alignment h = align == 1   ? Qt::AlignRight
                              : align == 2 ? Qt::AlignHCenter
                                           : Qt::AlignLeft;
            return QVariant::fromValue(h | Qt::AlignVCenter);
        }
        case Qt::DecorationRole: {
            if (!c || c->iconField == 0)
                return QVariant();
            int n = static_cast<int>(ToLong(source->Cell(index.row() + 1, c->iconField)));
            auto it = icons.find(n);
            return it == icons.end() ? QVariant() : QVariant(PlatformIcon(it->second));
        }
        case Qt::CheckStateRole: {
            // A check box icon tells assistive technology the cell's checked state.
            std::optional<bool> ticked = Ticked(index);
            return ticked ? QVariant(*ticked ? Qt::Checked : Qt::Unchecked) : QVariant();
        }
        default:
            return QVariant();
        }
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags f = QAbstractTableModel::flags(index);
        if (Ticked(index))
            f |= Qt::ItemIsUserCheckable;
        return f;
    }
    // Whether a cell shows a ticked or an empty check box icon; nothing for other cells.
    std::optional<bool> Ticked(const QModelIndex& index) const {
        const std::size_t column = static_cast<std::size_t>(index.column());
        if (!source || !index.isValid() || column >= columns.size() ||
            columns[column].iconField == 0)
            return std::nullopt;
        int n = static_cast<int>(ToLong(source->Cell(index.row() + 1, columns[column].iconField)));
        auto it = icons.find(n);
        if (it == icons.end())
            return std::nullopt;
        const std::string icon = Lower(Clip(it->second));
        if (icon == "~boxon.ico")
            return true;
        if (icon == "~boxoff.ico")
            return false;
        return std::nullopt;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole ||
            section >= static_cast<int>(columns.size()))
            return QVariant();
        return ToQt(columns[static_cast<std::size_t>(section)].heading);
    }
    void Reset() {
        beginResetModel();
        endResetModel();
    }

private:
    ListBox& list_;
};

// Row height, indent and the right border of each column.
class CellDelegate : public QStyledItemDelegate {
public:
    CellDelegate(SourceModel& model, QObject* parent)
        : QStyledItemDelegate(parent), model_(model) {}
    int rowHeight = 0;
    std::vector<int> indents; // pixels, per column

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem o = option;
        std::size_t c = static_cast<std::size_t>(index.column());
        if (c < indents.size())
            o.rect.adjust(indents[c], 0, 0, 0);
        QStyledItemDelegate::paint(painter, o, index);
        if (c < model_.columns.size() && model_.columns[c].rightBorder) {
            painter->save();
            painter->setPen(option.palette.color(QPalette::Mid));
            painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
            painter->restore();
        }
    }
    // The check box icon shows the checked state; the cell draws no check box of its own.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->features &= ~QStyleOptionViewItem::HasCheckIndicator;
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (rowHeight > 0)
            size.setHeight(rowHeight);
        return size;
    }

private:
    SourceModel& model_;
};

} // namespace

class ListView : public QTreeView {
public:
    ListView(ListBox& list, QWidget* parent) : QTreeView(parent), list_(list) {}

protected:
    void mousePressEvent(QMouseEvent* event) override {
        Record(event->position().toPoint());
        if (event->button() == Qt::LeftButton && list_.Alert(MOUSE_Left))
            return;
        // A click below the last row chooses nothing: the selected row stays, and shown.
        if (!indexAt(event->position().toPoint()).isValid()) {
            event->accept();
            return;
        }
        bool user = true;
        std::swap(user, pressing_);
        QTreeView::mousePressEvent(event);
        std::swap(user, pressing_);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        bool user = true;
        std::swap(user, pressing_);
        QTreeView::mouseMoveEvent(event);
        std::swap(user, pressing_);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        Record(event->position().toPoint());
        if (event->button() == Qt::LeftButton && list_.Alert(MOUSE_Left2))
            return;
        QTreeView::mouseDoubleClickEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::RightButton && list_.Alert(MOUSE_RightUp))
            return;
        QTreeView::mouseReleaseEvent(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        // Left and Right walk the current column rather than scrolling.
        int columns = list_.ColumnCount();
        if (event->modifiers() == Qt::NoModifier &&
            (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) && columns > 0) {
            int c = list_.CurrentColumn();
            c = event->key() == Qt::Key_Left ? std::max(1, c - 1) : std::min(columns, c + 1);
            list_.SetCurrentColumn(c);
            return;
        }
        bool user = true;
        std::swap(user, pressing_);
        QTreeView::keyPressEvent(event);
        std::swap(user, pressing_);
    }
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
        QTreeView::currentChanged(current, previous);
        if (pressing_ && current.row() != previous.row())
            list_.UserChoseRow();
    }

private:
    void Record(QPoint at) {
        QModelIndex index = indexAt(at);
        if (!index.isValid()) {
            list_.MouseDown(0, columnAt(at.x()) + 1, LISTZONE_Nowhere);
            return;
        }
        int zone = LISTZONE_Field;
        if (!index.data(Qt::DecorationRole).isNull()) {
            QRect cell = visualRect(index);
            int indent = 0;
            if (auto* d = dynamic_cast<CellDelegate*>(itemDelegate());
                d && static_cast<std::size_t>(index.column()) < d->indents.size())
                indent = d->indents[static_cast<std::size_t>(index.column())];
            int iconEnd = cell.left() + indent + iconSize().width() + 6;
            if (at.x() < iconEnd)
                zone = LISTZONE_Icon;
        }
        list_.MouseDown(index.row() + 1, index.column() + 1, zone);
    }

    ListBox& list_;
    bool pressing_ = false; // the current row changes because of the user's key or click
};

struct ListBox::Private {
    QPointer<ListView> view; // the model and the delegate go with it
    SourceModel* model = nullptr;
    CellDelegate* delegate = nullptr;
};

ListBox::ListBox(Control& control) : ControlWidget(control), p_(std::make_unique<Private>()) {}

QWidget* ListBox::Build(QWidget* client) {
    auto* view = new ListView(*this, client);
    p_->view = view;
    p_->model = new SourceModel(*this);
    p_->model->setParent(view);
    p_->delegate = new CellDelegate(*p_->model, view);
    view->setModel(p_->model);
    view->setItemDelegate(p_->delegate);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->header()->setStretchLastSection(false);
    view->header()->setSectionsMovable(false);
    QObject::connect(view->header(), &QHeaderView::sectionPressed, view,
                     [this](int section) { MouseDown(0, section + 1, LISTZONE_Header); });
    // Open editors stay over their cells when the list scrolls or a column is resized.
    QObject::connect(view->verticalScrollBar(), &QScrollBar::valueChanged, view,
                     [this](int) { PlaceEditors(); });
    QObject::connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, view,
                     [this](int) { PlaceEditors(); });
    QObject::connect(view->header(), &QHeaderView::sectionResized, view,
                     [this](int, int, int) { PlaceEditors(); });
    SetColumns(Def().columns);
    if (LinePixels() > 0)
        SetRowHeight(LinePixels());
    Reload();
    return view;
}

ListBox::~ListBox() = default;

QWidget* ListBox::View() const {
    return p_->view;
}

ListBox* ListBox::Of(Control& control) {
    auto* list = dynamic_cast<ListBox*>(control.WidgetSide());
    return list && list->View() ? list : nullptr;
}

void ListBox::SetColumns(const std::vector<ListColumn>& columns) {
    if (!p_->view)
        return;

    Window& window = Owner();
    p_->model->columns = columns;
    p_->delegate->indents.clear();
    for (const ListColumn& c : columns)
        p_->delegate->indents.push_back(window.ToPixelsX(c.indent));
    p_->model->Reset();
    QHeaderView* header = p_->view->header();
    header->setVisible(std::any_of(columns.begin(), columns.end(),
                                   [](const ListColumn& c) { return !c.heading.empty(); }));
    for (std::size_t i = 0; i < columns.size(); ++i) {
        int section = static_cast<int>(i);
        header->setSectionResizeMode(section, columns[i].resizable ? QHeaderView::Interactive
                                                                   : QHeaderView::Fixed);
        if (columns[i].width > 0)
            header->resizeSection(section, window.ToPixelsX(columns[i].width));
    }
}

int ListBox::ColumnCount() const {
    if (!p_->view)
        return 0;

    return static_cast<int>(p_->model->columns.size());
}

void ListBox::SetIcon(int number, const std::string& icon) {
    if (!p_->view)
        return;

    p_->model->icons[number] = icon;
    p_->view->viewport()->update();
}

std::string ListBox::Icon(int number) const {
    if (!p_->view)
        return std::string();

    auto it = p_->model->icons.find(number);
    return it == p_->model->icons.end() ? std::string() : it->second;
}

void ListBox::SetRowHeight(int pixels) {
    if (!p_->view)
        return;

    p_->delegate->rowHeight = pixels;
    p_->view->setIconSize(
        QSize(std::min(16, std::max(8, pixels - 2)), std::min(16, std::max(8, pixels - 2))));
    p_->model->Reset();
    Select(Selected());
}

int ListBox::Count() const {
    if (!p_->view)
        return 0;

    return p_->model->source ? p_->model->source->Count() : 0;
}

int ListBox::Selected() const {
    if (!p_->view)
        return 0;

    QModelIndex current = p_->view->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void ListBox::Select(int row) {
    if (!p_->view)
        return;

    if (row < 1 || row > Count())
        return;
    QModelIndex index = p_->model->index(row - 1, 0);
    p_->view->setCurrentIndex(index);
    p_->view->scrollTo(index);
}

void ListBox::SetCurrentColumn(int column) {
    currentColumn_ = std::clamp(column, 0, ColumnCount());
}

void ListBox::PlaceEditor(int column, int control) {
    if (!p_->view)
        return;
    // The edited cell comes into view.
    if (int row = Selected(); row > 0)
        p_->view->scrollTo(p_->model->index(row - 1, column - 1));
    PositionEditor(column, control);
}

void ListBox::PositionEditor(int column, int control) {
    if (!p_->view)
        return;

    Window& window = Owner();
    Control* editor = window.Find(control);
    int row = Selected();
    if (!editor || !editor->Widget() || row == 0)
        return;
    QRect cell = CellRect(row, column);
    if (auto* combo = qobject_cast<QComboBox*>(editor->Widget())) {
        // The drop arrow comes beside the cell's width, not out of it: a value that the cell
        // shows whole shows whole in its editor.
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        option.rect = QRect(QPoint(0, 0), cell.size());
        QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                     QStyle::SC_ComboBoxEditField, combo);
        cell.setWidth(cell.width() + (cell.width() - field.width()));
    }
    // The editor covers what of the cell the list shows, so that what is typed stays in sight
    // (the editor's own text scrolls).
    QWidget* viewport = p_->view->viewport();
    cell &= QRect(viewport->mapTo(window.ClientWidget(), QPoint(0, 0)), viewport->size());
    {
        UnitScope pixels(window, true);
        editor->SetPosition(cell.x(), cell.y(), std::max(0, cell.width()),
                            std::max(0, cell.height()));
    }
    editors_[column] = control;
    editor->Unhide();
    editor->Widget()->raise();
}

void ListBox::ClearEditor(int column) {
    auto it = editors_.find(column);
    if (it == editors_.end())
        return;
    if (Control* editor = Owner().Find(it->second))
        editor->Hide();
    editors_.erase(it);
}

void ListBox::PlaceEditors() {
    auto editors = editors_;
    for (auto [column, control] : editors)
        PositionEditor(column, control);
}

int ListBox::EditorOf(int column) const {
    auto it = editors_.find(column);
    return it == editors_.end() ? 0 : it->second;
}

void ListBox::Reload() {
    if (!p_->view)
        return;

    int row = Selected();
    p_->model->source = control_.Source();
    p_->model->Reset();
    int count = Count();
    if (count > 0)
        Select(std::clamp(row, 1, count));
}

std::string ListBox::CellText(int row, int column) const {
    if (!p_->view)
        return std::string();

    const ListSource* source = p_->model->source;
    if (!source || row < 1 || row > source->Count())
        return std::string();
    const auto& columns = p_->model->columns;
    int field = column;
    int max = 0;
    if (column >= 1 && column <= static_cast<int>(columns.size())) {
        field = columns[static_cast<std::size_t>(column - 1)].field;
        max = columns[static_cast<std::size_t>(column - 1)].maxChars;
    }
    std::string text = source->Cell(row, field);
    if (max > 0 && text.size() > static_cast<std::size_t>(max))
        text.resize(static_cast<std::size_t>(max));
    return Clip(text);
}

QRect ListBox::CellRect(int row, int column) const {
    if (!p_->view)
        return QRect();

    QRect cell = p_->view->visualRect(p_->model->index(row - 1, column - 1));
    QPoint at = p_->view->viewport()->mapTo(Owner().ClientWidget(), cell.topLeft());
    return QRect(at, cell.size());
}

void ListBox::MouseDown(int row, int column, int zone) {
    downRow_ = row;
    downZone_ = zone;
    if (zone != LISTZONE_Header && column > 0)
        SetCurrentColumn(column);
}

void ListBox::UserChoseRow() {
    Owner().PostInputEvent(EVENT_NewSelection, control_.Number());
}

} // namespace platform
