// notes, the keynote editor.
#include "editor/NotesMain.h"
#include "platform/runtime/Program.h"
#include "programfiles/CommandLine.h"

namespace {

constexpr programfiles::ProgramInfo kInfo{
    "notes", programfiles::VersionNumber(editor::kVersion),
    "notes [OPTION] [keynote-file [project-ini]]\n"
    "Edits the construction notes of a drawing project, grouped by bubble shape.\n"
    "\n"
    "  keynote-file   the project's keynote file, with a folder part (./constnot.csv);\n"
    "                 without one, constnot.csv in the program folder\n"
    "  project-ini    the project's INI file; by default qvr.ini beside the keynote file\n"
    "\n"
    "  -h, --help     display this help and exit\n"
    "      --version  output version information and exit\n"
    "\n"
    "Exit status: 0 when the program ran, 1 when it ended on a failure (a bad option, an\n"
    "argument that names no usable file, a keynote file that cannot be opened, no display)."};

} // namespace

int main(int argc, char** argv) {
    programfiles::CommandLine line = programfiles::ReadCommandLine(argc, argv, kInfo);
    if (line.exitCode)
        return *line.exitCode;
    return platform::RunProgram(static_cast<int>(line.arguments.size()), line.arguments.data(),
                                editor::NotesMain);
}
