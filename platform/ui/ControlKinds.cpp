#include "platform/ui/ControlKinds.h"

#include "platform/runtime/Runtime.h"
#include "platform/text/Text.h"
#include "platform/ui/Accessible.h"
#include "platform/ui/ControlWidget.h"
#include "platform/ui/Help.h"
#include "platform/ui/Icons.h"
#include "platform/ui/ImageBox.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/Qt.h"
#include "platform/ui/SpinBox.h"
#include "platform/ui/Window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <QTabBar>
#include <QTabWidget>
#include <QValidator>
#include <qdrawutil.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace platform {

ControlWidget::~ControlWidget() = default;

std::string ControlWidget::Text() const {
    return Caption();
}

void ControlWidget::ShowText(const std::string&) {}

std::string ControlWidget::Value() const {
    return Text();
}

void ControlWidget::SetValue(const std::string& value) {
    control_.SetText(value);
}

void ControlWidget::ShowBound(const std::string& value) {
    control_.SetValue(value);
}

std::string ControlWidget::TakeBound() const {
    return Value();
}

bool ControlWidget::ShowsChildren() const {
    return control_.Visible();
}

bool ControlWidget::Alert(int keyCode) {
    if (!control_.Alerted(keyCode))
        return false;
    Owner().PostInputEvent(EVENT_AlertKey, control_.Number(), keyCode);
    return true;
}

void ControlWidget::Complete(QWidget* focused) {
    if (auto* edit = qobject_cast<QLineEdit*>(focused))
        emit edit->editingFinished();
}

namespace {

// A group's frame as the windows' layouts expect it: its line runs through the middle of the
// caption, which stands over the line, so that the controls placed just below the caption are
// inside the frame. (Qt's own styles put the whole caption above the line, a caption's height
// lower, across the first controls.)
class CaptionedFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* event) override {
        if (isFlat() || title().isEmpty()) {
            QGroupBox::paintEvent(event);
            return;
        }
        QStylePainter painter(this);
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        QRect caption =
            style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
        caption.moveTop(0);
        caption.setHeight(fontMetrics().height());
        // An etched line, broken where the caption stands (the styles' own group frame sits
        // where they put it, below the caption).
        painter.setClipRegion(QRegion(rect()).subtracted(caption.adjusted(-2, 0, 2, 0)));
        qDrawShadeRect(&painter, rect().adjusted(0, fontMetrics().height() / 2, 0, 0), palette(),
                       true, 1);
        painter.setClipping(false);
        painter.drawItemText(caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                             palette(), isEnabled(), title(), QPalette::WindowText);
    }
};

// Refuses what the code page cannot hold and any edit that adds one of the field's refused
// characters, and makes upper case when the field asks for it. A value the program shows may
// already hold refused characters (read from a file with junk in it): they stay as they were and
// may be deleted, but nothing typed or pasted brings one in. An edit is judged by what it put in
// place of what it removed, against the text before it. Every text the field held since the value
// was shown stays valid, the value itself included, so that Qt's undo and redo can reach them:
// Qt's line edit undoes an invalid edit only when the text before it was valid.
class FieldValidator : public QValidator {
public:
    // `offered` tells a choice of the control's own list (a drop combo's item), which the user
    // may pick whatever it holds.
    FieldValidator(bool upper, std::string refused,
                   std::function<std::size_t(std::string_view)> misread, QObject* parent,
                   std::function<bool(const QString&)> offered = {})
        : QValidator(parent), upper_(upper), refused_(std::move(refused)),
          misread_(std::move(misread)), offered_(std::move(offered)) {}
    // The program shows this value next.
    void Show(const std::string& value) {
        before_ = value;
        held_.clear();
        Hold(value);
    }
    State validate(QString& input, int&) const override {
        if (!QtTextFits(input))
            return Invalid;
        if (!refused_.empty()) {
            const std::string text = FromQt(input);
            const bool known = std::find(held_.begin(), held_.end(), text) != held_.end() ||
                               (offered_ && Refuses(text) && offered_(input));
            if (!known && Refuses(Inserted(text)))
                return Invalid;
        }
        if (misread_) {
            // A text the field showed stays valid; an edit may not add a place that its file
            // would not give back as typed.
            const std::string text = FromQt(input);
            const bool known = std::find(held_.begin(), held_.end(), text) != held_.end() ||
                               (offered_ && offered_(input));
            if (!known && misread_(text) > misread_(before_))
                return Invalid;
        }
        if (upper_)
            input = ToQt(Upper(FromQt(input)));
        before_ = FromQt(input);
        Hold(before_);
        return Acceptable;
    }

private:
    bool Refuses(std::string_view text) const {
        return text.find_first_of(refused_) != std::string_view::npos;
    }
    // What an edit from the text before it to `text` put in place of what it removed.
    std::string_view Inserted(std::string_view text) const {
        const TextChange change = ChangeBetween(before_, text);
        return text.substr(change.start, text.size() - change.start - change.end);
    }
    // Only a text that holds a refused character or a misread place needs keeping: any other one
    // is valid anyway.
    void Hold(const std::string& text) const {
        if ((Refuses(text) || (misread_ && misread_(text) > 0)) &&
            std::find(held_.begin(), held_.end(), text) == held_.end())
            held_.push_back(text);
    }

