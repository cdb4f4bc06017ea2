// Loading and saving the layer table file with the lists of the layer window: its rows and the
// colour and line-type choices, which come from two INI files and from the file itself. Both
// return their outcome; the window says what failed.
#pragma once

#include "layers/LayerTable.h"
#include "platform/files/FileOutcome.h"

#include <string>
#include <vector>

namespace layers {

struct LayerLists {
    std::vector<LayerRow> LayerQueue;
    ChoiceList ColorQueue;
    ChoiceList LineTypeQueue;
};

struct LayerFiles {
    std::string table;          // the layer table file (the program's argument 1)
    std::string layerFolderIni; // "qvr.ini" beside the table: first source of the choices
    std::string layersIni;      // "Layers.ini" of the program folder: second source
};

// The steps of a load or a save, as the outcome names the one that failed.
enum class LayerStep {
    None,
    Open,    // the table could not be opened for reading
    Read,    // a read failed half-way
    Create,  // the new table could not be created beside the old one
    OpenNew, // the new table could not be opened
    Write,   // writing the new table, or putting it in the old one's place, failed
};
using LayerOutcome = platform::FileOutcome<LayerStep>;

// Reads the table and both choice lists. When the table cannot be read, leaves the lists as they
// were.
LayerOutcome LoadLayers(LayerLists& lists, const LayerFiles& files);

// Writes the rows to the table: beside it first, then in its place, so that a failed save leaves
// the previous table whole (and no new file behind). The rows never change.
LayerOutcome SaveLayers(const LayerLists& lists, const LayerFiles& files);

} // namespace layers
