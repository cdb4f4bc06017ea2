#include "editor/ConfigVars.h"

#include "editor/Globals.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Runtime.h"
#include "platform/text/Text.h"
#include "platform/ui/Accessible.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Keys.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/WindowManager.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace editor {

using namespace platform;

namespace {

const char* const kConfig = "QVREditCONFIG";
constexpr int kRowHeight = 11;
constexpr int kCaptionColumn = 2;
constexpr int kPreviewTabs = 9;

WindowDef OptionsDefinition() {
    using namespace config_vars;
    WindowDef def;
    def.caption = "Editor Options";
    def.width = 360;
    def.height = 206;
    def.attributes = WIN_Modal;

    ControlDef tabList{ControlKind::List, TABLIST, "", 10, 42, 340, 116, TAB};
    tabList.columns = {
        {"Original Name", 170, 1, static_cast<int>(kTabNameWidth), 0, 2, true, true, 3},
        {"Custom Name", 124, 2, static_cast<int>(kTabNameWidth), 0, 2}};
    ControlDef editEntry{ControlKind::Entry, EDITENTRY,         "", 10, 42, 100, 10, TAB,
                         ATTR_Hidden,        int(kTabNameWidth)};
    ControlDef libPathButton{ControlKind::Button, SELECTLIBPATH, "", 328, 88, 16, 12, TABSET};
    libPathButton.icon = "~Ellipsis.ico";
    libPathButton.tip = "Library Path";
    ControlDef wrapSize{ControlKind::Spin, LOC_WRAPSIZE, "", 10, 36, 40, 12, TABSET};
    wrapSize.low = 5;
    wrapSize.high = 62;
    wrapSize.step = 1;
    ControlDef enterCompletes{ControlKind::Radio,
                              OPTION1_RADIO1,
                              "<Enter> - completes \"edit in place,\" <Ctrl>+<Enter> - add line "
                              "break, (return key)",
                              18,
                              122,
                              326,
                              12,
                              GLO_EIPBYENTER};
    enterCompletes.value = "1";
    ControlDef enterBreaks{ControlKind::Radio,
                           OPTION1_RADIO2,
                           "<Enter> - add line break (return key), <Ctrl>+<Enter> - completes "
                           "\"edit in place\"",
                           18,
                           138,
                           326,
                           12,
                           GLO_EIPBYENTER};
    enterBreaks.value = "0";

    def.controls = {
        {ControlKind::Sheet, SHEET1, "", 4, 4, 352, 178},
        {ControlKind::Tab, TAB, "Tab Names and Orders", 0, 0, 0, 0, SHEET1},
        {ControlKind::Sheet, SHEET2, "", 10, 22, 340, 16, TAB},
    };
    for (int p = 1; p <= kPreviewTabs; ++p)
        def.controls.push_back(
            {ControlKind::Tab, TAB1 + p - 1, "Tab " + DecimalText(p), 0, 0, 0, 0, SHEET2});
    def.controls.insert(
        def.controls.end(),
        {tabList,
         editEntry,
         {ControlKind::Button, MOVEUP, "Move Up", 10, 162, 50, 14, TAB},
         {ControlKind::Button, MOVEDOWN, "Move Down", 64, 162, 50, 14, TAB},
         {ControlKind::Button, RESTORETABS, "Restore default", 118, 162, 64, 14, TAB},
         {ControlKind::Tab, TABSET, " More Settings", 0, 0, 0, 0, SHEET1},
         {ControlKind::Prompt, PROMPT1,
          "Number of characters in the description field (wrapping length):", 10, 24, 330, 10,
          TABSET},
         wrapSize,
         {ControlKind::String, STRING2, "(default=60)", 54, 38, 80, 10, TABSET},
         {ControlKind::Check, GLO_UPPERCASE, "Input all fields in uppercase instead of mixed", 10,
          56, 170, 12, TABSET},
         {ControlKind::Prompt, PROMPTLIB, "Library Path:", 10, 76, 80, 10, TABSET},
         {ControlKind::Entry, GLO_LIBPATH, "", 10, 88, 314, 12, TABSET},
         libPathButton,
         {ControlKind::Option, GLO_EIPBYENTER, "Edit in Place behavior for Description field", 10,
          108, 340, 48, TABSET},
         enterCompletes,
         enterBreaks,
         {ControlKind::Button, OKBUTTON, "OK", 252, 188, 50, 14, 0, ATTR_Default},
         {ControlKind::Button, CANCELBUTTON, "Cancel", 306, 188, 50, 14, 0, ATTR_Cancel}});
    return def;
}

// A row of the tab list being edited: original name with the shown or hidden box, and the
// caption.
std::string TabCell(const TabRecord& t, int column) {
    switch (column) {
    case 1:
        return t.SRCNAME;
    case 2:
        return t.NEWNAME;
    case 3:
        return DecimalText(t.ICON);
    default:
        return std::string();
    }
}

class ConfigVarsManager : public WindowManager {
public:
    ConfigVarsManager() : WindowManager("ConfigVars", Place::Kept) {}