    bool upper_;
    std::string refused_;
    std::function<std::size_t(std::string_view)> misread_;
    std::function<bool(const QString&)> offered_;
    mutable std::string before_;
    mutable std::vector<std::string> held_;
};

// Prompts and strings.
class Label : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    QWidget* Build(QWidget* client) override {
        label_ = new QLabel(ToQt(Def().text), client);
        label_->setTextFormat(Qt::PlainText);
        if (Def().attributes & ATTR_Right)
            label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        else if (Def().attributes & ATTR_Center)
            label_->setAlignment(Qt::AlignCenter);
        return label_;
    }
    void ShowText(const std::string& text) override {
        label_->setText(ToQt(text));
        LabelTextChanged(label_, text);
    }
    // A prompt's "&" marks its access key, which gives the focus to the control after it.
    void WindowBuilt(Control* next) override {
        if (label_ && next && Def().kind == ControlKind::Prompt &&
            Def().text.find('&') != std::string::npos)
            label_->setBuddy(next->Widget());
    }

private:
    QPointer<QLabel> label_;
};

class Entry : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    QWidget* Build(QWidget* client) override {
        edit_ = new QLineEdit(client);
        const ControlDef& def = Def();
        if (def.pictureWidth > 0)
            edit_->setMaxLength(def.pictureWidth);
        validator_ =
            new FieldValidator(def.attributes & ATTR_Upper, def.refused, def.misread, edit_);
        edit_->setValidator(validator_);
        edit_->setReadOnly(def.attributes & ATTR_ReadOnly);
        if (def.attributes & ATTR_Password)
            edit_->setEchoMode(QLineEdit::Password);
        if (def.attributes & ATTR_Right)
            edit_->setAlignment(Qt::AlignRight);
        QObject::connect(edit_, &QLineEdit::textEdited, edit_, [this] { SetDirty(true); });
        QObject::connect(edit_, &QLineEdit::editingFinished, edit_, [this] {
            if (Dirty()) {
                SetDirty(false);
                Changed(EVENT_Accepted);
            }
        });
        return edit_;
    }
    std::string Text() const override { return edit_ ? FromQt(edit_->text()) : Caption(); }
    void ShowText(const std::string& text) override {
        validator_->Show(text);
        edit_->setText(ToQt(text));
    }
    void ShowBound(const std::string& value) override { control_.SetValue(Clip(value)); }
    void SetSelStart(int position) override {
        if (edit_)
            edit_->setCursorPosition(std::max(0, position - 1));
    }
    int SelStart() const override { return edit_ ? edit_->cursorPosition() + 1 : 0; }
    bool EnterPressesDefault() const override { return true; }

private:
    QPointer<QLineEdit> edit_;
    QPointer<FieldValidator> validator_;
};

