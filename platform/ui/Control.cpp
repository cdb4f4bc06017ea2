#include "platform/ui/Control.h"

#include "platform/runtime/Runtime.h"
#include "platform/text/Text.h"
#include "platform/ui/Help.h"
#include "platform/ui/Icons.h"
#include "platform/ui/ImageBox.h"
#include "platform/ui/Input.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/Qt.h"
#include "platform/ui/SpinBox.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QValidator>

#include <algorithm>
#include <stdexcept>

namespace platform {

namespace {

// Refuses what the code page cannot hold and the field's refused characters, and makes upper case
// when the field asks for it.
class FieldValidator : public QValidator {
public:
    FieldValidator(bool upper, std::string refused, QObject* parent)
        : QValidator(parent), upper_(upper), refused_(std::move(refused)) {}
    State validate(QString& input, int&) const override {
        if (!QtTextFits(input))
            return Invalid;
        if (!refused_.empty() && FromQt(input).find_first_of(refused_) != std::string::npos)
            return Invalid;
        if (upper_)
            input = ToQt(Upper(FromQt(input)));
        return Acceptable;
    }

private:
    bool upper_;
    std::string refused_;
};

} // namespace

struct Control::Private {
    QPointer<QWidget> widget;
    QButtonGroup* radios = nullptr;  // option groups
    int tabIndex = -1;               // tabs: index in their sheet
    bool dirty = false;              // the user changed the text since it was last taken
    std::string text;                // caption of controls without a widget text
    std::unique_ptr<ListBox> list;   // list boxes
    std::unique_ptr<ImageBox> image; // image controls
    int rejectCode = 0;              // the input last rejected
    std::string rejected;
};

Control::Control(Window& window, const ControlDef& def)
    : window_(window), def_(def), p_(std::make_unique<Private>()) {
    hidden_ = def.attributes & ATTR_Hidden;
    disabled_ = def.attributes & ATTR_Disabled;
    skip_ = def.attributes & ATTR_Skip;
    fontName_ = window.Definition().fontName;
    fontSize_ = window.Definition().fontSize;
    p_->text = def.text;
    px_ = window.ToPixelsX(def.x);
    py_ = window.ToPixelsY(def.y);
    pw_ = window.ToPixelsX(def.width);
    ph_ = window.ToPixelsY(def.height);
}

Control::~Control() {
    if (p_->widget)
        delete p_->widget.data();
}

QWidget* Control::Widget() const {
    return p_->widget.data();
}

ListBox* Control::List() const {
    return p_->list.get();
}

ImageBox* Control::Image() const {
    return p_->image.get();
}

void Control::Build() {
    QWidget* client = window_.ClientWidget();
    QWidget* w = nullptr;
    QString text = ToQt(def_.text);
    switch (def_.kind) {
    case ControlKind::Prompt:
    case ControlKind::String: {
        auto* label = new QLabel(text, client);
        label->setTextFormat(Qt::PlainText);
        if (def_.attributes & ATTR_Right)
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        else if (def_.attributes & ATTR_Center)
            label->setAlignment(Qt::AlignCenter);
        w = label;
        break;
    }
    case ControlKind::Entry: {
        auto* edit = new QLineEdit(client);
        if (def_.pictureWidth > 0)
            edit->setMaxLength(def_.pictureWidth);
        edit->setValidator(new FieldValidator(def_.attributes & ATTR_Upper, def_.refused, edit));
        edit->setReadOnly(def_.attributes & ATTR_ReadOnly);
        if (def_.attributes & ATTR_Password)
            edit->setEchoMode(QLineEdit::Password);
        if (def_.attributes & ATTR_Right)
            edit->setAlignment(Qt::AlignRight);
        QObject::connect(edit, &QLineEdit::textEdited, edit, [this] { p_->dirty = true; });
        QObject::connect(edit, &QLineEdit::editingFinished, edit, [this] {
            if (p_->dirty) {
                p_->dirty = false;
                Changed(EVENT_Accepted);
            }
        });
        w = edit;
        break;
    }
    case ControlKind::Text: {
        auto* edit = new QPlainTextEdit(client);
        edit->setReadOnly(def_.attributes & ATTR_ReadOnly);
        edit->setTabChangesFocus(true);
        QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [this] {
            if (!updating_)
                p_->dirty = true;
        });
        w = edit;
        break;
    }
    case ControlKind::Button: {
        auto* button = new QPushButton(text, client);
        if (!def_.icon.empty())
            button->setIcon(PlatformIcon(def_.icon));
        button->setAutoDefault(false);
        button->setDefault(def_.attributes & ATTR_Default);
        if (def_.attributes & ATTR_StdHelp)
            QObject::connect(button, &QPushButton::clicked, button,
                             [this] { ShowHelp(HelpRequest::Keyword, window_.Definition().help); });
        else
            QObject::connect(button, &QPushButton::clicked, button,
                             [this] { window_.PostInputEvent(EVENT_Accepted, def_.number); });
        w = button;
        break;
    }
    case ControlKind::Check: {
        auto* check = new QCheckBox(text, client);
        QObject::connect(check, &QCheckBox::clicked, check, [this] { Changed(EVENT_Accepted); });
        w = check;
        break;
    }
    case ControlKind::Option: {
        auto* group = new QGroupBox(text, client);
        group->setFlat(text.isEmpty());
        p_->radios = new QButtonGroup(group);
        p_->radios->setExclusive(true);
        QObject::connect(p_->radios, &QButtonGroup::buttonClicked, group,
                         [this](QAbstractButton*) { Changed(EVENT_Accepted); });
        w = group;
        break;
    }
    case ControlKind::Radio: {
        auto* radio = new QRadioButton(text, client);
        if (Control* option = window_.Find(def_.parent); option && option->p_->radios)
            option->p_->radios->addButton(radio);
        w = radio;
        break;
    }
    case ControlKind::Spin: {
        auto* spin = new RangeSpinBox(client);
        spin->rejected = [this](int reason, const std::string& typed) {
            p_->rejectCode = reason;
            p_->rejected = typed;
            p_->dirty = false;
            window_.PostInputEvent(EVENT_Rejected, def_.number);
        };
        spin->setDecimals(def_.digits);
        spin->setRange(def_.low, def_.high);
        spin->setSingleStep(def_.step);
        QObject::connect(spin, &QDoubleSpinBox::valueChanged, spin, [this](double) {
            if (!updating_) {
                p_->dirty = true;
                Changed(EVENT_NewSelection);
            }
        });
        QObject::connect(spin, &QDoubleSpinBox::editingFinished, spin, [this] {
            if (p_->dirty) {
                p_->dirty = false;
                Changed(EVENT_Accepted);
            }
        });
        w = spin;
        break;
    }
    case ControlKind::DropList:
    case ControlKind::DropCombo: {
        auto* combo = new QComboBox(client);
        bool editable = def_.kind == ControlKind::DropCombo;
        combo->setEditable(editable);
        if (editable)
            combo->setCompleter(nullptr); // what is typed stays as typed
        if (editable) {
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->lineEdit()->setValidator(
                new FieldValidator(def_.attributes & ATTR_Upper, def_.refused, combo->lineEdit()));
            if (def_.pictureWidth > 0)
                combo->lineEdit()->setMaxLength(def_.pictureWidth);
            QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo,
                             [this] { p_->dirty = true; });
            QObject::connect(combo->lineEdit(), &QLineEdit::editingFinished, combo, [this] {
                if (p_->dirty) {
                    p_->dirty = false;
                    Changed(EVENT_Accepted);
                }
            });
        }
        QObject::connect(combo, &QComboBox::activated, combo, [this](int) {
            p_->dirty = false;
            Changed(EVENT_NewSelection);
            window_.PostInputEvent(EVENT_Accepted, def_.number);
        });
        w = combo;
        break;
    }
    case ControlKind::Sheet: {
        auto* sheet = new QTabWidget(client);
        QObject::connect(sheet, &QTabWidget::currentChanged, sheet, [this](int) {
            window_.RefreshVisibility();
            if (!updating_)
                Changed(EVENT_NewSelection);
        });
        w = sheet;
        break;
    }
    case ControlKind::Tab: {
        Control* sheet = window_.Find(def_.parent);
        auto* tabs = sheet ? qobject_cast<QTabWidget*>(sheet->Widget()) : nullptr;
        if (!tabs)
            throw std::logic_error("A tab must belong to a sheet");
        auto* page = new QWidget;
        sheet->updating_ = true;
        p_->tabIndex = tabs->addTab(page, text);
        sheet->updating_ = false;
        w = page;
        break;
    }
    case ControlKind::Group: {
        w = new QGroupBox(text, client);
        break;
    }
    case ControlKind::Panel:
    case ControlKind::Box: {
        auto* frame = new QFrame(client);
        frame->setFrameShape(def_.kind == ControlKind::Panel ? QFrame::StyledPanel : QFrame::Box);
        w = frame;
        break;
    }
    case ControlKind::Progress: {
        auto* bar = new QProgressBar(client);
        bar->setRange(static_cast<int>(def_.low), static_cast<int>(def_.high));
        bar->setValue(static_cast<int>(def_.low));
        w = bar;
        break;
    }
    case ControlKind::Region: {
        w = new QWidget(client);
        break;
    }
    case ControlKind::List: {
        p_->list = std::make_unique<ListBox>(*this, client);
        if (linePixels_ > 0)
            p_->list->SetRowHeight(linePixels_);
        p_->list->Reload();
        w = p_->list->View();
        break;
    }
    case ControlKind::Image: {
        p_->image = std::make_unique<ImageBox>(*this, client);
        p_->image->SetFile(def_.text);
        w = p_->image->View();
        break;
    }
    }
    p_->widget = w;
    input::MarkControl(w, this);
    if (def_.kind != ControlKind::Tab) {
        w->setFont(StandInFont(fontName_, fontSize_));
        if (!def_.tip.empty())
            w->setToolTip(ToQt(def_.tip));
    }
    w->setEnabled(!disabled_);
    if (skip_)
        w->setFocusPolicy(Qt::ClickFocus);
    Place();
}

