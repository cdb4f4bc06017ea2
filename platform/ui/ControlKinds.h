// The table of control kinds: the widget side each kind takes, and the rule its controls follow
// when the window resizer has none of their own. Adding a kind is one class of ControlWidget and
// one line of the table. The platform's own.
#pragma once

#include "platform/ui/Control.h"
#include "platform/ui/WindowResizer.h"

#include <memory>

namespace platform {

class ControlWidget;

// The widget side of a new control of its kind.
std::unique_ptr<ControlWidget> MakeControlWidget(Control& control);

// The rule of the resizer's strategy for controls of a kind.
ResizeRule DefaultResizeRule(ControlKind kind);

} // namespace platform
