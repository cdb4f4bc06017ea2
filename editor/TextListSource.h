// A list of texts as a list box, drop list or drop combo shows it: row n is the n-th text.
#pragma once

#include "platform/ui/Window.h"

#include <string>
#include <vector>

namespace editor {

class TextListSource : public platform::RecordListSource<std::string> {
public:
    explicit TextListSource(const std::vector<std::string>& texts)
        : RecordListSource(texts, [](const std::string& text, int) { return text; }) {}
};

} // namespace editor
