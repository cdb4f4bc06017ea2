#include "platform/ui/IniManager.h"

#include "platform/ini/Ini.h"

#include "platform/text/Text.h"
#include "platform/ui/Window.h"

#include <QWidget>

namespace platform {

IniManager GlobalIniManager;

namespace {

class IniFiles : public IniAccess {
public:
    std::string Get(const std::string& section, const std::string& key, const std::string& deflt,
                    const std::string& file) override {
        return ReadIni(section, key, deflt, file);
    }
    bool Put(const std::string& section, const std::string& key, const std::string& value,
             const std::string& file) override {
        return WriteIni(section, key, value, file);
    }
};

} // namespace

void IniManager::Init(const std::string& file, IniAccess* access) {
    static IniFiles files;
    if (!access)
        access = &files;
    file_ = file;
    access_ = access;
}

void IniManager::Kill() {
    access_ = nullptr;
}

void IniManager::Fetch(const std::string& procedure, Window& window) {
    if (!access_)
        return;
    auto get = [&](const char* key) { return Clip(access_->Get(procedure, key, "", file_)); };
    std::string xs = get("XPos"), ys = get("YPos"), ws = get("Width"), hs = get("Height");
    {
        UnitScope units(window, false);
        if (!xs.empty() || !ys.empty() || !ws.empty() || !hs.empty()) {
            auto value = [](const std::string& text, int current) {
                return text.empty() ? current : static_cast<int>(ToLong(text));
            };
            window.SetPosition(value(xs, window.X()), value(ys, window.Y()),
                               value(ws, window.Width()), value(hs, window.Height()));
        }
    }
    if (ToLong(get("Maximize")) != 0)
        window.SetMaximized(true);
    else if (ToLong(get("Minimize")) != 0 && window.Widget())
        window.Widget()->showMinimized();
}

void IniManager::Update(const std::string& procedure, Window& window) {
    if (!access_)
        return;
    UnitScope units(window, false);
    auto put = [&](const char* key, long value) {
        access_->Put(procedure, key, DecimalText(value), file_);
    };
    put("XPos", window.X());
    put("YPos", window.Y());
    put("Width", window.Width());
    put("Height", window.Height());
    put("Maximize", window.Maximized() ? 1 : 0);
    put("Minimize", window.Minimized() ? 1 : 0);
}

} // namespace platform
