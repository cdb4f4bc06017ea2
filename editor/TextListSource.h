// A list of texts as a list box, drop list or drop combo shows it: row n is the n-th text.
#pragma once

#include "platform/ui/Window.h"

#include <string>
#include <vector>

namespace editor {

class TextListSource : public platform::ListSource {
public:
    explicit TextListSource(const std::vector<std::string>& texts) : texts_(texts) {}
    int Count() const override { return static_cast<int>(texts_.size()); }
    std::string Cell(int row, int) const override {
        return texts_.at(static_cast<std::size_t>(row - 1));
    }

private:
    const std::vector<std::string>& texts_;
};

} // namespace editor
