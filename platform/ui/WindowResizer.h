// The window resizer: when a resizable window changes size, it moves and sizes the window's
// absolutely placed controls by rules. Each control follows its container (the window, or with
// parent linking its group, option box or the sheet of its tab); a rule says where the left and
// top edges go and how width and height change. Controls without a rule of their own take the
// default of their kind under the resizer's strategy. A window that must lay out its own parts
// after the controls moved derives from the resizer and overrides Resize.
#pragma once

#include <map>
#include <vector>

namespace platform {

class Window;

// The strategy the programs use: buttons and radios keep their size and their distance to the
// nearer edges; entries and labels keep height and top distance and scale across; lists, drop
// lists, option boxes and sheets keep left and top and stretch to keep their right and bottom
// margins; every other control scales in position and size.
enum : int { STRATEGY_Resize = 2 };

enum class ResizeX { Default, FixLeft, FixRight, FixNearest, Scale };
enum class ResizeY { Default, FixTop, FixBottom, FixNearest, Scale };
enum class ResizeSize {
    Default,
    Fixed,
    Scale,
    KeepMargin // the far margin (right or bottom) stays as it was
};

struct ResizeRule {
    ResizeX x = ResizeX::Default;
    ResizeY y = ResizeY::Default;
    ResizeSize width = ResizeSize::Default;
    ResizeSize height = ResizeSize::Default;
};

class WindowResizer {
public:
    virtual ~WindowResizer();

    // Takes the window's present layout as the one every size is measured against. With
    // setMinSize the present size becomes the window's minimum size, with setMaxSize its maximum.
    void Init(Window& window, int strategy = STRATEGY_Resize, bool setMinSize = false,
              bool setMaxSize = false);
    // Gives a control a rule of its own; Default parts keep the strategy's default.
    void SetStrategy(int control, const ResizeRule& rule);
    // Controls follow their group, option box or tab sheet instead of the window.
    void SetParentDefaults();
    // Takes the present layout again as the one measured against.
    void Reset();

    // Moves and sizes the controls for the window's present size; returns 0.
    virtual int Resize();

    Window* Win() const { return window_; }

    // The rule a control follows (its own parts over the strategy's default).
    ResizeRule RuleOf(int control) const;

private:
    struct Rect {
        int x = 0, y = 0, width = 0, height = 0;
    };
    Rect NewRect(int control, std::map<int, Rect>& done) const;
    Rect ContainerOld(int control) const;
    Rect ContainerNew(int control, std::map<int, Rect>& done) const;
    int ContainerOf(int control) const;

    Window* window_ = nullptr;
    int strategy_ = STRATEGY_Resize;
    bool linked_ = false;
    int oldWidth_ = 0, oldHeight_ = 0;
    std::map<int, Rect> old_; // pixels, client coordinates, numbered controls
    std::map<int, ResizeRule> rules_;
};

} // namespace platform
