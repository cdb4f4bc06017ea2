// The base of every window procedure: Run calls Setup, then (when Setup gave 0) the event loop,
// then Shutdown. The loop hands each event to OnEvent, which passes window events to
// OnWindowEvent and control events to OnAccepted, OnNewSelection, OnSelected and OnFieldEvent.
// A window overrides only the handlers it needs and calls the base handler.
#pragma once

#include "platform/ui/Window.h"

namespace platform {

class WindowResizer;

// Results of set-up steps and event handlers.
enum : int {
    RESULT_GoOn = 0,
    RESULT_Stop = 3,      // the window must not run, or must close
    RESULT_Cancelled = 4, // cancelled by the user
    RESULT_Handled = 5,   // handled: skip the default handling
};

class WindowManager {
public:
    virtual ~WindowManager();

    int Run();

    virtual int Setup();
    virtual int Shutdown();
    virtual int OnEvent();
    virtual int OnWindowEvent();
    virtual int OnAccepted();
    virtual int OnNewSelection();
    virtual int OnSelected();
    virtual int OnFieldEvent();

    // Opens the window and makes it this manager's.
    void Open(Window& window);
    Window& Win() { return *window_; }
    bool HasWindow() const { return window_ != nullptr; }
    // Whether the window was opened (the shut-downs store positions only then).
    bool Opened() const { return opened_; }

    // Sets the alert keys the window's own handling needs.
    virtual void SetAlerts();
    // Redisplays the window from its variables; with force, every control.
    void Reset(bool force = false);

    // The resizer the window event handling runs when the window changes size, is maximized,
    // restored or gains the focus; null for none.
    void SetResizer(WindowResizer* resizer) { resizer_ = resizer; }

private:
    WindowResizer* resizer_ = nullptr;
    Window* window_ = nullptr;
    bool opened_ = false;
    bool setUp_ = false;
};

} // namespace platform