// Multi-line texts. The program counts a line break as CR LF, two characters; the widget holds
// one.
class TextBox : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    QWidget* Build(QWidget* client) override {
        edit_ = new QPlainTextEdit(client);
        edit_->setReadOnly(Def().attributes & ATTR_ReadOnly);
        if (Def().attributes & ATTR_Unboxed) {
            // The text alone, as a label shows it, using the whole of the control.
            edit_->setFrameShape(QFrame::NoFrame);
            edit_->document()->setDocumentMargin(0);
            edit_->viewport()->setAutoFillBackground(false);
        }
        edit_->setTabChangesFocus(true);
        QObject::connect(edit_, &QPlainTextEdit::textChanged, edit_, [this] {
            if (!Updating())
                SetDirty(true);
        });
        return edit_;
    }
    std::string Text() const override {
        if (!edit_)
            return Caption();
        std::string out;
        for (char c : FromQt(edit_->toPlainText())) {
            if (c == '\n')
                out += "\r\n";
            else
                out += c;
        }
        return out;
    }
    void ShowText(const std::string& text) override {
        std::string plain;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                continue;
            plain += text[i];
        }
        edit_->setPlainText(ToQt(plain));
    }
    void SetSelStart(int position) override {
        if (!edit_)
            return;
        // A place between the CR and the LF goes behind the break.
        QString plain = edit_->toPlainText();
        int before = std::max(0, position - 1);
        int at = 0;
        while (at < plain.size() && before > 0) {
            before -= plain[at] == QChar('\n') ? 2 : 1;
            ++at;
        }
        QTextCursor cursor = edit_->textCursor();
        cursor.setPosition(at);
        edit_->setTextCursor(cursor);
    }
    int SelStart() const override {
        if (!edit_)
            return 0;
        QString plain = edit_->toPlainText();
        int at = edit_->textCursor().position();
        int breaks = 0;
        for (int i = 0; i < at && i < plain.size(); ++i)
            breaks += plain[i] == QChar('\n');
        return at + breaks + 1;
    }

private:
    QPointer<QPlainTextEdit> edit_;
};

class Button : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    QWidget* Build(QWidget* client) override {
        const ControlDef& def = Def();
        button_ = new QPushButton(ToQt(def.text), client);
        if (!def.icon.empty())
            button_->setIcon(PlatformIcon(def.icon));
        button_->setAutoDefault(false);
        button_->setDefault(def.attributes & ATTR_Default);
        if (def.attributes & ATTR_StdHelp)
            QObject::connect(button_, &QPushButton::clicked, button_,
                             [this] { ShowHelp(HelpRequest::Keyword, Owner().Definition().help); });
        else
            QObject::connect(button_, &QPushButton::clicked, button_,
                             [this] { Owner().PostInputEvent(EVENT_Accepted, Def().number); });
        return button_;
    }
    void ShowText(const std::string& text) override { button_->setText(ToQt(text)); }
    void ShowIcon(const std::string& icon) override {
        if (button_)
            button_->setIcon(PlatformIcon(icon));
    }
    // A button that shows only an icon is named by its tooltip.
    void ShowTip(const std::string& tip) override {
        if (button_ && Def().text.empty())
            button_->setAccessibleName(ToQt(tip));
    }

private:
    QPointer<QPushButton> button_;
};

class CheckBox : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    QWidget* Build(QWidget* client) override {
        check_ = new QCheckBox(ToQt(Def().text), client);
        QObject::connect(check_, &QCheckBox::clicked, check_, [this] { Changed(EVENT_Accepted); });
        return check_;
    }
    void ShowText(const std::string& text) override { check_->setText(ToQt(text)); }
    std::string Value() const override { return check_->isChecked() ? "1" : "0"; }
    void SetValue(const std::string& value) override { check_->setChecked(ToLong(value) != 0); }
    bool EnterPressesDefault() const override { return true; }

private:
    QPointer<QCheckBox> check_;
};

