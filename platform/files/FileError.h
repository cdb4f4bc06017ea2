// The last file error of the running thread, as a code in the old numbering and a plain text,
// which the programs show in their messages ("Unable to open ...|Error: " & text).
#pragma once

#include <string>

namespace platform {

// Codes of the old numbering; every other failure is kFileSystemError with the system's text.
inline constexpr int kNoFileError = 0;
inline constexpr int kFileNotFound = 2;
inline constexpr int kPathNotFound = 3;
inline constexpr int kAccessDenied = 5;
inline constexpr int kFileNotOpen = 37;
inline constexpr int kFileAlreadyOpen = 52;
inline constexpr int kFileSystemError = 90;

struct FileErrorState {
    int code = kNoFileError;
    std::string text;
};

// The state itself, one per OS thread. A successful operation leaves it alone, so it keeps
// describing the last failure.
FileErrorState& CurrentFileError();

int FileErrorCode();
std::string FileErrorText();
void SetFileError(int code, std::string text);
void ClearFileError();

// The programs' threads are fibers on one OS thread, so the state is kept per fiber by the fiber
// switcher: it saves the state of the fiber it leaves and restores that of the fiber it resumes.
FileErrorState SaveFileError();
void RestoreFileError(FileErrorState state);

} // namespace platform
