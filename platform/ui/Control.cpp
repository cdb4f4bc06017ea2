#include "platform/ui/Control.h"

#include "platform/runtime/Runtime.h"
#include "platform/text/Text.h"
#include "platform/ui/ControlKinds.h"
#include "platform/ui/ControlWidget.h"
#include "platform/ui/Input.h"
#include "platform/ui/Qt.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include <algorithm>

namespace platform {

struct Control::Private {
    QPointer<QWidget> widget; // owned by the window's client area
};

Control::Control(Window& window, const ControlDef& def)
    : window_(window), def_(def), p_(std::make_unique<Private>()) {
    side_ = MakeControlWidget(*this);
    hidden_ = def.attributes & ATTR_Hidden;
    disabled_ = def.attributes & ATTR_Disabled;
    skip_ = def.attributes & ATTR_Skip;
    fontName_ = window.Definition().fontName;
    fontSize_ = window.Definition().fontSize;
    caption_ = def.text;
    px_ = window.ToPixelsX(def.x);
    py_ = window.ToPixelsY(def.y);
    pw_ = window.ToPixelsX(def.width);
    ph_ = window.ToPixelsY(def.height);
}

Control::~Control() {
    // The widget goes before the side that built it.
    if (p_->widget)
        delete p_->widget.data();
}

QWidget* Control::Widget() const {
    return p_->widget.data();
}

void Control::Build() {
    QWidget* w = side_->Build(window_.ClientWidget());
    p_->widget = w;
    input::MarkControl(w, this);
    if (!side_->IsPage()) {
        w->setFont(StandInFont(fontName_, fontSize_));
        if (!def_.tip.empty())
            w->setToolTip(ToQt(def_.tip));
        side_->ShowTip(def_.tip);
    }
    w->setEnabled(!disabled_);
    if (skip_)
        w->setFocusPolicy(Qt::ClickFocus);
    Place();
}

void Control::Place() {
    QWidget* w = Widget();
    if (!w || side_->IsPage())
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
    return side_->Text();
}

void Control::SetText(const std::string& text) {
    caption_ = text;
    if (!Widget())
        return;
    updating_ = true;
    side_->ShowText(text);
    dirty_ = false;
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
    return window_.Pixels() ? px_ : window_.FromPixelsX(px_);
}
int Control::Y() const {
    return window_.Pixels() ? py_ : window_.FromPixelsY(py_);
}
int Control::Width() const {
    return window_.Pixels() ? pw_ : window_.FromPixelsX(pw_);
}
int Control::Height() const {
    return window_.Pixels() ? ph_ : window_.FromPixelsY(ph_);
}

void Control::SetPosition(int x, int y, int width, int height) {
    bool pixels = window_.Pixels();
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
    return side_->Value();
}

void Control::SetValue(const std::string& value) {
    if (!Widget())
        return;
    updating_ = true;
    side_->SetValue(value);
    dirty_ = false;
    updating_ = false;
}

int Control::Selected() const {
    return side_->Selected();
}

void Control::Select(int item) {
    side_->Select(item);
    window_.RefreshVisibility();
}

void Control::SetListSource(const ListSource* source) {
    source_ = source;
    side_->Reload();
}

void Control::SetDropCount(int lines) {
    side_->SetDropCount(lines);
}

void Control::SetFont(const std::string& name, int size) {
    fontName_ = name;
    fontSize_ = size;
    if (Widget() && !side_->IsPage())
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
    side_->SetSelStart(position);
}

int Control::SelStart() const {
    return side_->SelStart();
}

void Control::SetSkip(bool skip) {
    skip_ = skip;
    if (Widget())
        Widget()->setFocusPolicy(skip ? Qt::ClickFocus : Qt::StrongFocus);
}

void Control::SetTabStop() {
    if (Widget() && !skip_)
        Widget()->setFocusPolicy(Qt::TabFocus);
}

void Control::SetRange(double low, double high) {
    def_.low = low;
    def_.high = high;
    side_->SetRange(low, high);
}

void Control::SetIcon(const std::string& icon) {
    def_.icon = icon;
    side_->ShowIcon(icon);
}

void Control::SetLineHeight(int height) {
    lineHeight_ = height;
    // In the window's current unit, as positions are.
    linePixels_ = window_.Pixels() ? height : window_.ToPixelsY(height);
    side_->SetRowHeight(linePixels_);
}

void Control::SetTabHidden(int position, bool hidden) {
    side_->SetTabHidden(position, hidden);
    window_.RefreshVisibility();
}

void Control::AddAlert(int keyCode) {
    alerts_.Add(keyCode);
}

bool Control::Alerted(int keyCode) const {
    return alerts_.Has(keyCode);
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
    return !parent || parent->side_->ShowsChildren();
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
    side_->ShowBound(BoundText(binding_));
}

void Control::Redisplay() {
    if (binding_.target.index() != 0)
        ShowValue();
    else
        side_->Redisplay();
}

void Control::Closing() {
    if (p_->widget)
        input::UnmarkControl(p_->widget);
    // The list the control shows may be gone before the window (it is often a member declared
    // after it): nothing may read it while the widgets go.
    source_ = nullptr;
    side_->Closing();
}

void Control::TakeValue() {
    if (binding_.target.index() == 0)
        return;
    std::string value = side_->TakeBound();
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
