// notes, the keynote editor.
#include "editor/NotesMain.h"
#include "platform/runtime/Program.h"

int main(int argc, char** argv) {
    return platform::RunProgram(argc, argv, editor::NotesMain);
}
