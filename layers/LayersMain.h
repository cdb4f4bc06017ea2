// The main procedure of dravolet: start-up around the frame (the help file, full-window dragging
// off for the run) and shut-down after it.
#pragma once

namespace layers {

// What the About window and --version name.
inline constexpr const char* kVersion = "Version 4.3";

// Runs on thread 1.
void ProgramMain();

} // namespace layers