void Control::Place() {
    QWidget* w = Widget();
    if (!w || def_.kind == ControlKind::Tab)
        return;
    w->setGeometry(px_, py_, pw_, ph_);
}

void Control::Changed(int event) {
    if (updating_)
        return;
    TakeValue();
    window_.PostInputEvent(event, def_.number);
}

std::string Control::Text() const {
    QWidget* w = Widget();
    switch (def_.kind) {
    case ControlKind::Entry:
        if (auto* e = qobject_cast<QLineEdit*>(w))
            return FromQt(e->text());
        break;
    case ControlKind::Text:
        if (auto* e = qobject_cast<QPlainTextEdit*>(w)) {
            std::string s = FromQt(e->toPlainText());
            std::string out;
            for (char c : s) {
                if (c == '\n')
                    out += "\r\n";
                else
                    out += c;
            }
            return out;
        }
        break;
    case ControlKind::DropList:
    case ControlKind::DropCombo:
        if (auto* c = qobject_cast<QComboBox*>(w))
            return FromQt(c->currentText());
        break;
    default:
        break;
    }
    return p_->text;
}

void Control::SetText(const std::string& text) {
    p_->text = text;
    QWidget* w = Widget();
    if (!w)
        return;
    if (p_->image) {
        p_->image->SetFile(text);
        return;
    }
    updating_ = true;
    QString q = ToQt(text);
    switch (def_.kind) {
    case ControlKind::Prompt:
    case ControlKind::String:
        static_cast<QLabel*>(w)->setText(q);
        break;
    case ControlKind::Entry:
        static_cast<QLineEdit*>(w)->setText(q);
        break;
    case ControlKind::Text: {
        std::string plain;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                continue;
            plain += text[i];
        }
        static_cast<QPlainTextEdit*>(w)->setPlainText(ToQt(plain));
        break;
    }
    case ControlKind::Button:
        static_cast<QPushButton*>(w)->setText(q);
        break;
    case ControlKind::Check:
        static_cast<QCheckBox*>(w)->setText(q);
        break;
    case ControlKind::Radio:
        static_cast<QRadioButton*>(w)->setText(q);
        break;
    case ControlKind::Option:
    case ControlKind::Group:
        static_cast<QGroupBox*>(w)->setTitle(q);
        break;
    case ControlKind::Tab:
        if (Control* sheet = window_.Find(def_.parent))
            static_cast<QTabWidget*>(sheet->Widget())->setTabText(p_->tabIndex, q);
        break;
    case ControlKind::DropCombo:
        static_cast<QComboBox*>(w)->setEditText(q);
        break;
    default:
        break;
    }
    p_->dirty = false;
    updating_ = false;
}

