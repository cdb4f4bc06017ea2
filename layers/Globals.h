// The names dravolet works with: its own folder and help file, its two arguments and the files
// derived from them. The main procedure and the frame's set-up write them before the layer
// window starts; afterwards every thread only reads them.
#pragma once

#include <string>

namespace layers {

extern std::string AppPath;        // folder of the running program
extern std::string HelpFile;       // AppPath/QVR.HLP
extern std::string Param1;         // the layer table file; "(BLANK)" without argument 1
extern std::string Param2;         // the INI that receives ImportLayerSettings; may be empty
extern std::string LayerFolder;    // folder part of Param1
extern std::string LayerFileName;  // file-name part of Param1
extern std::string LayerBakName;   // LayerFileName up to its first dot, then "bak"
extern std::string LayerFolderIni; // "qvr.ini" in LayerFolder
extern std::string LayersIni;      // AppPath/Layers.ini

} // namespace layers
