#include "layers/LayersWindow.h"

#include "layers/Globals.h"
#include "layers/LayerFile.h"
#include "platform/files/Files.h"
#include "platform/ini/Ini.h"
#include "platform/runtime/Runtime.h"
#include "platform/text/Text.h"
#include "platform/ui/Accessible.h"
#include "platform/ui/Keys.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WindowManager.h"
#include "platform/ui/WindowResizer.h"

#include <cstdint>

namespace layers {

using namespace platform;

namespace {

// The file format has no escape for these inside a quoted value.
constexpr const char* kUnquotable = "\")";
constexpr int kRowHeight = 11;
constexpr std::size_t kEntryWidth = 127;

WindowDef LayersDefinition() {
    WindowDef def;
    def.caption = "Layer color editor";
    def.width = 357;
    def.height = 192;
    def.attributes = WIN_MdiChild | WIN_Resizable;
    ControlDef list{ControlKind::List, LIST, "", 4, 20, 351, 150};
    list.columns = {
        {"Key Name", 55, 1, 20, 0, 2},      {"Layer Name", 90, 2, 100, 0, 2},
        {"Color", 59, 3, 20, 0, 2},         {"Line Type", 59, 4, 20, 0, 2},
        {"Description", 200, 5, 100, 0, 2},
    };
    ControlDef entry{ControlKind::Entry,           EDITENTRY, "", 5, 133, 60, 10, 0, ATTR_Hidden,
                     static_cast<int>(kEntryWidth)};
    // The table's line driver reads no control character back as it was written (a tab turns
    // into blanks, Ctrl-Z ends the file, CR LF the row): a description takes none, pasted either.
    for (char c = 1; c < ' '; ++c)
        entry.refused += c;
    ControlDef color{ControlKind::DropCombo, EDITCOLOR, "", 5, 145, 60, 10, 0, ATTR_Hidden, 20};
    color.refused = kUnquotable;
    ControlDef lineType{
        ControlKind::DropCombo, EDITLINETYPE, "", 5, 157, 60, 10, 0, ATTR_Hidden, 20};
    lineType.refused = kUnquotable;
    def.controls = {
        {ControlKind::String, STRING1,
         "Use this editor to modify the color of QVR generated text:", 8, 4, 340, 10},
        list,
        entry,
        color,
        lineType,
        {ControlKind::Button, CHANGE, "Change", 2, 174, 45, 14},
        {ControlKind::Button, SAVEBUTTON, "&Save", 210, 174, 45, 14},
        {ControlKind::Button, SAVEANDCLOSEBUTTON, "Save&&Close", 260, 174, 45, 14},
        {ControlKind::Button, CANCELBUTTON, "Close", 309, 174, 45, 14},
    };
    return def;
}

// A row as the list shows it: key name, layer name, colour, line type, description.
std::string RowCell(const LayerRow& r, int column) {
    switch (column) {
    case 1:
        return r.KEYNAME;
    case 2:
        return r.LAYERNAME;
    case 3:
        return r.COLOR;
    case 4:
        return r.LINETYPE;
    case 5:
        return r.DESCRIPTION;
    default:
        return std::string();
    }
}

std::string ChoiceCell(const std::string& choice, int) {
    return Clip(choice);
}

class LayersManager : public WindowManager {
public:
    LayersManager() : WindowManager("Layers", Place::Kept) {}

    int Setup() override {
        // Trailing blanks of argument 1 are no part of the name (the file-name check ignores
        // them too); kept, they would name another file than the one the messages show.
        files_ = {Clip(Param1), LayerFolderIni, LayersIni};
        if (int result = WindowManager::Setup(); result != RESULT_GoOn)
            return result;
        Open(window_);
        resizer_.Init(window_, STRATEGY_Resize, true, false);
        resizer_.SetParentDefaults();
        SetResizer(&resizer_);
        FetchPosition();
        resizer_.Resize();
        SetAlerts();

        window_[LIST].SetListSource(&rowSource_);
        window_[EDITCOLOR].SetListSource(&colorSource_);
        window_[EDITLINETYPE].SetListSource(&lineTypeSource_);
        window_[EDITENTRY].Bind(description_, kEntryWidth);
        window_[EDITCOLOR].Bind(color_, kColorWidth);
        window_[EDITLINETYPE].Bind(lineType_, kLineTypeWidth);
        for (int control : {LIST, EDITCOLOR, EDITLINETYPE})
            window_[control].SetLineHeight(kRowHeight);
        for (int key : {KEY_Enter, MOUSE_Left2, KEY_Space})
            window_[LIST].AddAlert(key);
        for (int control : {EDITENTRY, EDITCOLOR, EDITLINETYPE})
            for (int key : {KEY_Enter, KEY_Esc, KEY_Tab, KEY_ShiftTab})
                window_[control].AddAlert(key);
        // The editors stand over their row's cell: each reads as the cell's column.
        SetAccessibleName(window_[EDITCOLOR], "Color");
        SetAccessibleName(window_[EDITLINETYPE], "Line Type");
        SetAccessibleName(window_[EDITENTRY], "Description");

        Load();
        return RESULT_GoOn;
    }