// An option group: its value is the value of its chosen radio (its position from 1 when the
// radio has none).
class OptionGroup : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    QWidget* Build(QWidget* client) override {
        QString text = ToQt(Def().text);
        group_ = new CaptionedFrame(text, client);
        group_->setFlat(text.isEmpty());
        radios_ = new QButtonGroup(group_);
        radios_->setExclusive(true);
        QObject::connect(radios_, &QButtonGroup::buttonClicked, group_,
                         [this](QAbstractButton*) { Changed(EVENT_Accepted); });
        return group_;
    }
    // Where the group's radios join it; null before the group is built.
    QButtonGroup* Radios() const { return radios_; }

    void ShowText(const std::string& text) override { group_->setTitle(ToQt(text)); }
    std::string Value() const override {
        int i = 0;
        for (Control* c : Owner().Controls())
            if (IsRadio(*c)) {
                ++i;
                if (Checked(*c))
                    return c->Definition().value.empty() ? DecimalText(i) : c->Definition().value;
            }
        return std::string();
    }
    void SetValue(const std::string& value) override {
        int i = 0;
        for (Control* c : Owner().Controls())
            if (IsRadio(*c)) {
                ++i;
                const std::string& own = c->Definition().value;
                if (Equal(own.empty() ? DecimalText(i) : own, value))
                    static_cast<QRadioButton*>(c->Widget())->setChecked(true);
            }
    }
    int Selected() const override {
        int i = 0;
        for (Control* c : Owner().Controls())
            if (IsRadio(*c)) {
                ++i;
                if (Checked(*c))
                    return i;
            }
        return 0;
    }

private:
    bool IsRadio(const Control& c) const {
        return c.Kind() == ControlKind::Radio && c.Parent() == Def().number;
    }
    static bool Checked(const Control& radio) {
        return static_cast<QRadioButton*>(radio.Widget())->isChecked();
    }

    QPointer<QGroupBox> group_;
    QPointer<QButtonGroup> radios_;
};

class Radio : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    QWidget* Build(QWidget* client) override {
        radio_ = new QRadioButton(ToQt(Def().text), client);
        if (Control* option = Owner().Find(Def().parent))
            if (auto* group = dynamic_cast<OptionGroup*>(option->WidgetSide());
                group && group->Radios())
                group->Radios()->addButton(radio_);
        return radio_;
    }
    void ShowText(const std::string& text) override { radio_->setText(ToQt(text)); }
    bool EnterPressesDefault() const override { return true; }

private:
    QPointer<QRadioButton> radio_;
};

// Spin boxes: a value typed outside the range is rejected when the field is completed.
class Spin : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    QWidget* Build(QWidget* client) override {
        const ControlDef& def = Def();
        spin_ = new RangeSpinBox(client);
        spin_->rejected = [this](int reason, const std::string& typed) {
            Reject(reason, typed);
            SetDirty(false);
            Owner().PostInputEvent(EVENT_Rejected, Def().number);
        };
        spin_->setDecimals(def.digits);
        spin_->setRange(def.low, def.high);
        spin_->setSingleStep(def.step);
        QObject::connect(spin_, &QDoubleSpinBox::valueChanged, spin_, [this](double) {
            if (!Updating()) {
                SetDirty(true);
                Changed(EVENT_NewSelection);
            }
        });
        QObject::connect(spin_, &QDoubleSpinBox::editingFinished, spin_, [this] {
            if (Dirty()) {
                SetDirty(false);
                Changed(EVENT_Accepted);
            }
        });
        return spin_;
    }
    std::string Value() const override {
        return FromQt(QString::number(spin_->value(), 'f', Def().digits));
    }
    void SetValue(const std::string& value) override { spin_->setValue(ToNumber(value)); }
    void SetRange(double low, double high) override {
        if (!spin_)
            return;
        Quiet quiet(control_);
        spin_->setRange(low, high);
    }
    bool EnterPressesDefault() const override { return true; }
    void Complete(QWidget*) override { spin_->Complete(); }

private:
    QPointer<RangeSpinBox> spin_;
};

// Calls `shown` when its widget is about to be shown.
class ShowWatch : public QObject {
public:
    ShowWatch(QObject* parent, std::function<void()> shown)
        : QObject(parent), shown_(std::move(shown)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show)
            shown_();
        return false;
    }

private:
    std::function<void()> shown_;
};

