// Message boxes: a text ("|" starts a new line), a caption (empty: the program's name), an icon
// and a set of buttons. The call blocks the calling thread until a button is pressed; every
// other thread goes on running meanwhile.
#pragma once

#include <string>
#include <vector>

class QWidget;

namespace platform {

enum : int {
    ICON_None = 0,
    ICON_Hand = 1, // stop
    ICON_Question = 2,
    ICON_Exclamation = 3,
    ICON_Asterisk = 4, // information
};

enum : int {
    BUTTON_OK = 1,
    BUTTON_YES = 2,
    BUTTON_NO = 4,
    BUTTON_CANCEL = 8,
    BUTTON_ABORT = 16,
    BUTTON_RETRY = 32,
    BUTTON_IGNORE = 64,
};

enum : int {
    MSGMODE_SYSMODAL = 1, // above every window of every program
};

// Shows a message box and returns the button pressed.
int Message(const std::string& text, const std::string& caption = std::string(),
            int icon = ICON_None, int buttons = BUTTON_OK, int defaultButton = 0, int mode = 0);

// The caption of message boxes that have none.
void SetDefaultCaption(const std::string& caption);

// What an open message box says; the test driver reads and answers them.
struct MessageInfo {
    std::string text; // with "|" as given
    std::string caption;
    int icon = ICON_None;
    int buttons = BUTTON_OK;
    int defaultButton = 0;
    bool systemModal = false;
    int thread = 0;
};
std::vector<MessageInfo> OpenMessages();
// The platform's own: the button's widget in the oldest open message box (null when none is open
// or it lacks the button), which the test driver clicks as a user does.
QWidget* MessageButton(int button);

} // namespace platform
