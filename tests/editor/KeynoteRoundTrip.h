// A keynote file read as the keynote window reads it (the text height, each shape's first title
// line as its title, the notes of each shape in file order) and saved again, and the property
// every save keeps: what a save wrote, read and saved again, comes out byte for byte the same,
// with no line longer than the file's 4096 characters. Shared by the tests and the fuzzer.
#pragma once

#include "editor/Globals.h"
#include "editor/KeynoteFile.h"
#include "platform/files/LineFile.h"
#include "platform/text/Text.h"

#include <array>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace keynoteroundtrip {

struct Contents {
    std::string textHeight;
    std::vector<editor::ShapeNotes> shapes; // 1 to 9, in the default tab order
};

inline Contents Read(const std::string& path) {
    Contents c;
    for (int shape = 1; shape <= 9; ++shape)
        c.shapes.push_back({shape, "", {}});
    std::array<bool, 9> titleRead{};
    platform::LineFile file(editor::kKeynoteLineWidth);
    file.SetName(path);
    if (!file.Open(platform::OpenMode::ReadOnlyDenyNone))
        return c;
    editor::ReadKeynoteFile(file, [&](editor::KeynoteLine&& l) {
        if (l.kind == editor::KeynoteLine::Kind::Settings) {
            if (l.textHeight)
                c.textHeight = *l.textHeight;
            return;
        }
        if (l.kind != editor::KeynoteLine::Kind::Note)
            return;
        const std::size_t i = static_cast<std::size_t>(l.shape - 1);
        if (l.titleField && !titleRead[i]) {
            titleRead[i] = true;
            c.shapes[i].title = platform::Fixed(l.description, editor::kTitleWidth);
            return;
        }
        c.shapes[i].rows.push_back({l.marked ? "1" : "0", l.number, l.description, l.unit, l.type});
    });
    static_cast<void>(file.Close());
    return c;
}

inline std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Reads `original`, saves it as `first`, reads that and saves it as `second`. Empty when the
// property holds, else what broke it.
inline std::string SaveReopenSave(const std::string& original, const std::string& first,
                                  const std::string& second) {
    const Contents read = Read(original);
    if (!editor::WriteKeynoteFile(first, read.textHeight, read.shapes))
        return "the first save failed";
    const Contents again = Read(first);
    if (!editor::WriteKeynoteFile(second, again.textHeight, again.shapes))
        return "the second save failed";
    const std::string a = Bytes(first);
    const std::string b = Bytes(second);
    for (std::size_t start = 0; start < a.size();) {
        const std::size_t end = a.find("\r\n", start);
        if (end == std::string::npos || end - start > editor::kKeynoteLineWidth)
            return "a line of the first save is longer than the file's line";
        start = end + 2;
    }
    if (a != b)
        return "the second save differs from the first:\n" + a + "\n---\n" + b;
    return {};
}

} // namespace keynoteroundtrip