// Drop lists (no typing; the value is the chosen item's position) and drop combos (with an
// entry; the value is its text). Both show the first column of their list source.
class Combo : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    QWidget* Build(QWidget* client) override {
        const ControlDef& def = Def();
        combo_ = new QComboBox(client);
        combo_->installEventFilter(new ShowWatch(combo_, [this] { FillIfStale(); }));
        bool editable = def.kind == ControlKind::DropCombo;
        combo_->setEditable(editable);
        if (editable) {
            combo_->setCompleter(nullptr); // what is typed stays as typed
            combo_->setInsertPolicy(QComboBox::NoInsert);
            QLineEdit* edit = combo_->lineEdit();
            validator_ = new FieldValidator(def.attributes & ATTR_Upper, def.refused, def.misread,
                                            edit, [combo = combo_.data()](const QString& text) {
                                                return combo->findText(text) >= 0;
                                            });
            edit->setValidator(validator_);
            if (def.pictureWidth > 0)
                edit->setMaxLength(def.pictureWidth);
            QObject::connect(edit, &QLineEdit::textEdited, combo_, [this] { SetDirty(true); });
            QObject::connect(edit, &QLineEdit::editingFinished, combo_, [this] {
                if (Dirty()) {
                    SetDirty(false);
                    Changed(EVENT_Accepted);
                }
            });
        }
        QObject::connect(combo_, &QComboBox::activated, combo_, [this](int) {
            SetDirty(false);
            Changed(EVENT_NewSelection);
            Owner().PostInputEvent(EVENT_Accepted, Def().number);
        });
        return combo_;
    }
    std::string Text() const override { return combo_ ? FromQt(combo_->currentText()) : Caption(); }
    void ShowText(const std::string& text) override {
        if (Editable()) {
            validator_->Show(text);
            combo_->setEditText(ToQt(text));
        }
    }
    std::string Value() const override { return Editable() ? Text() : DecimalText(Selected()); }
    void SetValue(const std::string& value) override {
        if (Editable())
            ControlWidget::SetValue(value);
        else
            control_.Select(static_cast<int>(ToLong(value)));
    }
    // A drop list shows the choice that equals its variable; a drop combo the variable's text.
    void ShowBound(const std::string& value) override {
        Reload();
        if (validator_)
            validator_->Show(Clip(value));
        {
            Quiet quiet(control_);
            // A drop combo's chosen item is the one its text equals, too: the combo would
            // otherwise take the text for a new choice when its entry loses the focus (to its
            // own drop-down list, say), as if the user had chosen the item.
            combo_->setCurrentIndex(combo_->findText(ToQt(Clip(value))));
            if (Editable())
                combo_->setEditText(ToQt(Clip(value)));
        }
        SetDirty(false);
    }
    std::string TakeBound() const override { return Text(); }

    int Selected() const override {
        const_cast<Combo*>(this)->FillIfStale();
        return combo_ ? combo_->currentIndex() + 1 : 0;
    }
    void Select(int item) override {
        if (!combo_)
            return;
        FillIfStale();
        Quiet quiet(control_);
        combo_->setCurrentIndex(item - 1);
    }
    void Reload() override {
        if (!combo_)
            return;
        // The items as the source has them now; a list shown again unchanged (each redisplay of
        // the window shows every bound control) is not built again.
        std::vector<std::string> items;
        if (const ListSource* source = control_.Source()) {
            items.reserve(static_cast<std::size_t>(std::max(0, source->Count())));
            for (int row = 1; row <= source->Count(); ++row)
                items.push_back(Clip(source->Cell(row, 1)));
        }
        if (loaded_ && !stale_ && items == items_ && LinePixels() == itemPixels_ &&
            combo_->count() == static_cast<int>(items.size()))
            return;
        // A drop combo not on the screen (a grid's editor until a cell is edited) gets its items
        // when it is shown: its value is its text, which it keeps meanwhile.
        if (Editable() && !combo_->isVisible()) {
            items_ = std::move(items);
            stale_ = true;
            return;
        }
        Fill(std::move(items));
    }
    // The items kept for a drop combo that was hidden, put in before it shows, with the item of
    // its text chosen as ShowBound chooses it.
    void FillIfStale() {
        if (!combo_ || !stale_)
            return;
        Quiet quiet(control_);
        const QString edit = combo_->currentText();
        Fill(std::move(items_));
        combo_->setCurrentIndex(combo_->findText(edit));
        combo_->setEditText(edit);
    }
    void Fill(std::vector<std::string> items) {
        stale_ = false;
        Quiet quiet(control_);
        QString edit = combo_->isEditable() ? combo_->currentText() : QString();
        int current = combo_->currentIndex();
        combo_->clear();
        // All rows at once: one insertion, not one for each item.
        QList<QStandardItem*> rows;
        rows.reserve(static_cast<qsizetype>(items.size()));
        for (const std::string& item : items) {
            auto* row = new QStandardItem(ToQt(item));
            if (LinePixels() > 0)
                row->setData(QSize(0, LinePixels()), Qt::SizeHintRole);
            rows.append(row);
        }
        if (auto* model = qobject_cast<QStandardItemModel*>(combo_->model()))
            model->invisibleRootItem()->appendRows(rows);
        else
            qDeleteAll(rows);
        items_ = std::move(items);
        itemPixels_ = LinePixels();
        loaded_ = true;
        if (current >= 0 && current < combo_->count())
            combo_->setCurrentIndex(current);
        if (combo_->isEditable())
            combo_->setEditText(edit);
    }
    void SetRowHeight(int) override { Reload(); } // the rows of the drop-down list take it
    void SetDropCount(int lines) override {
        if (combo_)
            combo_->setMaxVisibleItems(std::max(1, lines));
    }
    bool EnterPressesDefault() const override { return true; }