    int Setup() override {
        using namespace config_vars;
        TabEditQueue = TabQueue;
        LOC_WRAPSIZE = WrapSize;
        if (int result = WindowManager::Setup(); result != RESULT_GoOn)
            return result;
        window_[TABLIST].SetListSource(&source_);
        window_[EDITENTRY].Bind(nameValue_, kTabNameWidth);
        window_[config_vars::LOC_WRAPSIZE].Bind(LOC_WRAPSIZE);
        window_[GLO_UPPERCASE].Bind(Uppercase);
        // The library path is never cut: a cut path names another folder.
        window_[GLO_LIBPATH].Bind(LibPath);
        window_[GLO_EIPBYENTER].Bind(EIPByEnter);
        Open(window_);
        FetchPosition();
        SetAlerts();

        window_[TABLIST].SetLineHeight(kRowHeight);
        List().SetIcon(1, "~BoxOn.ico");
        List().SetIcon(2, "~BoxOff.ico");
        for (int key : {KEY_Enter, MOUSE_Left2, KEY_Space})
            window_[TABLIST].AddAlert(key);
        for (int key : {KEY_Enter, KEY_Esc})
            window_[EDITENTRY].AddAlert(key);
        // The caption editor stands over its row's cell: it reads as the cell's column.
        SetAccessibleName(window_[EDITENTRY], "Custom Name");
        RefreshTabPreview();
        return RESULT_GoOn;
    }

    int OnFieldEvent() override {
        if (CurrentEvent() == EVENT_AlertKey)
            OnAlertKey(EventControl(), KeyCode());
        return WindowManager::OnFieldEvent();
    }

    int OnNewSelection() override {
        using namespace config_vars;
        const bool editing = EditingName == 1;
        if (editing && EventControl() == TABLIST) {
            // The caption typed so far goes into its own row as it stands, even empty, and the
            // edit follows the selection.
            window_.Update();
            if (TabRecord* edited = FindEdited())
                edited->NEWNAME = nameValue_;
            RefreshTabPreview();
            StartNameEdit();
        }
        int result = WindowManager::OnNewSelection();
        if (editing && window_[SHEET1].Selected() != 1) {
            // Leaving the tab page keeps the edit.
            int chosen = window_[SHEET1].Selected();
            window_[SHEET1].Select(1);
            AcceptNameEdit();
            window_[SHEET1].Select(chosen);
        }
        return result;
    }

    int OnAccepted() override {
        using namespace config_vars;
        switch (EventControl()) {
        case MOVEUP:
        case MOVEDOWN: {
            int n = List().Selected();
            int to = EventControl() == MOVEUP ? n - 1 : n + 1;
            if (n < 1 || to < 1 || to > static_cast<int>(TabEditQueue.size()))
                break;
            TabRecord moved = TabEditQueue[static_cast<std::size_t>(n - 1)];
            TabEditQueue.erase(TabEditQueue.begin() + (n - 1));
            TabEditQueue.insert(TabEditQueue.begin() + (to - 1), moved);
            window_[TABLIST].Select(to);
            RefreshTabPreview();
            break;
        }
        case RESTORETABS:
            std::stable_sort(
                TabEditQueue.begin(), TabEditQueue.end(),
                [](const TabRecord& a, const TabRecord& b) { return a.SRCNUM < b.SRCNUM; });
            for (std::size_t i = 0; i < TabEditQueue.size(); ++i) {
                TabEditQueue[i].NEWNUM = static_cast<std::uint8_t>(i + 1);
                TabEditQueue[i].NEWNAME = TabEditQueue[i].SRCNAME;
                TabEditQueue[i].ICON = 1;
            }
            // A caption being edited stays with its tab, wherever the tab went.
            if (EditingName == 1)
                for (std::size_t i = 0; i < TabEditQueue.size(); ++i)
                    if (TabEditQueue[i].SRCNAME == EditedSrcName)
                        window_[TABLIST].Select(static_cast<int>(i) + 1);
            RefreshTabPreview();
            break;
        case SELECTLIBPATH: {
            std::string folder = LibPath;
            if (FolderDialog("Library Path", folder)) {
                LibPath = folder;
                window_.Display(GLO_LIBPATH);
            }
            break;
        }
        case OKBUTTON:
            window_.Update();
            if (EditingName == 1)
                AcceptNameEdit();
            RenumberEditTabs();
            Store();
            Post(EVENT_CloseWindow);
            break;
        case CANCELBUTTON:
            Post(EVENT_CloseWindow);
            break;
        default:
            break;
        }
        return WindowManager::OnAccepted();
    }

private:
    ListBox& List() { return *ListBox::Of(window_[config_vars::TABLIST]); }

    TabRecord* Chosen() {
        int row = List().Selected();
        if (row < 1 || row > static_cast<int>(TabEditQueue.size()))
            return nullptr;
        return &TabEditQueue[static_cast<std::size_t>(row - 1)];
    }

