#include "layers/LayersMain.h"
#include "platform/runtime/Program.h"

int main(int argc, char** argv) {
    return platform::RunProgram(argc, argv, [] { layers::ProgramMain(); });
}