private:
    bool Editable() const { return Def().kind == ControlKind::DropCombo; }

    QPointer<QComboBox> combo_;
    QPointer<FieldValidator> validator_; // a drop combo's
    std::vector<std::string> items_;     // as last loaded, or to be put in
    int itemPixels_ = 0;
    bool loaded_ = false;
    bool stale_ = false; // items_ waits to be put in
};

// A sheet of tabs; its value is the chosen tab's position.
// A sheet of tabs. The chosen tab is the one the program selected or the user picked last; what
// Qt does on its own (moving its current tab off a tab the program hides) chooses nothing and
// raises no event. A hidden tab is no choice: then no tab is chosen and no page's controls show.
class Sheet : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    QWidget* Build(QWidget* client) override {
        tabs_ = new QTabWidget(client);
        // A click on a tab puts the keyboard on the tab bar, where the arrows choose the next
        // tab; else Qt hands it to the window around the sheet, which is no control.
        tabs_->tabBar()->setFocusPolicy(Qt::StrongFocus);
        QObject::connect(tabs_, &QTabWidget::currentChanged, tabs_, [this](int index) {
            if (!Updating())
                Pick(index);
        });
        // A click on the tab Qt shows already, while no tab is chosen, picks it too.
        QObject::connect(tabs_->tabBar(), &QTabBar::tabBarClicked, tabs_, [this](int index) {
            if (!Updating() && index >= 0)
                Pick(index);
        });
        return tabs_;
    }
    std::string Value() const override { return DecimalText(Selected()); }
    void SetValue(const std::string& value) override {
        control_.Select(static_cast<int>(ToLong(value)));
    }
    int Selected() const override {
        return tabs_ && chosen_ >= 1 && tabs_->isTabVisible(chosen_ - 1) ? chosen_ : 0;
    }
    void Select(int item) override {
        if (!tabs_ || item < 1 || item > tabs_->count())
            return;
        Quiet quiet(control_);
        chosen_ = item;
        PageSwitch quietly;
        tabs_->setCurrentIndex(item - 1);
        Owner().RefreshVisibility();
    }
    void SetTabHidden(int position, bool hidden) override {
        if (!tabs_)
            return;
        Quiet quiet(control_);
        tabs_->setTabVisible(position - 1, !hidden);
        Owner().RefreshVisibility();
    }
    bool TakesFirstFocus() const override { return false; }

    bool Built() const { return tabs_ != nullptr; }
    // Adds a tab's page; its index in the sheet. The first page is chosen, as Qt shows it.
    int AddPage(QWidget* page, const QString& text) {
        Quiet quiet(control_);
        int index = tabs_->addTab(page, text);
        if (chosen_ == 0)
            chosen_ = tabs_->currentIndex() + 1;
        return index;
    }
    void SetPageText(int index, const QString& text) { tabs_->setTabText(index, text); }
    // Whether the page at an index is the one shown.
    bool Shows(int index) const { return Selected() == index + 1; }

