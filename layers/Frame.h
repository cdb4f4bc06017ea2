// dravolet's start and its frame: the main procedure brackets the frame with the help file and
// full-window dragging; the frame derives the file names from the command line, makes sure
// Layers.ini exists, opens at the position notes keeps for its own frame and starts the layer
// window inside it.
#pragma once

namespace layers {

// The main procedure, run on thread 1: start-up, the frame, shut-down.
void ProgramMain();

// The frame `Main`; returns when it closes, or at once when its set-up refused.
void Main();

// Derives LayerFolder, LayerFileName, LayerBakName, LayerFolderIni and LayersIni from the
// command line (AppPath set). Shows why and returns 3 when argument 1 names no usable file or
// a path of the program or its arguments cannot be used; else creates a missing Layers.ini and
// returns 0.
int DeriveNames();

} // namespace layers
