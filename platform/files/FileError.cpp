#include "platform/files/FileError.h"

#include <utility>

namespace platform {

FileErrorState& CurrentFileError() {
    thread_local FileErrorState state;
    return state;
}

int FileErrorCode() {
    return CurrentFileError().code;
}

std::string FileErrorText() {
    return CurrentFileError().text;
}

void SetFileError(int code, std::string text) {
    FileErrorState& state = CurrentFileError();
    state.code = code;
    state.text = std::move(text);
}

void ClearFileError() {
    CurrentFileError() = FileErrorState{};
}

FileErrorState SaveFileError() {
    return CurrentFileError();
}

void RestoreFileError(FileErrorState state) {
    CurrentFileError() = std::move(state);
}

} // namespace platform