private:
    void Pick(int index) {
        if (index + 1 == chosen_ && Selected() != 0)
            return;
        chosen_ = index + 1;
        {
            PageSwitch quietly;
            Owner().RefreshVisibility();
        }
        Changed(EVENT_NewSelection);
    }

    QPointer<QTabWidget> tabs_;
    int chosen_ = 0; // from 1; 0 before the first page
};

// A tab of a sheet (its parent): a page of the sheet, on which the controls whose parent is the
// tab show while it is chosen.
class Tab : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    QWidget* Build(QWidget*) override {
        Sheet* sheet = SheetOf();
        if (!sheet || !sheet->Built())
            throw std::logic_error("A tab must belong to a sheet");
        auto* page = new QWidget;
        index_ = sheet->AddPage(page, ToQt(Def().text));
        return page;
    }
    void ShowText(const std::string& text) override {
        if (Sheet* sheet = SheetOf())
            sheet->SetPageText(index_, ToQt(text));
    }
    bool ShowsChildren() const override {
        Sheet* sheet = SheetOf();
        if (!sheet || !sheet->Shows(index_))
            return false;
        return !control_.Hidden() && Owner().Find(Def().parent)->Visible();
    }
    bool IsPage() const override { return true; }
    bool TakesFirstFocus() const override { return false; }

private:
    Sheet* SheetOf() const {
        Control* sheet = Owner().Find(Def().parent);
        return sheet ? dynamic_cast<Sheet*>(sheet->WidgetSide()) : nullptr;
    }

    int index_ = -1;
};

// A framed group with a caption.
class Group : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    QWidget* Build(QWidget* client) override {
        group_ = new CaptionedFrame(ToQt(Def().text), client);
        return group_;
    }
    void ShowText(const std::string& text) override { group_->setTitle(ToQt(text)); }

private:
    QPointer<QGroupBox> group_;
};

// A panel's frame: one line of the style's outline colour along the panel's edge, drawn one
// device pixel wide on the device's own pixels, so that every side shows at any scale (a line one
// unit wide at a fractional scale falls partly outside the panel and loses its top and left).
class PanelFrame : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        // The painter's own scale: the screen's, or that of a picture the panel is drawn into.
        const qreal ratio = painter.deviceTransform().m11();
        painter.scale(1 / ratio, 1 / ratio);
        const int width = qRound(this->width() * ratio);
        const int height = qRound(this->height() * ratio);
        const QColor outline = palette().color(QPalette::Window).darker(140).lighter(108);
        // Whole device pixels, each side filled as a rectangle a pixel thick.
        painter.fillRect(QRectF(0, 0, width, 1), outline);
        painter.fillRect(QRectF(0, height - 1, width, 1), outline);
        painter.fillRect(QRectF(0, 0, 1, height), outline);
        painter.fillRect(QRectF(width - 1, 0, 1, height), outline);
    }
};

// Panels and boxes: plain frames.
class Framed : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    QWidget* Build(QWidget* client) override {
        if (Def().kind == ControlKind::Panel)
            return new PanelFrame(client);
        auto* frame = new QFrame(client);
        frame->setFrameShape(QFrame::Box);
        return frame;
    }
};

