// dravolet, the layer colour editor.
#include "layers/LayersMain.h"
#include "platform/runtime/Program.h"
#include "programfiles/CommandLine.h"

namespace {

constexpr programfiles::ProgramInfo kInfo{
    "dravolet", programfiles::VersionNumber(layers::kVersion),
    "dravolet [OPTION] layer-table-file ini-file\n"
    "Edits the colour, line type and description of every layer of a layer table.\n"
    "\n"
    "  layer-table-file  the layer table, with a folder part (./Layers.dat)\n"
    "  ini-file          the project's INI file, which gets ImportLayerSettings after each\n"
    "                    save\n"
    "\n"
    "  -h, --help        display this help and exit\n"
    "      --version     output version information and exit\n"
    "\n"
    "Exit status: 0 when the program ran, 1 when it ended on a failure (a bad option, an\n"
    "argument that names no usable file, no display)."};

} // namespace

int main(int argc, char** argv) {
    programfiles::CommandLine line = programfiles::ReadCommandLine(argc, argv, kInfo);
    if (line.exitCode)
        return *line.exitCode;
    return platform::RunProgram(static_cast<int>(line.arguments.size()), line.arguments.data(),
                                [] { layers::ProgramMain(); });
}
