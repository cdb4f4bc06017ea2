// The frame of dravolet, `Main`: it derives the file names from the command line, makes sure
// Layers.ini exists, opens at the position notes keeps for its own frame and starts the layer
// window inside it.
#pragma once

namespace layers {

// The frame procedure, run by the main procedure on thread 1; returns when the frame closes, or at
// once when its set-up refused.
void Main();

// Derives LayerFolder, LayerFileName, LayerBakName, LayerFolderIni and LayersIni from the
// command line (AppPath set). Shows why and returns RESULT_Stop when argument 1 names no usable
// file or a path of the program or its arguments cannot be used; else creates a missing
// Layers.ini and returns RESULT_GoOn.
int DeriveNames();

} // namespace layers
