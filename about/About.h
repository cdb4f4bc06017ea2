// The About window both programs show from their Help menu: a few static lines naming the
// product and its version, and an OK button. Each program sets its own lines at start-up.
#pragma once

#include <string>

namespace about {

struct AboutTexts {
    std::string product;    // the top line
    std::string editorLine; // the line below it; empty: no such line
    std::string version;
};

// The lines of the running program's About window.
void SetAboutTexts(AboutTexts texts);

// The window procedure, run on a thread of its own (the parameter is not used).
void About(const std::string& parameter = std::string());

} // namespace about
