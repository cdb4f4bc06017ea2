#include "platform/ui/Help.h"

#include "platform/runtime/Runtime.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Qt.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace platform {

namespace {

std::string& TheHelpFile() {
    static std::string file;
    return file;
}

bool DesktopViewer(const std::string& file, HelpRequest request, const std::string&) {
    // The desktop's viewers know no help keywords or search: they show the file. None of them
    // has help on itself to show.
    if (request == HelpRequest::OnHelp)
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQt(file)));
}

HelpViewer& TheViewer() {
    static HelpViewer viewer = DesktopViewer;
    return viewer;
}

// The caller may be Qt's own input handling, which must not block: the message gets a thread
// of its own.
void Tell(const std::string& text) {
    Start([text](const std::string&) { Message(text, "", ICON_Exclamation, BUTTON_OK); });
}

} // namespace

void SetHelpFile(const std::string& file) {
    TheHelpFile() = file;
}

std::string HelpFile() {
    return TheHelpFile();
}

void ShowHelp(HelpRequest request, const std::string& keyword) {
    // Help on help is about the viewer, not about the program's help file.
    if (request == HelpRequest::OnHelp) {
        if (!TheViewer() || !TheViewer()(std::string(), request, keyword))
            Tell("No program could show help on help.");
        return;
    }
    const std::string file = TheHelpFile();
    if (file.empty() || !QFileInfo(ToQt(file)).isFile()) {
        Tell("The help file " + file + " was not found.");
        return;
    }
    if (!TheViewer() || !TheViewer()(file, request, keyword))
        Tell("No program could show the help file " + file + ".");
}

void SetHelpViewer(HelpViewer viewer) {
    TheViewer() = std::move(viewer);
}

} // namespace platform