void Control::Hide() {
    hidden_ = true;
    window_.RefreshVisibility();
}

void Control::Unhide() {
    hidden_ = false;
    window_.RefreshVisibility();
}

void Control::Disable() {
    disabled_ = true;
    if (Widget())
        Widget()->setEnabled(false);
}

void Control::Enable() {
    disabled_ = false;
    if (Widget())
        Widget()->setEnabled(true);
}

int Control::X() const {
    return window_.pixels_ ? px_ : window_.FromPixelsX(px_);
}
int Control::Y() const {
    return window_.pixels_ ? py_ : window_.FromPixelsY(py_);
}
int Control::Width() const {
    return window_.pixels_ ? pw_ : window_.FromPixelsX(pw_);
}
int Control::Height() const {
    return window_.pixels_ ? ph_ : window_.FromPixelsY(ph_);
}

void Control::SetPosition(int x, int y, int width, int height) {
    bool pixels = window_.pixels_;
    px_ = pixels ? x : window_.ToPixelsX(x);
    py_ = pixels ? y : window_.ToPixelsY(y);
    pw_ = pixels ? width : window_.ToPixelsX(width);
    ph_ = pixels ? height : window_.ToPixelsY(height);
    Place();
}

void Control::Bind(Binding binding) {
    binding_ = binding;
}

