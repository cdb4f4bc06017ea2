// Help: the program's current help file, opened with the desktop's viewer. When the file is
// missing, or no viewer takes it, a message says so and names the file. The calls never block
// their caller, so the frame's menu and a window's help button can use them directly.
#pragma once

#include <functional>
#include <string>

namespace platform {

enum class HelpRequest { Contents, Search, OnHelp, Keyword };

void SetHelpFile(const std::string& file);
std::string HelpFile();

// Shows the current help file: its contents, its search, or the page of a window's help
// keyword; help on using help is the viewer's own (asked with no file), and a message says when
// no viewer has it.
void ShowHelp(HelpRequest request, const std::string& keyword = std::string());

// The program that shows help files; the desktop's default viewer unless replaced. It returns
// whether it took the file.
using HelpViewer =
    std::function<bool(const std::string& file, HelpRequest request, const std::string& keyword)>;
void SetHelpViewer(HelpViewer viewer);

} // namespace platform
