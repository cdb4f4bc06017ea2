#include "layers/Globals.h"

namespace layers {

std::string AppPath;
std::string HelpFile;
std::string Param1;
std::string Param2;
std::string LayerFolder;
std::string LayerFileName;
std::string LayerBakName;
std::string LayerFolderIni;
std::string LayersIni;

} // namespace layers
