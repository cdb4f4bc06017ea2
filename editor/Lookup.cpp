#include "editor/Lookup.h"

#include "editor/Globals.h"
#include "editor/KeynoteFile.h"
#include "editor/TextListSource.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Runtime.h"
#include "platform/text/Text.h"
#include "platform/ui/Keys.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/WindowManager.h"

#include <algorithm>
#include <vector>

namespace editor {

using namespace platform;

namespace {

constexpr std::size_t kValueWidth = 20;  // a list entry
constexpr std::size_t kBufferWidth = 30; // the form's value
constexpr int kTypedWidth = 5;           // what the form's entry takes
constexpr int kRowHeight = 11;
constexpr int kLastKey = 999999;

} // namespace

std::string LookupSection(const std::string& kind) {
    return "QVREdit" + kind + "s";
}

std::string LookupKey(const std::string& kind, int n) {
    return kind + DecimalText(n);
}

std::vector<std::string> ReadLookupValues(const std::string& kind, const std::string& ini,
                                          int lastKey, std::size_t width) {
    std::vector<std::string> values = ReadIniSeries(LookupSection(kind), kind, lastKey, ini);
    for (std::size_t n = 0; n < values.size(); ++n) {
        values[n] = Cut(values[n], width);
        if (Clip(values[n]).empty()) {
            values.resize(n);
            break;
        }
    }
    return values;
}

namespace {

WindowDef ListDefinition() {
    using namespace lookup_list;
    WindowDef def;
    def.caption = "Lookup";
    def.width = 142;
    def.height = 130;
    def.attributes = WIN_MdiChild;
    ControlDef list{ControlKind::List, LIST, "", 4, 4, 90, 122};
    list.columns = {{"", 80, 1, static_cast<int>(kValueWidth), 0, 2}};
    def.controls = {
        list,
        {ControlKind::Button, ADD, "Add", 98, 4, 40, 14},
        {ControlKind::Button, REMOVE, "Remove", 98, 22, 40, 14},
        {ControlKind::Button, CLOSE, "Close", 98, 112, 40, 14, 0, ATTR_StdClose},
    };
    return def;
}

WindowDef FormDefinition() {
    using namespace lookup_form;
    WindowDef def;
    def.caption = "Update Lookup";
    def.width = 120;
    def.height = 56;
    def.attributes = WIN_MdiChild;
    // A unit or type chosen from the list goes into a note as it stands.
    ControlDef value{ControlKind::Entry, EDITVALUE, "", 54, 11, 40, 12, 0, 0, kTypedWidth};
    value.refused = kRefusedInFields;
    value.misread = FieldMisread;
    def.controls = {
        {ControlKind::Panel, PANEL1, "", 4, 4, 112, 26},
        {ControlKind::Prompt, PMT, "Lookup:", 10, 12, 40, 10},
        value,
        {ControlKind::Button, OK, "OK", 26, 36, 40, 14, 0, ATTR_Default},
        {ControlKind::Button, CANCEL, "Cancel", 72, 36, 40, 14, 0, ATTR_Cancel},
    };
    return def;
}

class LookupListManager : public WindowManager {
public:
    explicit LookupListManager(const std::string& parameter)
        : WindowManager("BrowseLookup", Place::Kept) {
        if (parameter == "1")
            LookupKind = "Unit";
        else if (parameter == "2")
            LookupKind = "Type";
    }

    int Setup() override {
        using namespace lookup_list;
        if (int result = WindowManager::Setup(); result != RESULT_GoOn)
            return result;
        Open(window_);
        window_.SetCaption(LookupKind + "s");
        FetchPosition();
        SetAlerts();
        window_[LIST].SetLineHeight(kRowHeight);
        window_[LIST].AddAlert(KEY_Insert);
        window_[LIST].AddAlert(KEY_Delete);
        window_[LIST].SetListSource(&source_);
        LoadLookupList();
        return RESULT_GoOn;
    }