std::string Control::Value() const {
    QWidget* w = Widget();
    switch (def_.kind) {
    case ControlKind::Check:
        return static_cast<QCheckBox*>(w)->isChecked() ? "1" : "0";
    case ControlKind::Option: {
        int i = 0;
        for (Control* c : window_.Controls()) {
            if (c->def_.kind == ControlKind::Radio && c->def_.parent == def_.number) {
                ++i;
                if (static_cast<QRadioButton*>(c->Widget())->isChecked())
                    return c->def_.value.empty() ? DecimalText(i) : c->def_.value;
            }
        }
        return std::string();
    }
    case ControlKind::Spin: {
        auto* spin = static_cast<QDoubleSpinBox*>(w);
        return FromQt(QString::number(spin->value(), 'f', def_.digits));
    }
    case ControlKind::Sheet:
    case ControlKind::DropList:
        return DecimalText(Selected());
    case ControlKind::Progress:
        return DecimalText(static_cast<QProgressBar*>(w)->value());
    default:
        return Text();
    }
}

void Control::SetValue(const std::string& value) {
    QWidget* w = Widget();
    if (!w)
        return;
    updating_ = true;
    switch (def_.kind) {
    case ControlKind::Check:
        static_cast<QCheckBox*>(w)->setChecked(ToLong(value) != 0);
        break;
    case ControlKind::Option: {
        int i = 0;
        for (Control* c : window_.Controls()) {
            if (c->def_.kind == ControlKind::Radio && c->def_.parent == def_.number) {
                ++i;
                std::string v = c->def_.value.empty() ? DecimalText(i) : c->def_.value;
                if (Equal(v, value))
                    static_cast<QRadioButton*>(c->Widget())->setChecked(true);
            }
        }
        break;
    }
    case ControlKind::Spin:
        static_cast<QDoubleSpinBox*>(w)->setValue(ToNumber(value));
        break;
    case ControlKind::Sheet:
    case ControlKind::DropList:
        Select(ToLong(value));
        break;
    case ControlKind::Progress:
        static_cast<QProgressBar*>(w)->setValue(ToLong(value));
        break;
    default:
        SetText(value);
        break;
    }
    p_->dirty = false;
    updating_ = false;
}

int Control::Selected() const {
    if (p_->list)
        return p_->list->Selected();
    QWidget* w = Widget();
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->currentIndex() + 1;
    if (auto* t = qobject_cast<QTabWidget*>(w))
        return t->currentIndex() + 1;
    if (def_.kind == ControlKind::Option) {
        int i = 0;
        for (Control* c : window_.Controls())
            if (c->def_.kind == ControlKind::Radio && c->def_.parent == def_.number) {
                ++i;
                if (static_cast<QRadioButton*>(c->Widget())->isChecked())
                    return i;
            }
    }
    return 0;
}

void Control::Select(int item) {
    if (p_->list) {
        p_->list->Select(item);
        return;
    }
    QWidget* w = Widget();
    bool was = updating_;
    updating_ = true;
    if (auto* c = qobject_cast<QComboBox*>(w))
        c->setCurrentIndex(item - 1);
    else if (auto* t = qobject_cast<QTabWidget*>(w))
        t->setCurrentIndex(item - 1);
    updating_ = was;
    window_.RefreshVisibility();
}

void Control::SetListSource(const ListSource* source) {
    source_ = source;
    ReloadList();
}

