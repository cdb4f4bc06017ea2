#include "platform/ui/WindowResizer.h"

#include "platform/ui/ControlKinds.h"
#include "platform/ui/ControlWidget.h"
#include "platform/ui/Window.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

int Scaled(int value, int to, int from) {
    return from == 0 ? value
                     : static_cast<int>(std::lround(static_cast<double>(value) * to / from));
}

// One axis: the offset inside the container and the size, from the old layout.
void Axis(int offset, int size, int oldContainer, int newContainer, int position, int sizing,
          int& newOffset, int& newSize) {
    // position: 0 near edge, 1 far edge, 2 nearer edge, 3 scale; sizing: 0 fixed, 1 scale,
    // 2 keep the far margin
    int farMargin = oldContainer - offset - size;
    if (position == 2)
        position = offset <= farMargin ? 0 : 1;
    newSize = sizing == 1 ? Scaled(size, newContainer, oldContainer) : size;
    switch (position) {
    case 0:
        newOffset = offset;
        break;
    case 1:
        newOffset = newContainer - farMargin - newSize;
        break;
    default:
        newOffset = Scaled(offset, newContainer, oldContainer);
        break;
    }
    if (sizing == 2)
        newSize = std::max(0, newContainer - farMargin - newOffset);
}

} // namespace

WindowResizer::~WindowResizer() = default;

void WindowResizer::Init(Window& window, int strategy, bool setMinSize, bool setMaxSize) {
    window_ = &window;
    strategy_ = strategy;
    Reset();
    if (setMinSize)
        window.SetMinimumSize(window.Width(), window.Height());
    if (setMaxSize && window.ClientWidget())
        window.ClientWidget()->setMaximumSize(window.ClientWidget()->size());
}

void WindowResizer::SetStrategy(int control, const ResizeRule& rule) {
    rules_[control] = rule;
}

void WindowResizer::SetParentDefaults() {
    linked_ = true;
}

void WindowResizer::Reset() {
    old_.clear();
    if (!window_)
        return;
    UnitScope pixels(*window_, true);
    oldWidth_ = window_->Width();
    oldHeight_ = window_->Height();
    for (Control* c : window_->Controls())
        if (c->Number() != 0)
            old_[c->Number()] = Rect{c->X(), c->Y(), c->Width(), c->Height()};
}

ResizeRule WindowResizer::RuleOf(int control) const {
    ResizeRule rule;
    if (window_)
        if (Control* c = window_->Find(control))
            rule = DefaultResizeRule(c->Kind());
    auto it = rules_.find(control);
    if (it != rules_.end()) {
        const ResizeRule& own = it->second;
        if (own.x != ResizeX::Default)
            rule.x = own.x;
        if (own.y != ResizeY::Default)
            rule.y = own.y;
        if (own.width != ResizeSize::Default)
            rule.width = own.width;
        if (own.height != ResizeSize::Default)
            rule.height = own.height;
    }
    return rule;
}

int WindowResizer::ContainerOf(int control) const {
    if (!linked_ || !window_)
        return 0;
    Control* c = window_->Find(control);
    if (!c || c->Parent() == 0)
        return 0;
    Control* parent = window_->Find(c->Parent());
    if (!parent)
        return 0;
    if (parent->WidgetSide()->IsPage())
        return parent->Parent(); // a tab's page is its sheet's rectangle
    return parent->Number();
}

WindowResizer::Rect WindowResizer::ContainerOld(int control) const {
    int container = ContainerOf(control);
    auto it = old_.find(container);
    if (container == 0 || it == old_.end())
        return Rect{0, 0, oldWidth_, oldHeight_};
    return it->second;
}

WindowResizer::Rect WindowResizer::ContainerNew(int control, std::map<int, Rect>& done) const {
    int container = ContainerOf(control);
    if (container == 0 || old_.find(container) == old_.end()) {
        UnitScope pixels(*window_, true);
        return Rect{0, 0, window_->Width(), window_->Height()};
    }
    return NewRect(container, done);
}

WindowResizer::Rect WindowResizer::NewRect(int control, std::map<int, Rect>& done) const {
    auto found = done.find(control);
    if (found != done.end())
        return found->second;
    Rect old = old_.at(control);
    Rect from = ContainerOld(control);
    Rect to = ContainerNew(control, done);
    ResizeRule rule = RuleOf(control);
    auto sizing = [](ResizeSize s) {
        return s == ResizeSize::Fixed ? 0 : s == ResizeSize::KeepMargin ? 2 : 1;
    };
    int px = rule.x == ResizeX::FixLeft      ? 0
             : rule.x == ResizeX::FixRight   ? 1
             : rule.x == ResizeX::FixNearest ? 2
                                             : 3;
    int py = rule.y == ResizeY::FixTop       ? 0
             : rule.y == ResizeY::FixBottom  ? 1
             : rule.y == ResizeY::FixNearest ? 2
                                             : 3;
    Rect r;
    int dx = 0, dy = 0;
    Axis(old.x - from.x, old.width, from.width, to.width, px, sizing(rule.width), dx, r.width);
    Axis(old.y - from.y, old.height, from.height, to.height, py, sizing(rule.height), dy, r.height);
    r.x = to.x + dx;
    r.y = to.y + dy;
    done[control] = r;
    return r;
}

int WindowResizer::Resize() {
    if (!window_ || !window_->IsOpen())
        return 0;
    std::map<int, Rect> done;
    UnitScope pixels(*window_, true);
    for (Control* c : window_->Controls()) {
        if (c->Number() == 0 || c->WidgetSide()->IsPage() || !old_.count(c->Number()))
            continue;
        Rect r = NewRect(c->Number(), done);
        if (r.x != c->X() || r.y != c->Y() || r.width != c->Width() || r.height != c->Height())
            c->SetPosition(r.x, r.y, r.width, r.height);
    }
    // An in-place editor belongs over its list's cell, wherever its own rule put it.
    for (Control* c : window_->Controls())
        c->WidgetSide()->LaidOut();
    return 0;
}

} // namespace platform
