#include "about/About.h"

#include "platform/runtime/Runtime.h"
#include "platform/ui/WindowManager.h"

namespace about {

using namespace platform;

namespace {

AboutTexts& Texts() {
    static AboutTexts texts;
    return texts;
}

enum : int { STRING1 = 1, STRING1_2, STRING4, CLOSE };

WindowDef AboutWindow(const AboutTexts& texts) {
    WindowDef def;
    def.caption = "About";
    def.width = 140;
    def.height = 72;
    def.attributes = WIN_Center;
    def.controls.push_back({ControlKind::String, STRING1, texts.product, 10, 8, 120, 10});
    int versionY = 22;
    if (!texts.editorLine.empty()) {
        def.controls.push_back({ControlKind::String, STRING1_2, texts.editorLine, 10, 20, 120, 10});
        versionY = 32;
    }
    def.controls.push_back({ControlKind::String, STRING4, texts.version, 10, versionY, 120, 10});
    def.controls.push_back(
        {ControlKind::Button, CLOSE, "OK", 50, 50, 40, 14, 0, ATTR_Default | ATTR_Cancel});
    return def;
}

class AboutManager : public WindowManager {
public:
    AboutManager() : WindowManager("About", Place::Kept), window_(AboutWindow(Texts())) {}

    int Setup() override {
        int result = WindowManager::Setup();
        if (result != RESULT_GoOn)
            return result;
        Open(window_);
        FetchPosition();
        SetAlerts();
        return RESULT_GoOn;
    }

    int OnAccepted() override {
        if (EventControl() == CLOSE)
            Post(EVENT_CloseWindow);
        return WindowManager::OnAccepted();
    }

private:
    Window window_;
};

} // namespace

void SetAboutTexts(AboutTexts texts) {
    Texts() = std::move(texts);
}

void About(const std::string&) {
    AboutManager manager;
    manager.Run();
}

} // namespace about
