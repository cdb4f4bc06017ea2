// The main procedure of notes: start-up around the application frame and shutdown after it.
#pragma once

namespace editor {

// What the About window and --version name.
inline constexpr const char* kTitle = "QVR Editor";
inline constexpr const char* kVersion = "Version 4.2";

void NotesMain();

} // namespace editor
