#include "layers/LayerFile.h"

#include "platform/files/FileError.h"
#include "platform/files/Files.h"
#include "platform/files/LineFile.h"
#include "platform/ini/Ini.h"
#include "platform/text/Text.h"
#include "platform/ui/MessageBox.h"

#include <algorithm>

namespace layers {

using namespace platform;

namespace {

constexpr const char* kNotDefined = "#NOT_DEFINED#";

// Appends the entries prefix1, prefix2 ... of section LAYERS up to the first missing or empty one.
void ReadChoices(ChoiceList& choices, const std::string& prefix, const std::string& ini) {
    for (int n = 1; n <= 100; ++n) {
        std::string value = Fixed(ReadIni("LAYERS", prefix + DecimalText(n), kNotDefined, ini), 20);
        std::string clipped = Clip(value);
        if (clipped == kNotDefined || clipped.empty())
            break;
        choices.push_back(value);
    }
}

void SortChoices(ChoiceList& choices) {
    std::stable_sort(choices.begin(), choices.end(),
                     [](const std::string& a, const std::string& b) { return Compare(a, b) < 0; });
}

void ShowFileError(const std::string& what, const std::string& file) {
    Message(what + "|" + Clip(file) + "|" + FileErrorText(), "Error", ICON_Hand, BUTTON_OK);
}

} // namespace

bool LoadLayers(LayerLists& lists, const LayerFiles& files) {
    LineFile table(kLayerRecordSize);
    table.SetName(files.table);
    if (!table.Open(OpenMode::ReadWriteDenyWrite)) {
        ShowFileError("Can not open file!", files.table);
        return false;
    }
    lists.ColorQueue.clear();
    ReadChoices(lists.ColorQueue, "Color", files.layerFolderIni);
    ReadChoices(lists.ColorQueue, "Color", files.layersIni);
    lists.LineTypeQueue.clear();
    ReadChoices(lists.LineTypeQueue, "LineType", files.layerFolderIni);
    ReadChoices(lists.LineTypeQueue, "LineType", files.layersIni);

    table.Rewind();
    lists.LayerQueue.clear();
    while (table.Next() == ReadResult::Ok) {
        const std::string& line = table.Record();
        if (Clip(line).empty())
            continue;
        lists.LayerQueue.push_back(ParseLayerLine(line, lists.ColorQueue, lists.LineTypeQueue));
    }
    table.Close();
    SortChoices(lists.ColorQueue);
    SortChoices(lists.LineTypeQueue);
    return true;
}

void SaveLayers(const LayerLists& lists, const LayerFiles& files) {
    const std::string temp = TemporaryNameBeside(files.table);
    LineFile table(kLayerRecordSize);
    table.SetName(temp);
    if (!table.Create()) {
        ShowFileError("Cannot create file!", files.table);
        return;
    }
    if (!table.Open(OpenMode::ReadWriteDenyWrite)) {
        ShowFileError("Cannot open file!", files.table);
        DeleteFile(temp);
        return;
    }
    bool written = true;
    for (const LayerRow& row : lists.LayerQueue)
        written = table.Add(FormatLayerLine(row)) && written;
    written = table.Close() && written;
    if (!written || !ReplaceFile(temp, files.table)) {
        ShowFileError("Cannot create file!", files.table);
        DeleteFile(temp);
    }
}

} // namespace layers
