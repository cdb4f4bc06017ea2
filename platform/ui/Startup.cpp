#include "platform/ui/Startup.h"

#include "platform/runtime/Program.h"
#include "platform/ui/MessageBox.h"

namespace platform {

std::string UnusablePathMessage(const std::string& shownPath) {
    return "This path cannot be used:|" + shownPath +
           "|Its name holds characters outside the Windows-1252 character set, the only ones "
           "the program's files can hold (shown as ?). Please use a folder and file name "
           "without them.";
}

bool RefuseUnusablePath(int arguments) {
    std::optional<std::string> path = UnusablePath(arguments);
    if (!path)
        return false;
    Message(UnusablePathMessage(*path), kUnusablePathCaption, ICON_Hand, BUTTON_OK);
    return true;
}

} // namespace platform
