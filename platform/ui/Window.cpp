#include "platform/ui/Window.h"

#include "platform/runtime/Runtime.h"
#include "platform/text/Text.h"
#include "platform/ui/Help.h"
#include "platform/ui/Icons.h"
#include "platform/ui/ImageBox.h"
#include "platform/ui/Keys.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/Qt.h"
#include "platform/ui/SpinBox.h"
#include "platform/ui/StatusBar.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QValidator>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace platform {

namespace {

const char* kControlProperty = "platformControl";
const char* kWindowProperty = "platformWindow";

std::vector<Window*>& OpenWindows() {
    static std::vector<Window*> windows;
    return windows;
}

Window::Placer& ThePlacer() {
    static Window::Placer placer;
    return placer;
}

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

// The client area of a window: it turns the close box and resizing into the window's events.
class ClientArea : public QWidget {
public:
    ClientArea(Window& window, QWidget* parent, Qt::WindowFlags flags)
        : QWidget(parent, flags), window_(window) {}
    bool closing = false;

protected:
    void closeEvent(QCloseEvent* event) override {
        if (closing) {
            event->accept();
            return;
        }
        event->ignore();
        window_.PostInputEvent(EVENT_CloseWindow, 0);
    }
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (window_.IsOpen())
            window_.PostInputEvent(EVENT_Sized, 0);
    }

private:
    Window& window_;
};

// Finds the control and window a widget belongs to by walking up its parents.
Control* ControlOf(QObject* object) {
    for (QObject* o = object; o; o = o->parent()) {
        QVariant v = o->property(kControlProperty);
        if (v.isValid())
            return static_cast<Control*>(v.value<void*>());
        if (o->property(kWindowProperty).isValid())
            return nullptr;
    }
    return nullptr;
}

Window* WindowOf(QObject* object) {
    for (QObject* o = object; o; o = o->parent()) {
        QVariant v = o->property(kWindowProperty);
        if (v.isValid())
            return static_cast<Window*>(v.value<void*>());
    }
    return nullptr;
}

// Alert keys, the default button, and typed characters the code page cannot hold, for every
// window of the program.
class KeyFilter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        QWidget* focus = QApplication::focusWidget();
        // Without a focused control the key goes to the window itself (a frame, say).
        if (!widget || (focus ? widget != focus : !widget->isWindow()))
            return false;
        Window* window = WindowOf(widget);
        if (!window && !focus)
            for (Window* w : OpenWindows())
                if (w->Widget() == widget)
                    window = w;
        if (!window || !window->IsOpen())
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        int code = KeyCodeOf(*key);
        Control* control = ControlOf(widget);
        bool alerted = code != 0 && ((control && control->Alerted(code)) || window->Alerted(code));
        if (event->type() == QEvent::ShortcutOverride) {
            if (alerted)
                event->accept(); // keep the key from shortcuts: it is ours
            return false;
        }
        if (alerted) {
            window->PostInputEvent(EVENT_AlertKey,
                                   control && control->Alerted(code) ? control->Number() : 0, code);
            return true;
        }
        if (!key->text().isEmpty() && !QtTextFits(key->text()))
            return true; // the code page cannot hold it: the key does nothing
        if ((code == KEY_Enter) && control &&
            (control->Kind() == ControlKind::Entry || control->Kind() == ControlKind::Spin ||
             control->Kind() == ControlKind::Check || control->Kind() == ControlKind::Radio ||
             control->Kind() == ControlKind::DropList ||
             control->Kind() == ControlKind::DropCombo)) {
            for (Control* c : window->Controls()) {
                if (c->Kind() == ControlKind::Button && (c->Attributes() & ATTR_Default) &&
                    c->Visible() && !c->Disabled()) {
                    // Leave the field first, so that its value is taken before the button.
                    if (auto* edit = qobject_cast<QLineEdit*>(widget))
                        emit edit->editingFinished();
                    else if (auto* spin = dynamic_cast<RangeSpinBox*>(widget))
                        spin->Complete();
                    window->PostInputEvent(EVENT_Accepted, c->Number());
                    return true;
                }
            }
        }
        return false;
    }
};

