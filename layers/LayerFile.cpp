#include "layers/LayerFile.h"

#include "platform/files/FileError.h"
#include "platform/files/Files.h"
#include "platform/files/LineFile.h"
#include "platform/ini/Ini.h"
#include "platform/text/Text.h"

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

// A failed save removes its new table before the window says why: nothing is left beside the
// table while the message waits, or after the program is ended from it.
LayerOutcome RefusedSave(LayerStep step, const std::string& temp) {
    LayerOutcome failed = LayerOutcome::Failure(step);
    // The failure is what the user is told; a new table that cannot be removed as well is only a
    // stray file beside the old one.
    static_cast<void>(DeleteFile(temp));
    return failed;
}

} // namespace

LayerOutcome LoadLayers(LayerLists& lists, const LayerFiles& files) {
    LineFile table(kLayerRecordSize);
    table.SetName(files.table);
    if (!table.Open(OpenMode::ReadWriteDenyWrite))
        return LayerOutcome::Failure(LayerStep::Open);
    // While the table is held here no other program is saving it: what a save that was stopped
    // half-way left beside it goes, once a minute old (ten where the file system keeps no locks,
    // as for the keynote file).
    RemoveLeftoverTemporaries(files.table, table.Locked() ? 60 : 600);
    // Read into lists of its own: a table that fails half-way must not leave the window with
    // part of it, which the next save would write over the whole.
    LayerLists read;
    ReadChoices(read.ColorQueue, "Color", files.layerFolderIni);
    ReadChoices(read.ColorQueue, "Color", files.layersIni);
    ReadChoices(read.LineTypeQueue, "LineType", files.layerFolderIni);
    ReadChoices(read.LineTypeQueue, "LineType", files.layersIni);

    table.Rewind();
    ReadResult result;
    while ((result = table.Next()) == ReadResult::Ok) {
        const std::string& line = table.Record();
        if (Clip(line).empty())
            continue;
        read.LayerQueue.push_back(ParseLayerLine(line, read.ColorQueue, read.LineTypeQueue));
    }
    if (result == ReadResult::Failed) {
        LayerOutcome failed = LayerOutcome::Failure(LayerStep::Read);
        static_cast<void>(table.Close()); // read only: nothing to lose
        return failed;
    }
    static_cast<void>(table.Close()); // read only: nothing to lose
    SortChoices(read.ColorQueue);
    SortChoices(read.LineTypeQueue);
    lists = std::move(read);
    return {};
}

LayerOutcome SaveLayers(const LayerLists& lists, const LayerFiles& files) {
    const std::string temp = TemporaryNameBeside(files.table);
    LineFile table(kLayerRecordSize);
    table.SetName(temp);
    if (!table.Create())
        return RefusedSave(LayerStep::Create, temp);
    if (!table.Open(OpenMode::ReadWriteDenyWrite))
        return RefusedSave(LayerStep::OpenNew, temp);
    bool written = true;
    for (const LayerRow& row : lists.LayerQueue)
        written = table.Add(FormatLayerLine(row)) && written;
    written = table.Close() && written;
    if (!written || !ReplaceFile(temp, files.table))
        return RefusedSave(LayerStep::Write, temp);
    return {};
}

} // namespace layers