    int OnFieldEvent() override {
        using namespace lookup_list;
        if (CurrentEvent() == EVENT_AlertKey && EventControl() == LIST) {
            if (KeyCode() == KEY_Insert)
                Post(EVENT_Accepted, ADD);
            else if (KeyCode() == KEY_Delete)
                Post(EVENT_Accepted, REMOVE);
        }
        return WindowManager::OnFieldEvent();
    }

    int OnAccepted() override {
        using namespace lookup_list;
        switch (EventControl()) {
        case ADD: {
            std::string value = Cut(UpdateLookup(LookupKind), kValueWidth);
            if (Clip(value).empty())
                break;
            Insert(value); // a value already there is added once more
            SaveLookupList();
            LoadLookupList();
            window_[LIST].Focus();
            break;
        }
        case REMOVE: {
            // Without a question.
            int row = window_[LIST].Selected();
            if (row < 1 || row > static_cast<int>(LookupQueue.size()))
                break;
            LookupQueue.erase(LookupQueue.begin() + (row - 1));
            SaveLookupList();
            LoadLookupList();
            window_[LIST].Focus();
            break;
        }
        default:
            break;
        }
        return WindowManager::OnAccepted();
    }

private:
    std::string Section() const { return LookupSection(LookupKind); }
    std::string Key(int n) const { return LookupKey(LookupKind, n); }

    // In ascending byte order of the blank-padded values, behind the equal ones.
    void Insert(const std::string& value) {
        auto at = std::upper_bound(
            LookupQueue.begin(), LookupQueue.end(), value,
            [](const std::string& a, const std::string& b) { return Compare(a, b) < 0; });
        LookupQueue.insert(at, value);
    }

    // The list as the INI holds it: up to the first empty value.
    void LoadLookupList() {
        LookupQueue.clear();
        for (const std::string& value :
             ReadLookupValues(LookupKind, ProjectIni, kLastKey, kValueWidth))
            Insert(value);
        window_.Display(lookup_list::LIST);
    }

    // The whole list, numbered from 1 in list order, and an empty value after the last entry
    // that ends the list for every reader. Keys beyond it stay as they are.
    void SaveLookupList() {
        const int count = static_cast<int>(LookupQueue.size());
        for (int n = 1; n <= count + 1; ++n) {
            std::string value = n <= count ? LookupQueue[static_cast<std::size_t>(n - 1)] : "";
            WriteIni(Section(), Key(n), value, ProjectIni);
        }
    }

    std::string LookupKind;
    std::vector<std::string> LookupQueue;
    TextListSource source_{LookupQueue}; // the values in ascending order
    Window window_{ListDefinition()};
};

class LookupFormManager : public WindowManager {
public:
    explicit LookupFormManager(std::string kind)
        : WindowManager("UpdateLookup", Place::Kept), kind_(std::move(kind)) {}

    // The form opens first; then its name is registered by the base set-up.
    int Setup() override {
        using namespace lookup_form;
        Open(window_);
        if (int result = WindowManager::Setup(); result != RESULT_GoOn)
            return result;
        window_[EDITVALUE].Bind(value_, kBufferWidth);
        window_.SetCaption("New " + kind_);
        window_[PMT].SetText(kind_ + ":");
        FetchPosition();
        SetAlerts();
        return RESULT_GoOn;
    }

    int OnAccepted() override {
        using namespace lookup_form;
        switch (EventControl()) {
        case OK:
            window_.Update();
            result_ = value_;
            Post(EVENT_CloseWindow);
            break;
        case CANCEL:
            window_.Update();
            result_.clear();
            Post(EVENT_CloseWindow);
            break;
        default:
            break;
        }
        return WindowManager::OnAccepted();
    }

    const std::string& Result() const { return result_; }

private:
    std::string kind_;
    std::string value_;  // bound to the entry
    std::string result_; // empty unless OK was pressed
    Window window_{FormDefinition()};
};

} // namespace

void BrowseLookup(const std::string& parameter) {
    LookupListManager manager(parameter);
    manager.Run();
}

std::string UpdateLookup(const std::string& kind) {
    LookupFormManager manager(kind);
    manager.Run();
    return manager.Result();
}

} // namespace editor
