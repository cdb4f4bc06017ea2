// Loading and saving the layer table file with the lists of the layer window: its rows and the
// colour and line-type choices, which come from two INI files and from the file itself.
#pragma once

#include "layers/LayerTable.h"

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

// Reads the table and both choice lists. When the file cannot be opened, shows why, leaves the
// lists as they were and returns false.
bool LoadLayers(LayerLists& lists, const LayerFiles& files);

// Writes the rows to the table: beside it first, then in its place, so that a failed save leaves
// the previous table whole. Shows why when it fails and returns false; the rows never change.
bool SaveLayers(const LayerLists& lists, const LayerFiles& files);

} // namespace layers