void Control::ReloadList() {
    if (p_->list) {
        p_->list->Reload();
        return;
    }
    auto* combo = qobject_cast<QComboBox*>(Widget());
    if (!combo)
        return;
    bool was = updating_;
    updating_ = true;
    QString edit = combo->isEditable() ? combo->currentText() : QString();
    int current = combo->currentIndex();
    combo->clear();
    if (source_)
        for (int row = 1; row <= source_->Count(); ++row)
            combo->addItem(ToQt(Clip(source_->Cell(row, 1))));
    if (linePixels_ > 0)
        for (int i = 0; i < combo->count(); ++i)
            combo->setItemData(i, QSize(0, linePixels_), Qt::SizeHintRole);
    if (current >= 0 && current < combo->count())
        combo->setCurrentIndex(current);
    if (combo->isEditable())
        combo->setEditText(edit);
    updating_ = was;
}

void Control::SetDropCount(int lines) {
    if (auto* combo = qobject_cast<QComboBox*>(Widget()))
        combo->setMaxVisibleItems(std::max(1, lines));
}

void Control::SetFont(const std::string& name, int size) {
    fontName_ = name;
    fontSize_ = size;
    if (Widget() && def_.kind != ControlKind::Tab)
        Widget()->setFont(StandInFont(name, size));
}

