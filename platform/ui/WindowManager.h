// The base of every window procedure: Run calls Setup, then (when Setup gave 0) the event loop,
// then Shutdown. The loop hands each event to OnEvent, which passes window events to
// OnWindowEvent and control events to OnAccepted, OnNewSelection, OnSelected and OnFieldEvent.
// A window overrides only the handlers it needs and calls the base handler.
#pragma once

#include "platform/ui/Window.h"

#include <string>

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
    // Whether a window procedure keeps its window's position and size in the window-position
    // store (GlobalIniManager).
    enum class Place { NotKept, Kept };

    WindowManager() = default;
    // The manager of the window procedure `procedure`: the base set-up registers its name with
    // the error manager and the base shut-down, after closing the window, removes it again. With
    // Place::Kept the window keeps its place in the window-position store under that name:
    // FetchPosition restores it, and the base shut-down stores it when the window was opened.
    WindowManager(std::string procedure, Place place);
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
    // Whether the window was opened (the shut-downs store positions only then).
    bool Opened() const { return opened_; }
    // Moves and sizes the opened window as the window-position store holds it under the
    // procedure's name; what is not stored stays as it is.
    void FetchPosition();

    // Sets the alert keys the window's own handling needs.
    virtual void SetAlerts();
    // Redisplays the window from its variables; with force, every control.
    void Reset(bool force = false);

    // The resizer the window event handling runs when the window changes size, is maximized,
    // restored or gains the focus; null for none.
    void SetResizer(WindowResizer* resizer) { resizer_ = resizer; }

private:
    std::string procedure_;
    Place place_ = Place::NotKept;
    bool named_ = false; // the procedure's name is registered with the error manager
    WindowResizer* resizer_ = nullptr;
    Window* window_ = nullptr;
    bool opened_ = false;
    bool setUp_ = false;
};

} // namespace platform
