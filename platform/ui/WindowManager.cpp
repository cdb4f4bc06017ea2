#include "platform/ui/WindowManager.h"

#include "platform/ui/Accessible.h"

#include "platform/runtime/ErrorManager.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/Frame.h"
#include "platform/ui/IniManager.h"
#include "platform/ui/WindowResizer.h"

#include <utility>

namespace platform {

WindowManager::WindowManager(std::string procedure, Place place)
    : procedure_(std::move(procedure)), place_(place) {}

WindowManager::~WindowManager() {
    if (window_)
        WindowSettingUp(*window_, false);
}

int WindowManager::Run() {
    // A window run from a handler of another window of the thread leaves that handler its event.
    KeepCurrentEvent keep;
    int result = Setup();
    if (window_)
        WindowSettingUp(*window_, false);
    if (result == RESULT_GoOn) {
        setUp_ = true;
        for (;;) {
            Event e = Accept();
            if (window_ && !window_->IsOpen())
                break;
            if (e.window && e.window != window_)
                continue; // input of another window of the thread, which this one blocks
            int r = OnEvent();
            bool close = e.code == EVENT_CloseWindow || e.code == EVENT_CloseDown;
            if (r == RESULT_Stop || (close && r != RESULT_Handled))
                break;
        }
    }
    Shutdown();
    return result;
}

int WindowManager::Setup() {
    if (!procedure_.empty() && !named_) {
        GlobalErrorManager.SetProcedureName(procedure_);
        named_ = true;
    }
    return RESULT_GoOn;
}

int WindowManager::Shutdown() {
    if (window_) {
        // A frame closes the windows inside it first.
        if (Frame* frame = Frame::Of(*window_))
            frame->CloseChildren();
        window_->Close();
    }
    // A closed window stores where it was when it closed.
    if (place_ == Place::Kept && opened_)
        GlobalIniManager.Update(procedure_, *window_);
    // The name goes whenever it was registered, so that the errors reported later on the thread
    // name the procedure that runs then.
    if (named_) {
        GlobalErrorManager.RemoveProcedureName();
        named_ = false;
    }
    return setUp_ || opened_ ? RESULT_GoOn : RESULT_Stop;
}

int WindowManager::OnEvent() {
    int event = CurrentEvent();
    if (EventControl() == 0) {
        if (event >= EVENT_User)
            return RESULT_GoOn;
        return OnWindowEvent();
    }
    int result = RESULT_GoOn;
    switch (event) {
    case EVENT_Accepted:
        result = OnAccepted();
        break;
    case EVENT_NewSelection:
        result = OnNewSelection();
        break;
    case EVENT_Selected:
        result = OnSelected();
        break;
    default:
        break;
    }
    if (result == RESULT_Handled || result == RESULT_Stop)
        return result;
    return OnFieldEvent();
}

int WindowManager::OnWindowEvent() {
    switch (CurrentEvent()) {
    case EVENT_Sized:
    case EVENT_Maximized:
    case EVENT_Restored:
    case EVENT_GainFocus:
        if (resizer_ && window_ && window_->IsOpen())
            resizer_->Resize();
        break;
    default:
        break;
    }
    return RESULT_GoOn;
}

int WindowManager::OnAccepted() {
    if (window_ && CurrentEvent() == EVENT_Accepted)
        if (Control* c = window_->Find(EventControl()); c && (c->Attributes() & ATTR_StdClose))
            Post(EVENT_CloseWindow);
    return RESULT_GoOn;
}

int WindowManager::OnNewSelection() {
    return RESULT_GoOn;
}

int WindowManager::OnSelected() {
    return RESULT_GoOn;
}

int WindowManager::OnFieldEvent() {
    return RESULT_GoOn;
}

void WindowManager::Open(Window& window) {
    window_ = &window;
    if (!setUp_)
        WindowSettingUp(window, true);
    window.Open();
    opened_ = window.IsOpen();
}

void WindowManager::FetchPosition() {
    if (place_ == Place::Kept && window_)
        GlobalIniManager.Fetch(procedure_, *window_);
}

void WindowManager::SetAlerts() {}

void WindowManager::Reset(bool force) {
    (void)force; // every redisplay is whole
    if (window_)
        window_->Display();
}

} // namespace platform
