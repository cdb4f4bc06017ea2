// dravolet, the layer colour editor.
#include "layers/LayersMain.h"
#include "platform/runtime/Program.h"
#include "programfiles/CommandLine.h"

namespace {

constexpr programfiles::ProgramInfo kInfo{
    "dravolet", "layer colour editor", layers::kVersion,
    "dravolet layer-table-file ini-file\n"
    "Edits the colour, line type and description of every layer of a layer table.\n"
    "  layer-table-file  the layer table, with a folder part (./Layers.dat)\n"
    "  ini-file          the project's INI file, which gets ImportLayerSettings after each save\n"
    "  --help            show this text and exit\n"
    "  --version         show the version and exit"};

} // namespace

int main(int argc, char** argv) {
    if (std::optional<int> answered = programfiles::AnswerInfoRequest(argc, argv, kInfo))
        return *answered;
    return platform::RunProgram(argc, argv, [] { layers::ProgramMain(); });
}