void InstallKeyFilter() {
    static KeyFilter* filter = nullptr;
    if (!filter) {
        filter = new KeyFilter;
        qApp->installEventFilter(filter);
        // A control that receives the focus raises EVENT:Selected; moving between the parts of
        // one control (a combo and its entry) does not, nor does a focus that only passes
        // through a control (one that the program hides and shows again): the focus is looked
        // at once it has settled.
        QObject::connect(qApp, &QApplication::focusChanged, filter, [](QWidget*, QWidget*) {
            static bool due = false;
            static QPointer<QWidget> selected;
            if (due)
                return;
            due = true;
            QTimer::singleShot(0, qApp, [] {
                due = false;
                QWidget* focus = QApplication::focusWidget();
                Control* control = focus ? ControlOf(focus) : nullptr;
                QWidget* widget = control ? control->Widget() : nullptr;
                if (widget == selected)
                    return;
                selected = widget;
                if (control && control->Number() != 0 && control->Owner().IsOpen())
                    control->Owner().PostInputEvent(EVENT_Selected, control->Number());
            });
        });
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------

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

struct Window::Private {
    QPointer<QWidget> top;
    QPointer<ClientArea> client;
    int minWidth = 0, minHeight = 0;
    // Where the window was when it closed, in pixels: shut-downs store it after the close.
    bool closedGeometry = false;
    int lastX = 0, lastY = 0, lastWidth = 0, lastHeight = 0;
    bool lastMaximized = false, lastMinimized = false;
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
    w->setProperty(kControlProperty, QVariant::fromValue(static_cast<void*>(this)));
    if (def_.kind != ControlKind::Tab) {
        w->setFont(StandInFont(fontName_, fontSize_));
        if (!def_.tip.empty())
            w->setToolTip(ToQt(def_.tip));
        // A button that shows only an icon is named by its tooltip.
        if (def_.kind == ControlKind::Button && def_.text.empty())
            w->setAccessibleName(ToQt(def_.tip));
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
    if (Widget() && def_.kind == ControlKind::Button && def_.text.empty())
        Widget()->setAccessibleName(ToQt(tip));
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
    return focus && ControlOf(focus) == this;
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

// ---------------------------------------------------------------------------------------------

Window::Window(WindowDef def) : def_(std::move(def)), p_(std::make_unique<Private>()) {
    for (const ControlDef& c : def_.controls) {
        auto control = std::make_unique<Control>(*this, c);
        order_.push_back(control.get());
        if (c.number != 0)
            numbered_[c.number] = std::move(control);
        else
            unnumbered_.push_back(std::move(control));
    }
}

Window::~Window() {
    Close();
}

void Window::SetPlacer(Placer placer) {
    ThePlacer() = std::move(placer);
}

QWidget* Window::Widget() const {
    return p_->top.data();
}

QWidget* Window::ClientWidget() const {
    return p_->client.data();
}

void Window::Open() {
    if (open_ || closed_)
        return;
    InstallKeyFilter();
    thread_ = ThisThread();
    // A window opened while another window of its thread is open blocks that one: the thread
    // runs only the newest window's event loop until it closes.
    QWidget* owner = nullptr;
    Window* below = Top(thread_);
    if (below && below->Widget())
        owner = below->Widget()->window();
    if (owner && !(def_.attributes & WIN_Modal))
        def_.attributes |= WIN_Modal;
    Qt::WindowFlags flags = Qt::Window;
    if (owner)
        flags |= Qt::Dialog;
    if (def_.attributes & WIN_StayOnTop)
        flags |= Qt::WindowStaysOnTopHint;
    auto* client = new ClientArea(*this, owner, flags);
    p_->client = client;
    client->setProperty(kWindowProperty, QVariant::fromValue(static_cast<void*>(this)));
    client->setWindowTitle(ToQt(def_.caption));
    client->setFont(StandInFont(def_.fontName, def_.fontSize));
    if (!def_.icon.empty())
        client->setWindowIcon(PlatformIcon(def_.icon));
    if (def_.attributes & WIN_Modal)
        client->setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    client->resize(ToPixelsX(def_.width), ToPixelsY(def_.height));
    if (!(def_.attributes & WIN_Resizable))
        client->setFixedSize(ToPixelsX(def_.width), ToPixelsY(def_.height));
    for (Control* c : order_)
        c->Build();
    // A prompt's "&" marks its access key, which goes to the control after it.
    for (std::size_t i = 0; i + 1 < order_.size(); ++i)
        if (order_[i]->Kind() == ControlKind::Prompt &&
            order_[i]->Definition().text.find('&') != std::string::npos)
            if (auto* label = qobject_cast<QLabel*>(order_[i]->Widget()))
                label->setBuddy(order_[i + 1]->Widget());
    QWidget* inner = client;
    if (!def_.statusZones.empty())
        inner = AddStatusBar(*this, client);
    QWidget* top = inner;
    if (ThePlacer())
        if (QWidget* placed = ThePlacer()(*this, inner))
            top = placed;
    p_->top = top;
    if (def_.x >= 0 && def_.y >= 0 && top == inner)
        inner->move(ToPixelsX(def_.x), ToPixelsY(def_.y));
    OpenWindows().push_back(this);
    open_ = true;
    Display();
    RefreshVisibility();
    if (def_.attributes & WIN_Maximize)
        top->showMaximized();
    else
        top->show();
    // The first control that takes the keyboard gets it.
    for (Control* c : order_) {
        QWidget* w = c->Widget();
        if (c->Visible() && !c->Disabled() && !c->Skip() && w &&
            (w->focusPolicy() & Qt::TabFocus) && c->Kind() != ControlKind::Sheet &&
            c->Kind() != ControlKind::Tab) {
            w->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
    PostInputEvent(EVENT_OpenWindow, 0);
}

void Window::Close() {
    if (!open_) {
        closed_ = true;
        return;
    }
    open_ = false;
    closed_ = true;
    auto& all = OpenWindows();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
    for (Control* c : order_) {
        if (c->p_->widget) {
            c->p_->widget->setProperty(kControlProperty, QVariant());
        }
        // The list the control shows may be gone before the window (it is often a member
        // declared after it): nothing may read it while the widgets go.
        c->source_ = nullptr;
        if (c->p_->list)
            c->p_->list->Reload();
        c->p_->list.reset(); // its view goes with the window's widgets
        c->p_->image.reset();
    }
    if (p_->client)
        p_->client->closing = true;
    QWidget* top = p_->top.data();
    if (top && p_->client) {
        p_->closedGeometry = true;
        p_->lastX = top->x();
        p_->lastY = top->y();
        p_->lastWidth = p_->client->width();
        p_->lastHeight = p_->client->height();
        p_->lastMaximized = top->isMaximized();
        p_->lastMinimized = top->isMinimized();
    }
    if (top) {
        top->hide();
        delete top; // the client and every control's widget with it
    }
    if (p_->client)
        delete p_->client.data();
}

Control& Window::operator[](int number) {
    Control* c = Find(number);
    if (!c)
        throw std::out_of_range("No control " + std::to_string(number) + " in window \"" +
                                def_.caption + "\"");
    return *c;
}

Control* Window::Find(int number) {
    auto it = numbered_.find(number);
    return it == numbered_.end() ? nullptr : it->second.get();
}

std::vector<Control*> Window::Controls() {
    return order_;
}

Control& Window::Create(const ControlDef& def) {
    ControlDef d = def;
    d.attributes |= ATTR_Hidden;
    auto control = std::make_unique<Control>(*this, d);
    Control* c = control.get();
    if (d.number != 0) {
        Destroy(d.number);
        numbered_[d.number] = std::move(control);
    } else {
        unnumbered_.push_back(std::move(control));
    }
    order_.push_back(c);
    if (open_) {
        c->Build();
        RefreshVisibility();
    }
    return *c;
}

void Window::Destroy(int number) {
    auto it = numbered_.find(number);
    if (it == numbered_.end())
        return;
    order_.erase(std::remove(order_.begin(), order_.end(), it->second.get()), order_.end());
    numbered_.erase(it);
}

std::string Window::Caption() const {
    return p_->client ? FromQt(p_->client->windowTitle()) : def_.caption;
}

void Window::SetCaption(const std::string& caption) {
    def_.caption = caption;
    if (p_->client)
        p_->client->setWindowTitle(ToQt(caption));
    if (p_->top && p_->top != p_->client)
        p_->top->setWindowTitle(ToQt(caption));
}

namespace {
// Base units of the window font: average character width and height in pixels, for an
// 8-point sans serif 6 by 13, scaled with the point size.
int BaseX(int points) {
    return (6 * (points > 0 ? points : 8) + 4) / 8;
}
int BaseY(int points) {
    return (13 * (points > 0 ? points : 8) + 4) / 8;
}
int MulDiv(int a, int b, int c) {
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}
} // namespace

int Window::ToPixelsX(int units) const {
    return MulDiv(units, BaseX(def_.fontSize), 4);
}
int Window::ToPixelsY(int units) const {
    return MulDiv(units, BaseY(def_.fontSize), 8);
}
int Window::FromPixelsX(int pixels) const {
    return MulDiv(pixels, 4, BaseX(def_.fontSize));
}
int Window::FromPixelsY(int pixels) const {
    return MulDiv(pixels, 8, BaseY(def_.fontSize));
}

int Window::X() const {
    int px = p_->top              ? p_->top->x()
             : p_->closedGeometry ? p_->lastX
                                  : ToPixelsX(std::max(0, def_.x));
    return pixels_ ? px : FromPixelsX(px);
}
int Window::Y() const {
    int py = p_->top              ? p_->top->y()
             : p_->closedGeometry ? p_->lastY
                                  : ToPixelsY(std::max(0, def_.y));
    return pixels_ ? py : FromPixelsY(py);
}
int Window::Width() const {
    int pw = p_->client           ? p_->client->width()
             : p_->closedGeometry ? p_->lastWidth
                                  : ToPixelsX(def_.width);
    return pixels_ ? pw : FromPixelsX(pw);
}
int Window::Height() const {
    int ph = p_->client           ? p_->client->height()
             : p_->closedGeometry ? p_->lastHeight
                                  : ToPixelsY(def_.height);
    return pixels_ ? ph : FromPixelsY(ph);
}

void Window::SetPosition(int x, int y, int width, int height) {
    int px = pixels_ ? x : ToPixelsX(x);
    int py = pixels_ ? y : ToPixelsY(y);
    int pw = pixels_ ? width : ToPixelsX(width);
    int ph = pixels_ ? height : ToPixelsY(height);
    if (!p_->client) {
        def_.x = pixels_ ? FromPixelsX(x) : x;
        def_.y = pixels_ ? FromPixelsY(y) : y;
        def_.width = pixels_ ? FromPixelsX(width) : width;
        def_.height = pixels_ ? FromPixelsY(height) : height;
        return;
    }
    if (p_->top)
        p_->top->move(px, py);
    if (!(def_.attributes & WIN_Resizable))
        p_->client->setFixedSize(pw, ph);
    if (p_->top && p_->top != p_->client) {
        // The sub-window's frame around the client keeps its thickness.
        QSize frame = p_->top->size() - p_->client->size();
        p_->top->resize(QSize(pw, ph) + frame);
    } else {
        p_->client->resize(pw, ph);
    }
}

void Window::SetMinimumSize(int width, int height) {
    p_->minWidth = width;
    p_->minHeight = height;
    if (p_->client)
        p_->client->setMinimumSize(pixels_ ? width : ToPixelsX(width),
                                   pixels_ ? height : ToPixelsY(height));
}

bool Window::Maximized() const {
    if (!p_->top)
        return p_->closedGeometry && p_->lastMaximized;
    return p_->top->isMaximized();
}

void Window::SetMaximized(bool on) {
    if (!p_->top)
        return;
    if (on)
        p_->top->showMaximized();
    else if (p_->top->isMaximized())
        p_->top->showNormal();
}

bool Window::Minimized() const {
    if (!p_->top)
        return p_->closedGeometry && p_->lastMinimized;
    return p_->top->isMinimized();
}

void Window::Update(int control) {
    for (Control* c : order_)
        if (control == 0 || c->Number() == control)
            c->TakeValue();
}

void Window::Display(int control) {
    if (!open_)
        return;
    for (Control* c : order_)
        if ((control == 0 || c->Number() == control) && c->binding_.target.index() != 0)
            c->ShowValue();
        else if ((control == 0 || c->Number() == control) && c->p_->list)
            c->p_->list->Reload();
}

void Window::AddAlert(int keyCode) {
    if (!Alerted(keyCode))
        alerts_.push_back(keyCode);
}

void Window::RemoveAlert(int keyCode) {
    alerts_.erase(std::remove(alerts_.begin(), alerts_.end(), keyCode), alerts_.end());
}

bool Window::Alerted(int keyCode) const {
    return std::find(alerts_.begin(), alerts_.end(), keyCode) != alerts_.end();
}

int Window::FocusControl() const {
    QWidget* focus = QApplication::focusWidget();
    if (!focus || WindowOf(focus) != this)
        return 0;
    Control* c = ControlOf(focus);
    return c ? c->Number() : 0;
}

std::vector<Window*> Window::OfThread(int thread) {
    std::vector<Window*> out;
    for (Window* w : OpenWindows())
        if (w->thread_ == thread)
            out.push_back(w);
    return out;
}

Window* Window::Top(int thread) {
    auto windows = OfThread(thread);
    return windows.empty() ? nullptr : windows.back();
}

std::vector<Window*> Window::All() {
    return OpenWindows();
}

void Window::RefreshVisibility() {
    if (!open_)
        return;
    for (Control* c : order_) {
        QWidget* w = c->Widget();
        if (!w || c->Kind() == ControlKind::Tab)
            continue;
        bool visible = c->Visible();
        if (w->isVisibleTo(p_->client) != visible)
            w->setVisible(visible);
    }
}

void Window::PostInputEvent(int event, int control, int keyCode) {
    platform::PostInput(thread_, Event{event, control, keyCode, this});
}

} // namespace platform