    int OnFieldEvent() override {
        if (CurrentEvent() == EVENT_AlertKey)
            OnAlertKey(EventControl(), KeyCode());
        return WindowManager::OnFieldEvent();
    }

    int OnNewSelection() override {
        if (EventControl() == LIST && EditColumn != 0) {
            window_.Update();
            AcceptLayerEdit();
            StartLayerEdit();
        }
        return WindowManager::OnNewSelection();
    }

    int OnAccepted() override {
        switch (EventControl()) {
        case CHANGE:
            if (EditColumn == 0)
                StartLayerEdit();
            else
                window_[EditControl].Focus();
            break;
        case SAVEBUTTON:
            if (EditColumn != 0)
                AcceptLayerEdit();
            if (SaveOutcome saved = Save(); saved != SaveOutcome::Refused) {
                // A failed save keeps the rows shown, so that nothing the user changed is lost
                // and the save can be tried again.
                if (saved == SaveOutcome::Saved)
                    Load();
                FlagImport();
            }
            break;
        case SAVEANDCLOSEBUTTON:
            if (EditColumn != 0)
                AcceptLayerEdit();
            if (SaveOutcome saved = Save(); saved != SaveOutcome::Refused) {
                if (saved == SaveOutcome::Saved)
                    Post(EVENT_CloseDown, 0, 1);
                FlagImport();
            }
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
    ListBox& List() { return *ListBox::Of(window_[LIST]); }

    void OnAlertKey(int control, int key) {
        if (control == LIST) {
            if (key == KEY_Enter) {
                if (EditColumn == 0)
                    StartLayerEdit();
                else
                    CancelLayerEdit();
            } else if (key == MOUSE_Left2) {
                int row = List().MouseDownRow();
                if (row < 1 || row > List().Count())
                    return;
                window_[LIST].Select(row);
                if (EditColumn == 0)
                    StartLayerEdit();
                else
                    CancelLayerEdit();
            }
            return; // Space is only taken from the list
        }
        if (EditColumn == 0 || control != EditControl)
            return;
        if (key == KEY_Enter) {
            AcceptLayerEdit();
        } else if (key == KEY_Esc) {
            CancelLayerEdit();
        } else if (key == KEY_Tab) {
            int column = EditColumn;
            int row = EditRow;
            AcceptLayerEdit();
            if (column == 3 || column == 4) {
                List().SetCurrentColumn(column + 1);
            } else {
                // After the last row's description the edit stays closed.
                if (row >= List().Count())
                    return;
                List().SetCurrentColumn(3);
                window_[LIST].Select(row + 1);
            }
            StartLayerEdit();
        } else if (key == KEY_ShiftTab) {
            // Back one cell, storing the edit as Tab does going on; before the first row's
            // colour the edit stays closed.
            int column = EditColumn;
            int row = EditRow;
            AcceptLayerEdit();
            if (column == 4 || column == 5) {
                List().SetCurrentColumn(column - 1);
            } else {
                if (row <= 1)
                    return;
                List().SetCurrentColumn(5);
                window_[LIST].Select(row - 1);
            }
            StartLayerEdit();
        }
    }

    void StartLayerEdit() {
        int row = List().Selected();
        if (row < 1 || row > static_cast<int>(lists_.LayerQueue.size()))
            return;
        const LayerRow& r = lists_.LayerQueue[static_cast<std::size_t>(row - 1)];
        int column = List().CurrentColumn();
        if (column < 3) {
            column = 3;
            List().SetCurrentColumn(3);
        }
        if (column == 3) {
            color_ = r.COLOR;
            EditColumn = 3;
            EditControl = EDITCOLOR;
            ShowChoice(EDITCOLOR, lists_.ColorQueue, color_);
        } else if (column == 4) {
            lineType_ = r.LINETYPE;
            EditColumn = 4;
            EditControl = EDITLINETYPE;
            ShowChoice(EDITLINETYPE, lists_.LineTypeQueue, lineType_);
        } else {
            description_ = r.DESCRIPTION;
            EditColumn = 5;
            EditControl = EDITENTRY;
            window_.Display(EDITENTRY);
        }
        List().PlaceEditor(EditColumn, EditControl);
        EditRow = row;
        window_[EditControl].Focus();
    }

    void AcceptLayerEdit() {
        if (EditRow < 1 || EditRow > static_cast<int>(lists_.LayerQueue.size()))
            return;
        LayerRow& r = lists_.LayerQueue[static_cast<std::size_t>(EditRow - 1)];
        window_.Update();
        if (EditColumn == 3)
            r.COLOR = Fixed(color_, kColorWidth);
        else if (EditColumn == 4)
            r.LINETYPE = Fixed(lineType_, kLineTypeWidth);
        else if (EditColumn == 5)
            r.DESCRIPTION = Fixed(description_, kDescriptionWidth);
        window_.Display(LIST);
        CloseEditor();
    }

    void CancelLayerEdit() { CloseEditor(); }

    void CloseEditor() {
        List().ClearEditor(EditColumn);
        EditColumn = 0;
        EditRow = 0;
        window_[LIST].Focus();
    }

    // The combo shows the value, and the choice equal to it as its selected item.
    void ShowChoice(int control, const ChoiceList& choices, const std::string& value) {
        window_.Display(control);
        for (std::size_t i = 0; i < choices.size(); ++i)
            if (choices[i] == value) {
                window_[control].Select(static_cast<int>(i) + 1);
                break;
            }
    }

    void Load() {
        LayerOutcome outcome = LoadLayers(lists_, files_);
        loaded_ = static_cast<bool>(outcome);
        if (!outcome)
            ShowFailure(outcome);
        window_.Display(LIST);
        window_.Display(EDITCOLOR);
        window_.Display(EDITLINETYPE);
    }

    // Writes the rows. A table that could not be read when last loaded is replaced only when the
    // user agrees, since the rows shown are not what it holds (Refused when the user declines);
    // a save that fails says why.
    enum class SaveOutcome { Refused, Failed, Saved };

    SaveOutcome Save() {
        if (!loaded_ && FileExists(files_.table) &&
            Message("The layer table could not be read:|" + Clip(files_.table) +
                        "|Replace it with the layers shown here?",
                    "Save", ICON_Question, BUTTON_YES | BUTTON_NO, BUTTON_NO) != BUTTON_YES)
            return SaveOutcome::Refused;
        if (LayerOutcome outcome = SaveLayers(lists_, files_); !outcome) {
            ShowFailure(outcome);
            return SaveOutcome::Failed;
        }
        return SaveOutcome::Saved;
    }

    // What failed, the table's name and the file error's text.
    void ShowFailure(const LayerOutcome& outcome) {
        const char* what = "Cannot create file!";
        if (outcome.failed == LayerStep::Open || outcome.failed == LayerStep::Read)
            what = "Can not open file!";
        else if (outcome.failed == LayerStep::OpenNew)
            what = "Cannot open file!";
        Message(what + ("|" + Clip(files_.table) + "|" + outcome.error), "Error", ICON_Hand,
                BUTTON_OK);
    }

    // Tells the drawing side that the layer settings changed; also after a failed save.
    void FlagImport() { WriteIni("QVR", "ImportLayerSettings", "Yes", Param2); }

    std::uint8_t EditColumn = 0;
    std::int32_t EditRow = 0;
    std::int32_t EditControl = 0;
    std::string color_ = std::string(kColorWidth, ' ');
    std::string lineType_ = std::string(kLineTypeWidth, ' ');
    std::string description_;

    LayerFiles files_;
    LayerLists lists_;
    bool loaded_ = false;
    RecordListSource<LayerRow> rowSource_{lists_.LayerQueue, RowCell};
    RecordListSource<std::string> colorSource_{lists_.ColorQueue, ChoiceCell};
    RecordListSource<std::string> lineTypeSource_{lists_.LineTypeQueue, ChoiceCell};
    WindowResizer resizer_; // declared before the window it lays out, so that it goes after it
    Window window_{LayersDefinition()};
};

} // namespace

void Layers(const std::string&) {
    LayersManager manager;
    manager.Run();
}

} // namespace layers
