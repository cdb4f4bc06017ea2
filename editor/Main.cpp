// notes, the keynote editor.
#include "editor/NotesMain.h"
#include "platform/runtime/Program.h"
#include "programfiles/CommandLine.h"

namespace {

constexpr programfiles::ProgramInfo kInfo{
    "notes", editor::kTitle, editor::kVersion,
    "notes [keynote-file [project-ini]]\n"
    "Edits the construction notes of a drawing project, grouped by bubble shape.\n"
    "  keynote-file  the project's keynote file, with a folder part (./constnot.csv);\n"
    "                without one, constnot.csv in the program folder\n"
    "  project-ini   the project's INI file; by default qvr.ini beside the keynote file\n"
    "  --help        show this text and exit\n"
    "  --version     show the version and exit"};

} // namespace

int main(int argc, char** argv) {
    if (std::optional<int> answered = programfiles::AnswerInfoRequest(argc, argv, kInfo))
        return *answered;
    return platform::RunProgram(argc, argv, editor::NotesMain);
}