class Progress : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    QWidget* Build(QWidget* client) override {
        bar_ = new QProgressBar(client);
        bar_->setRange(static_cast<int>(Def().low), static_cast<int>(Def().high));
        bar_->setValue(static_cast<int>(Def().low));
        return bar_;
    }
    std::string Value() const override { return DecimalText(bar_->value()); }
    // A thread busy with a long job moves the bar many times a second, and Qt paints the bar on
    // the spot each time: it is painted at once at most every 20 ms (more than a screen shows);
    // a move in between is painted with the next one, or when the thread next waits.
    void SetValue(const std::string& value) override {
        const auto now = std::chrono::steady_clock::now();
        if (now - painted_ < std::chrono::milliseconds(20)) {
            bar_->setUpdatesEnabled(false);
            bar_->setValue(static_cast<int>(ToLong(value)));
            bar_->setUpdatesEnabled(true);
            return;
        }
        bar_->setValue(static_cast<int>(ToLong(value)));
        painted_ = now;
    }
    void SetRange(double low, double high) override {
        if (bar_)
            bar_->setRange(static_cast<int>(low), static_cast<int>(high));
    }

private:
    QPointer<QProgressBar> bar_;
    std::chrono::steady_clock::time_point painted_;
};

// An empty control the program draws on itself.
class Region : public ControlWidget {
public:
    using ControlWidget::ControlWidget;
    QWidget* Build(QWidget* client) override { return new QWidget(client); }
};

// The rules of the resizer's strategy: buttons and radios keep their size and their distance to
// the nearer edges; entries and labels keep height and top distance and scale across; lists,
// drop lists, option boxes and sheets keep left and top and stretch to keep their right and
// bottom margins; every other control scales in position and size.
constexpr ResizeRule kKeepSize{ResizeX::FixNearest, ResizeY::FixNearest, ResizeSize::Fixed,
                               ResizeSize::Fixed};
constexpr ResizeRule kAcross{ResizeX::Scale, ResizeY::FixTop, ResizeSize::Scale, ResizeSize::Fixed};
constexpr ResizeRule kStretch{ResizeX::FixLeft, ResizeY::FixTop, ResizeSize::KeepMargin,
                              ResizeSize::KeepMargin};
constexpr ResizeRule kScale{ResizeX::Scale, ResizeY::Scale, ResizeSize::Scale, ResizeSize::Scale};

template <typename Side>
std::unique_ptr<ControlWidget> Make(Control& control) {
    return std::make_unique<Side>(control);
}

struct Kind {
    ControlKind kind;
    std::unique_ptr<ControlWidget> (*make)(Control&);
    ResizeRule resize;
};

const Kind kKinds[] = {
    {ControlKind::Prompt, Make<Label>, kAcross},
    {ControlKind::String, Make<Label>, kAcross},
    {ControlKind::Entry, Make<Entry>, kAcross},
    {ControlKind::Text, Make<TextBox>, kScale},
    {ControlKind::Button, Make<Button>, kKeepSize},
    {ControlKind::Check, Make<CheckBox>, kScale},
    {ControlKind::Option, Make<OptionGroup>, kStretch},
    {ControlKind::Radio, Make<Radio>, kKeepSize},
    {ControlKind::Spin, Make<Spin>, kScale},
    {ControlKind::DropList, Make<Combo>, kStretch},
    {ControlKind::DropCombo, Make<Combo>, kStretch},
    {ControlKind::Sheet, Make<Sheet>, kStretch},
    {ControlKind::Tab, Make<Tab>, kScale},
    {ControlKind::Group, Make<Group>, kScale},
    {ControlKind::Panel, Make<Framed>, kScale},
    {ControlKind::Box, Make<Framed>, kScale},
    {ControlKind::Progress, Make<Progress>, kScale},
    {ControlKind::Region, Make<Region>, kScale},
    {ControlKind::List, Make<ListBox>, kStretch},
    {ControlKind::Image, Make<ImageBox>, kScale},
};

const Kind& KindOf(ControlKind kind) {
    for (const Kind& k : kKinds)
        if (k.kind == kind)
            return k;
    throw std::logic_error("A control kind without a line in the table of kinds");
}

} // namespace

std::unique_ptr<ControlWidget> MakeControlWidget(Control& control) {
    return KindOf(control.Kind()).make(control);
}

ResizeRule DefaultResizeRule(ControlKind kind) {
    return KindOf(kind).resize;
}

} // namespace platform
