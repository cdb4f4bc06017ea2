// Page images of the report engine: SVG files in thousandths of an inch as user units, their
// texts plain text elements (so that a placeholder such as "Page xxxxx of xxxxx" can be found and
// replaced byte for byte in the file), their lines one path a run. The writer builds one page;
// DrawPageImage draws such a file for printing, as vectors and with its texts as texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QPainter;
class QRectF;

namespace platform {

class PageImage {
public:
    // Starts a page of this size (thousandths of an inch), white.
    void Begin(int width, int height);
    bool Begun() const { return begun_; }
    // Forgets the page.
    void Clear();

    void Line(int x1, int y1, int x2, int y2);
    // A filled rectangle without border; fill 0x00BBGGRR, -1 none.
    void Box(int x, int y, int width, int height, std::int32_t fill);
    // A text whose top is at y, cut to the characters that fit the width (0: no limit). Trailing
    // blanks are left out, leading blanks kept.
    void Text(int x, int y, int width, std::string_view text, const std::string& face, int points,
              bool bold);

    // Ends the page and gives it as SVG, valid until the page is cleared or begun again.
    std::string_view Finish();

private:
    void CloseRun();
    std::string body_; // from Begin on, the page's SVG up to what is drawn last
    int width_ = 0, height_ = 0;
    bool begun_ = false;
    enum class Run { None, Lines, Texts } run_ = Run::None;
    const std::string* runStyle_ = nullptr; // the attributes of the open run of texts
};

// What a page image shows, in drawing order, in page units.
struct PageElement {
    enum class Kind { Box, Line, Text } kind = Kind::Box;
    // Boxes: the rectangle; lines: from x, y over width and height; texts: the start of their
    // base line.
    double x = 0, y = 0, width = 0, height = 0;
    std::int32_t colour = 0; // fill of boxes and texts, stroke of lines: 0x00BBGGRR
    double thickness = 1;    // lines
    std::string text;        // texts, in the program's code page
    std::string face;
    double size = 0; // texts: the font size in page units
    bool bold = false;
};

struct PageContents {
    double width = 0, height = 0; // the page, in page units
    std::vector<PageElement> elements;
};

// Reads a page image file (or a report's page kept in its bundle, FileBundle.h). False when the
// file cannot be read or is no page image.
bool ReadPageImage(const std::string& file, PageContents& page);

// Draws a page image file over the target rectangle of the painter, as vectors and with its texts
// as texts. False when the file cannot be read or is no page image.
bool DrawPageImage(const std::string& file, QPainter& painter, const QRectF& target);
// Draws what a page image shows so, on any thread that may paint on the painter's device.
void DrawPageContents(const PageContents& page, QPainter& painter, const QRectF& target);

} // namespace platform
