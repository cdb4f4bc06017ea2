// The common dialogs: choosing a file to open or save, browsing for a folder, and the printer
// set-up. Each blocks the calling thread until the user is done; every other thread goes on
// running meanwhile. The dialog is modal to the caller's window (to the whole frame for a
// window inside it).
#pragma once

#include <string>
#include <vector>

class QPrinter;

namespace platform {

// Flags of the file dialog.
enum : unsigned {
    FILE_Save = 0x1,     // choose a name to save under; an existing file is confirmed first
    FILE_KeepDir = 0x2,  // the process's current folder stays as it is
    FILE_LongName = 0x10 // long file names (every name is long here)
};

// Asks for a file. `file` holds the name offered first (its folder is where the dialog starts)
// and receives the full name chosen. The filter is a "|"-separated list of description and
// pattern pairs ("Text|*.txt|All files|*.*"). The process's current folder never changes.
// Returns whether a file was chosen; on cancel `file` is unchanged.
bool FileDialog(const std::string& title, std::string& file, const std::string& filter,
                unsigned flags);

// Asks for a folder, starting at `folder`, which receives the choice. Returns whether a folder
// was chosen; the process's current folder never changes.
bool FolderDialog(const std::string& title, std::string& folder);

// The printer set-up dialog on the program's printer. Returns whether the user confirmed. It
// may be called outside every thread too (the frame's menu does): it then only opens the dialog.
bool PrinterSetup();

// The file a print goes to when the system has no printer and Print Setup chose no file; the
// printer set-up offers it, and taking it as offered chooses no file.
void SetDefaultPrintFile(const std::string& file);
std::string DefaultPrintFile();

// What an open dialog shows; the test driver reads and answers them.
enum : int { DIALOG_File = 1, DIALOG_Folder = 2, DIALOG_Printer = 3 };
struct DialogInfo {
    int kind = 0;
    std::string title;
    std::string file; // the name or folder offered
    std::string filter;
    bool save = false;
    int thread = 0;
};
std::vector<DialogInfo> OpenDialogs();
// Closes the oldest open dialog: accepted with a choice (a file or folder name; for the printer
// set-up the file to print to; without one, as its OK button takes what it shows), or cancelled.
// False when no dialog is open.
bool AnswerDialog(bool accept, const std::string& choice = std::string());

// The platform's own: the printer the set-up dialog sets up and reports print on.
QPrinter& ProgramPrinter();

} // namespace platform