    TabRecord* FindEdited() {
        for (TabRecord& t : TabEditQueue)
            if (t.SRCNAME == EditedSrcName)
                return &t;
        return nullptr;
    }

    void OnAlertKey(int control, int key) {
        using namespace config_vars;
        if (control == TABLIST) {
            if (key == KEY_Enter) {
                if (EditingName == 0)
                    StartNameEdit();
                else
                    CancelNameEdit();
            } else if (key == MOUSE_Left2) {
                int row = List().MouseDownRow();
                if (row < 1 || row > static_cast<int>(TabEditQueue.size()))
                    return; // below the last row
                window_[TABLIST].Select(row);
                if (List().MouseDownZone() == LISTZONE_Icon)
                    ToggleTabShown();
                else if (EditingName == 0)
                    StartNameEdit();
                else
                    CancelNameEdit();
            } else if (key == KEY_Space) {
                ToggleTabShown();
            }
            return;
        }
        if (control == EDITENTRY && EditingName == 1) {
            if (key == KEY_Enter)
                AcceptNameEdit();
            else if (key == KEY_Esc)
                CancelNameEdit();
        }
    }

    void StartNameEdit() {
        using namespace config_vars;
        TabRecord* tab = Chosen();
        if (!tab)
            return;
        nameValue_ = tab->NEWNAME;
        EditedSrcName = tab->SRCNAME;
        window_.Display(EDITENTRY);
        List().PlaceEditor(kCaptionColumn, EDITENTRY);
        EditingName = 1;
        window_[EDITENTRY].Focus();
    }

    void AcceptNameEdit() {
        TabRecord* tab = Chosen();
        if (!tab)
            return;
        window_.Update();
        if (Clip(nameValue_).empty())
            nameValue_ = "?";
        tab->NEWNAME = nameValue_;
        CloseNameEditor();
        RefreshTabPreview();
    }

    // The typed text is dropped.
    void CancelNameEdit() { CloseNameEditor(); }

    void CloseNameEditor() {
        List().ClearEditor(kCaptionColumn);
        EditingName = 0;
        EditedSrcName.clear();
        window_[config_vars::TABLIST].Focus();
    }

    void ToggleTabShown() {
        TabRecord* tab = Chosen();
        if (!tab)
            return;
        tab->ICON = tab->ICON == 2 ? 1 : 2;
        RefreshTabPreview();
    }

    void RenumberEditTabs() {
        for (std::size_t i = 0; i < TabEditQueue.size(); ++i)
            TabEditQueue[i].NEWNUM = static_cast<std::uint8_t>(i + 1);
    }

    // The preview tab at a position shows the tab of that position, unless it is hidden.
    void ShowPreviewTab(int position, int previewTab) {
        for (const TabRecord& t : TabEditQueue) {
            if (t.NEWNUM != position)
                continue;
            if (t.ICON == 2)
                return;
            window_[previewTab].SetText(t.NEWNAME);
            window_[config_vars::SHEET2].SetTabHidden(position, false);
            return;
        }
    }

    // The preview strip shows the shown tabs side by side in list order with their captions.
    void RefreshTabPreview() {
        using namespace config_vars;
        window_.Update();
        for (int p = 1; p <= kPreviewTabs; ++p)
            window_[SHEET2].SetTabHidden(p, true);
        RenumberEditTabs();
        for (int p = 1; p <= kPreviewTabs; ++p)
            ShowPreviewTab(p, TAB1 + p - 1);
        window_.Display(TABLIST);
        List().PlaceEditors(); // an open caption editor stays over its row
    }

    // Everything goes to the project INI, in this order.
    void Store() {
        for (const TabRecord& t : TabEditQueue) {
            WriteIni(kConfig, t.SRCNAME + "Name", t.NEWNAME, ProjectIni);
            WriteIni(kConfig, t.SRCNAME + "Order", DecimalText(t.NEWNUM), ProjectIni);
            WriteIni(kConfig, t.SRCNAME + "Off", DecimalText(t.ICON - 1), ProjectIni);
        }
        WriteIni(kConfig, "WrapSize", DecimalText(LOC_WRAPSIZE), ProjectIni);
        WriteIni(kConfig, "AutoFillUnits", "0", ProjectIni);
        WriteIni(kConfig, "AutoFillTypes", "0", ProjectIni);
        WriteIni(kConfig, "Uppercase", DecimalText(Uppercase), ProjectIni);
        WriteIni(kConfig, "LibPath", LibPath, ProjectIni);
        WriteIni(kConfig, "EIPByEnter", DecimalText(EIPByEnter), ProjectIni);
    }

    std::vector<TabRecord> TabEditQueue;
    std::uint8_t EditingName = 0;
    std::string EditedSrcName;
    std::int16_t LOC_WRAPSIZE = 0;
    std::string nameValue_; // the in-place editor's value
    RecordListSource<TabRecord> source_{TabEditQueue, TabCell};
    Window window_{OptionsDefinition()};
};

} // namespace

void ConfigVars() {
    ConfigVarsManager manager;
    manager.Run();
}

} // namespace editor
