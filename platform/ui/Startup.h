// What both programs check before they start on their files: the paths they are given must be
// ones they can work with.
#pragma once

#include <string>

namespace platform {

// When the running program's file or one of the command-line arguments 1 to `arguments` names a
// path the code page cannot hold (UnusablePath), shows which one and why, and gives true: the
// program must then not go on, as with any other unusable argument.
bool RefuseUnusablePath(int arguments);

// The text and caption of that message, for a path as it can be shown.
std::string UnusablePathMessage(const std::string& shownPath);
inline constexpr const char* kUnusablePathCaption = "Path not usable!";

} // namespace platform