void Control::SetFillColor(std::int32_t color) {
    fill_ = color;
    QWidget* w = Widget();
    if (!w)
        return;
    if (color < 0) {
        w->setAutoFillBackground(false);
        w->setPalette(QPalette());
        return;
    }
    QPalette palette = w->palette();
    // Entries and texts paint their field in the base colour, other controls in the window's.
    const QColor fill(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    palette.setColor(QPalette::Window, fill);
    palette.setColor(QPalette::Base, fill);
    w->setPalette(palette);
    w->setAutoFillBackground(true);
}

void Control::SetSelStart(int position) {
    if (auto* e = qobject_cast<QLineEdit*>(Widget()))
        e->setCursorPosition(std::max(0, position - 1));
    else if (auto* t = qobject_cast<QPlainTextEdit*>(Widget())) {
        // The program counts a line break as CR LF, two characters; the widget holds one. A
        // place between the CR and the LF goes behind the break.
        QString plain = t->toPlainText();
        int before = std::max(0, position - 1);
        int at = 0;
        while (at < plain.size() && before > 0) {
            before -= plain[at] == QChar('\n') ? 2 : 1;
            ++at;
        }
        QTextCursor cursor = t->textCursor();
        cursor.setPosition(at);
        t->setTextCursor(cursor);
    }
}

int Control::SelStart() const {
    if (auto* e = qobject_cast<QLineEdit*>(Widget()))
        return e->cursorPosition() + 1;
    if (auto* t = qobject_cast<QPlainTextEdit*>(Widget())) {
        QString plain = t->toPlainText();
        int at = t->textCursor().position();
        int breaks = 0;
        for (int i = 0; i < at && i < plain.size(); ++i)
            breaks += plain[i] == QChar('\n');
        return at + breaks + 1;
    }
    return 0;
}

void Control::SetSkip(bool skip) {
    skip_ = skip;
    if (Widget())
        Widget()->setFocusPolicy(skip ? Qt::ClickFocus : Qt::StrongFocus);
}

void Control::SetRange(double low, double high) {
    def_.low = low;
    def_.high = high;
    if (auto* s = qobject_cast<QDoubleSpinBox*>(Widget())) {
        bool was = updating_;
        updating_ = true;
        s->setRange(low, high);
        updating_ = was;
    } else if (auto* p = qobject_cast<QProgressBar*>(Widget()))
        p->setRange(static_cast<int>(low), static_cast<int>(high));
}

int Control::RejectCode() const {
    return p_->rejectCode;
}

std::string Control::RejectedText() const {
    return p_->rejected;
}

void Control::SetTip(const std::string& tip) {
    def_.tip = tip;
    if (Widget())
        Widget()->setToolTip(ToQt(tip));
}

void Control::SetIcon(const std::string& icon) {
    def_.icon = icon;
    if (auto* button = qobject_cast<QPushButton*>(Widget()))
        button->setIcon(PlatformIcon(icon));
}

void Control::SetLineHeight(int height) {
    lineHeight_ = height;
    // In the window's current unit, as positions are.
    linePixels_ = window_.Pixels() ? height : window_.ToPixelsY(height);
    if (p_->list)
        p_->list->SetRowHeight(linePixels_);
    else if (qobject_cast<QComboBox*>(Widget()))
        ReloadList(); // the rows of the drop-down list take the height
}

void Control::SetTabHidden(int position, bool hidden) {
    if (auto* t = qobject_cast<QTabWidget*>(Widget()))
        t->setTabVisible(position - 1, !hidden);
    window_.RefreshVisibility();
}

void Control::AddAlert(int keyCode) {
    if (!Alerted(keyCode))
        alerts_.push_back(keyCode);
}

void Control::RemoveAlert(int keyCode) {
    alerts_.erase(std::remove(alerts_.begin(), alerts_.end(), keyCode), alerts_.end());
}

bool Control::Alerted(int keyCode) const {
    return std::find(alerts_.begin(), alerts_.end(), keyCode) != alerts_.end();
}

void Control::Focus() {
    QWidget* w = Widget();
    if (!w)
        return;
    w->setFocus(Qt::OtherFocusReason);
    if (QWidget* top = w->window())
        top->activateWindow();
}

bool Control::HasFocus() const {
    QWidget* focus = QApplication::focusWidget();
    return focus && input::ControlOf(focus) == this;
}

bool Control::Visible() const {
    if (hidden_)
        return false;
    if (def_.parent == 0)
        return true;
    Control* parent = window_.Find(def_.parent);
    if (!parent)
        return true;
    if (parent->def_.kind == ControlKind::Tab) {
        Control* sheet = window_.Find(parent->def_.parent);
        auto* tabs = sheet ? qobject_cast<QTabWidget*>(sheet->Widget()) : nullptr;
        if (!tabs || tabs->currentIndex() != parent->p_->tabIndex ||
            !tabs->isTabVisible(parent->p_->tabIndex))
            return false;
        return !parent->hidden_ && sheet->Visible();
    }
    return parent->Visible();
}

namespace {
std::string BoundText(const Binding& binding) {
    if (auto* const* t = std::get_if<std::string*>(&binding.target))
        return **t;
    if (auto* const* l = std::get_if<std::int32_t*>(&binding.target))
        return DecimalText(**l);
    if (auto* const* h = std::get_if<std::int16_t*>(&binding.target))
        return DecimalText(**h);
    if (auto* const* b = std::get_if<std::uint8_t*>(&binding.target))
        return DecimalText(**b);
    if (auto* const* d = std::get_if<double*>(&binding.target))
        return FromQt(QString::number(**d, 'g', 15));
    return std::string();
}
} // namespace

void Control::ShowValue() {
    if (def_.kind == ControlKind::DropList || def_.kind == ControlKind::DropCombo)
        ReloadList();
    std::string value = BoundText(binding_);
    if (def_.kind == ControlKind::DropList || def_.kind == ControlKind::DropCombo) {
        // A drop list shows the choice that equals its variable.
        auto* combo = static_cast<QComboBox*>(Widget());
        updating_ = true;
        if (def_.kind == ControlKind::DropList)
            combo->setCurrentIndex(combo->findText(ToQt(Clip(value))));
        else
            combo->setEditText(ToQt(Clip(value)));
        updating_ = false;
        p_->dirty = false;
        return;
    }
    SetValue(def_.kind == ControlKind::Entry ? Clip(value) : value);
}

void Control::Redisplay() {
    if (binding_.target.index() != 0)
        ShowValue();
    else if (p_->list)
        p_->list->Reload();
}

void Control::Closing() {
    if (p_->widget)
        input::UnmarkControl(p_->widget);
    // The list the control shows may be gone before the window (it is often a member declared
    // after it): nothing may read it while the widgets go.
    source_ = nullptr;
    if (p_->list)
        p_->list->Reload();
    p_->list.reset(); // its view goes with the window's widgets
    p_->image.reset();
}

void Control::TakeValue() {
    if (binding_.target.index() == 0)
        return;
    std::string value = def_.kind == ControlKind::DropList ? Text() : Value();
    if (auto** s = std::get_if<std::string*>(&binding_.target)) {
        **s = binding_.width ? Cut(value, binding_.width) : value;
    } else if (auto** l = std::get_if<std::int32_t*>(&binding_.target)) {
        **l = ToLong(value);
    } else if (auto** h = std::get_if<std::int16_t*>(&binding_.target)) {
        **h = ToShort(static_cast<std::int64_t>(ToNumber(value)));
    } else if (auto** b = std::get_if<std::uint8_t*>(&binding_.target)) {
        **b = ToByte(static_cast<std::int64_t>(ToNumber(value)));
    } else if (auto** d = std::get_if<double*>(&binding_.target)) {
        **d = ToNumber(value);
    }
}

} // namespace platform
