#include "platform/report/PageImage.h"

#include "platform/files/FileBundle.h"
#include "platform/files/Path.h"
#include "platform/text/CodePage.h"
#include "platform/text/Text.h"
#include "platform/ui/Qt.h"

#include <QBuffer>
#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QRectF>
#include <QXmlStreamReader>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace platform {

namespace {

// Fonts are measured at 1000 pixels and scaled: page units are far finer than any screen's.
constexpr double kMeasureSize = 1000.0;

// A face as pages are measured and drawn: unhinted, without kerning, at the measuring size.
QFont DrawingFont(const std::string& family, bool bold) {
    QFont font(ToQt(family));
    font.setPixelSize(static_cast<int>(kMeasureSize));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

// The family that stands in for a face of the old programs.
const std::string& Family(const std::string& face) {
    static std::map<std::string, std::string> families;
    auto it = families.find(face);
    if (it == families.end())
        it = families.emplace(face, FromQt(StandInFont(face, 10).family())).first;
    return it->second;
}

// Advances of the code page's characters and the ascent of one face, at 1000 pixels.
struct FaceMetrics {
    double ascent = 0;
    double advance[256] = {};
};

const FaceMetrics& MetricsOf(const std::string& face, bool bold) {
    static std::map<std::string, FaceMetrics> cache;
    std::string key = Family(face) + (bold ? "/b" : "/n");
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    FaceMetrics m;
    QFontMetricsF fm(DrawingFont(Family(face), bold));
    m.ascent = fm.ascent();
    for (int b = 0; b < 256; ++b)
        m.advance[b] = fm.horizontalAdvance(
            QChar(static_cast<char16_t>(CodePointOf(static_cast<unsigned char>(b)))));
    return cache.emplace(key, m).first->second;
}

double PointsToUnits(int points) {
    return points * 1000.0 / 72.0;
}

std::string Number(double value) {
    char buffer[32];
    if (std::fabs(value - std::round(value)) < 0.005)
        std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(std::lround(value)));
    else
        std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

// A whole number as Number writes it.
void AppendNumber(std::string& out, long value) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, static_cast<std::size_t>(end - buffer));
}

std::string Colour(std::int32_t bgr) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", bgr & 0xFF, (bgr >> 8) & 0xFF,
                  (bgr >> 16) & 0xFF);
    return buffer;
}

// A character the text of an element cannot hold (XML has no control characters): shown as a
// blank.
bool ShownBlank(char c) {
    const auto b = static_cast<unsigned char>(c);
    return c == ' ' || b < 0x20 || b == 0x7F;
}

// The text as the content of an element: control characters as blanks, markup characters
// escaped, the code page's characters as UTF-8.
void AppendEscaped(std::string& out, std::string_view text) {
    static const std::array<std::string, 128> upper = [] {
        std::array<std::string, 128> table;
        for (std::size_t b = 0; b < table.size(); ++b) {
            const char c = static_cast<char>(0x80 + b);
            table[b] = ToUtf8(std::string_view(&c, 1));
        }
        return table;
    }();
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (b < 0x20 || b == 0x7F)
            out += ' ';
        else if (b < 0x80)
            out += c;
        else
            out += upper[b - 0x80];
    }
}

// How texts of one face, size and weight are measured and written: their metrics and the group
// that opens a run of them.
struct TextStyle {
    std::string face;
    int points = 0;
    bool bold = false;
    const FaceMetrics* metrics = nullptr;
    double scale = 1; // page units of the size over the measuring size
    // Opens a run of texts; one for all faces that write the same attributes.
    const std::string* group = nullptr;
};

const TextStyle& StyleOf(const std::string& face, int points, bool bold) {
    static std::vector<std::unique_ptr<TextStyle>> styles;
    static const TextStyle* last = nullptr; // a page's texts come in runs of one style
    if (last && last->points == points && last->bold == bold && last->face == face)
        return *last;
    for (const auto& style : styles)
        if (style->points == points && style->bold == bold && style->face == face)
            return *(last = style.get());
    auto style = std::make_unique<TextStyle>();
    style->face = face;
    style->points = points;
    style->bold = bold;
    style->metrics = &MetricsOf(face, bold);
    const double size = PointsToUnits(points);
    style->scale = size / kMeasureSize;
    static std::set<std::string> groups;
    style->group =
        &*groups
              .insert("<g font-family=\"" + Family(face) + "\" font-size=\"" + Number(size) + "\"" +
                      (bold ? " font-weight=\"bold\"" : "") + ">\n")
              .first;
    styles.push_back(std::move(style));
    return *(last = styles.back().get());
}

void AppendHeader(std::string& out, int width, int height) {
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           Number(width * 96.0 / 1000.0) + "\" height=\"" + Number(height * 96.0 / 1000.0) +
           "\" viewBox=\"0 0 " + Number(width) + " " + Number(height) +
           "\" xml:space=\"preserve\">\n"
           "<rect width=\"" +
           Number(width) + "\" height=\"" + Number(height) + "\" fill=\"#ffffff\"/>\n";
}

} // namespace

void PageImage::Begin(int width, int height) {
    Clear();
    width_ = width;
    height_ = height;
    begun_ = true;
    AppendHeader(body_, width_, height_);
}

void PageImage::Clear() {
    body_.clear(); // keeps its room for the next page
    begun_ = false;
    run_ = Run::None;
    runStyle_ = nullptr;
}

void PageImage::CloseRun() {
    if (run_ == Run::Lines)
        body_ += "\"/>\n";
    else if (run_ == Run::Texts)
        body_ += "</g>\n";
    run_ = Run::None;
    runStyle_ = nullptr;
}

void PageImage::Line(int x1, int y1, int x2, int y2) {
    if (run_ != Run::Lines) {
        CloseRun();
        // One unit thick on paper; on a screen, where a thousandth of an inch is far below a
        // pixel, at least one pixel, or the lines would fade away.
        body_ += "<path fill=\"none\" stroke=\"#000000\" stroke-width=\"1\" "
                 "vector-effect=\"non-scaling-stroke\" d=\"";
        run_ = Run::Lines;
    }
    body_ += 'M';
    AppendNumber(body_, x1);
    body_ += ' ';
    AppendNumber(body_, y1);
    if (x1 == x2) {
        body_ += 'V';
        AppendNumber(body_, y2);
    } else if (y1 == y2) {
        body_ += 'H';
        AppendNumber(body_, x2);
    } else {
        body_ += 'L';
        AppendNumber(body_, x2);
        body_ += ' ';
        AppendNumber(body_, y2);
    }
}

void PageImage::Box(int x, int y, int width, int height, std::int32_t fill) {
    CloseRun();
    body_ += "<rect x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" width=\"" + Number(width) +
             "\" height=\"" + Number(height) + "\" fill=\"" +
             (fill < 0 ? std::string("none") : Colour(fill)) + "\"/>\n";
}

void PageImage::Text(int x, int y, int width, std::string_view text, const std::string& face,
                     int points, bool bold) {
    const TextStyle& style = StyleOf(face, points, bold);
    const FaceMetrics& m = *style.metrics;
    const double scale = style.scale;
    // Whole characters, as many as end within the width.
    std::size_t fits = text.size();
    if (width > 0) {
        double used = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            used += m.advance[static_cast<unsigned char>(text[i])] * scale;
            if (used > width + 0.001) {
                fits = i;
                break;
            }
        }
    }
    // Without the blanks at its end (control characters show as blanks).
    while (fits > 0 && ShownBlank(text[fits - 1]))
        --fits;
    if (fits == 0)
        return;
    if (run_ != Run::Texts || runStyle_ != style.group) {
        CloseRun();
        body_ += *style.group;
        run_ = Run::Texts;
        runStyle_ = style.group;
    }
    body_ += "<text x=\"";
    AppendNumber(body_, x);
    body_ += "\" y=\"";
    AppendNumber(body_, std::lround(y + m.ascent * scale));
    body_ += "\">";
    AppendEscaped(body_, text.substr(0, fits));
    body_ += "</text>\n";
}

std::string_view PageImage::Finish() {
    CloseRun();
    body_ += "</svg>\n";
    return body_;
}

// ---------------------------------------------------------------------------------------------

namespace {

// What a group hands down to the elements inside it.
struct Style {
    QString family = QStringLiteral("Liberation Sans");
    double fontSize = 16;
    bool bold = false;
    QString fill = QStringLiteral("#000000");
    QString stroke = QStringLiteral("none");
    double strokeWidth = 1;
};

void Inherit(Style& style, const QXmlStreamAttributes& a) {
    if (a.hasAttribute("font-family"))
        style.family = a.value("font-family").toString();
    if (a.hasAttribute("font-size"))
        style.fontSize = a.value("font-size").toDouble();
    if (a.hasAttribute("font-weight"))
        style.bold = a.value("font-weight") == QLatin1String("bold");
    if (a.hasAttribute("fill"))
        style.fill = a.value("fill").toString();
    if (a.hasAttribute("stroke"))
        style.stroke = a.value("stroke").toString();
    if (a.hasAttribute("stroke-width"))
        style.strokeWidth = a.value("stroke-width").toDouble();
}

double Attr(const QXmlStreamAttributes& a, const char* name) {
    return a.value(QLatin1String(name)).toDouble();
}

// "#rrggbb" as 0x00BBGGRR; -1 for "none" or what is no colour.
std::int32_t ColourOf(const QString& text) {
    QColor c(text);
    if (text == QLatin1String("none") || !c.isValid())
        return -1;
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

QColor QtColour(std::int32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// The segments of the path data the writer makes: moves, lines, horizontals and verticals,
// absolute or relative.
void AddPath(const QString& d, const Style& style, std::vector<PageElement>& out) {
    QPointF at, start;
    QChar command;
    int i = 0;
    const int n = static_cast<int>(d.size());
    auto number = [&](double& value) {
        while (i < n && (d[i].isSpace() || d[i] == ','))
            ++i;
        int from = i;
        if (i < n && (d[i] == '-' || d[i] == '+'))
            ++i;
        while (i < n && (d[i].isDigit() || d[i] == '.'))
            ++i;
        bool ok = false;
        value = d.mid(from, i - from).toDouble(&ok);
        return ok;
    };
    auto segment = [&](QPointF to) {
        PageElement e;
        e.kind = PageElement::Kind::Line;
        e.x = at.x();
        e.y = at.y();
        e.width = to.x() - at.x();
        e.height = to.y() - at.y();
        e.colour = ColourOf(style.stroke);
        e.thickness = style.strokeWidth;
        out.push_back(e);
        at = to;
    };
    while (i < n) {
        if (d[i].isSpace() || d[i] == ',') {
            ++i;
            continue;
        }
        if (d[i].isLetter())
            command = d[i++];
        double a = 0, b = 0;
        const bool relative = command.isLower();
        const QPointF base = relative ? at : QPointF();
        switch (command.toUpper().unicode()) {
        case 'M':
            if (!number(a) || !number(b))
                return;
            at = start = base + QPointF(a, b);
            command = relative ? QChar('l') : QChar('L');
            break;
        case 'L':
            if (!number(a) || !number(b))
                return;
            segment(base + QPointF(a, b));
            break;
        case 'H':
            if (!number(a))
                return;
            segment(QPointF(relative ? at.x() + a : a, at.y()));
            break;
        case 'V':
            if (!number(a))
                return;
            segment(QPointF(at.x(), relative ? at.y() + a : a));
            break;
        case 'Z':
            segment(start);
            break;
        default:
            return;
        }
    }
}

} // namespace

bool ReadPageImage(const std::string& file, PageContents& page) {
    page = PageContents{};
    const std::optional<std::string> bundled = ReadBundled(file);
    QBuffer kept;
    QFile own;
    QIODevice* in = &own;
    if (bundled) {
        kept.setData(
            QByteArray::fromRawData(bundled->data(), static_cast<qsizetype>(bundled->size())));
        in = &kept;
    } else {
        own.setFileName(ToQt(file));
    }
    if (!in->open(QIODevice::ReadOnly))
        return false;
    QXmlStreamReader xml(in);
    std::vector<Style> styles{Style{}};
    bool isPage = false;
    while (!xml.atEnd()) {
        QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (styles.size() > 1)
                styles.pop_back();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        Style style = styles.back();
        Inherit(style, a);
        const QStringView name = xml.name();
        if (name == QLatin1String("svg")) {
            QStringList box = a.value("viewBox").toString().split(' ', Qt::SkipEmptyParts);
            if (box.size() != 4 || box[2].toDouble() <= 0 || box[3].toDouble() <= 0)
                return false;
            page.width = box[2].toDouble();
            page.height = box[3].toDouble();
            isPage = true;
        } else if (!isPage) {
            return false;
        } else if (name == QLatin1String("rect")) {
            PageElement e;
            e.x = Attr(a, "x");
            e.y = Attr(a, "y");
            e.width = Attr(a, "width");
            e.height = Attr(a, "height");
            e.colour = ColourOf(style.fill);
            if (e.colour >= 0)
                page.elements.push_back(e);
        } else if (name == QLatin1String("line")) {
            PageElement e;
            e.kind = PageElement::Kind::Line;
            e.x = Attr(a, "x1");
            e.y = Attr(a, "y1");
            e.width = Attr(a, "x2") - e.x;
            e.height = Attr(a, "y2") - e.y;
            e.colour = ColourOf(style.stroke);
            e.thickness = style.strokeWidth;
            if (e.colour >= 0)
                page.elements.push_back(e);
        } else if (name == QLatin1String("path")) {
            if (ColourOf(style.stroke) >= 0)
                AddPath(a.value("d").toString(), style, page.elements);
        } else if (name == QLatin1String("text")) {
            PageElement e;
            e.kind = PageElement::Kind::Text;
            e.x = Attr(a, "x");
            e.y = Attr(a, "y");
            e.colour = std::max(0, ColourOf(style.fill));
            e.face = FromQt(style.family);
            e.size = style.fontSize;
            e.bold = style.bold;
            e.text = FromQt(xml.readElementText(QXmlStreamReader::IncludeChildElements));
            page.elements.push_back(e);
            continue; // the end of the element is read
        }
        styles.push_back(style);
    }
    return isPage && !xml.hasError();
}

namespace {

// The font a page's texts are drawn with: the measuring font, drawn glyph by glyph at the font's
// own advances (the pages are laid out by them, without kerning), so that no text is shaped
// again for each page printed.
const QFont& PrintingFont(const std::string& face, bool bold) {
    static std::map<std::pair<std::string, bool>, QFont> fonts;
    auto it = fonts.find({face, bold});
    if (it == fonts.end()) {
        QFont font = DrawingFont(face, bold);
        font.setStyleStrategy(QFont::PreferNoShaping);
        it = fonts.emplace(std::make_pair(face, bold), font).first;
    }
    return it->second;
}

} // namespace

bool DrawPageImage(const std::string& file, QPainter& painter, const QRectF& target) {
    PageContents page;
    if (!ReadPageImage(file, page))
        return false;
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / page.width, target.height() / page.height);
    for (const PageElement& e : page.elements) {
        switch (e.kind) {
        case PageElement::Kind::Box:
            painter.fillRect(QRectF(e.x, e.y, e.width, e.height), QtColour(e.colour));
            break;
        case PageElement::Kind::Line: {
            // As thick as the page says, not a pixel of the device.
            QPen pen(QtColour(e.colour), e.thickness);
            pen.setCosmetic(false);
            pen.setCapStyle(Qt::FlatCap);
            painter.setPen(pen);
            painter.drawLine(QPointF(e.x, e.y), QPointF(e.x + e.width, e.y + e.height));
            break;
        }
        case PageElement::Kind::Text:
            painter.save();
            painter.translate(e.x, e.y);
            painter.scale(e.size / kMeasureSize, e.size / kMeasureSize);
            painter.setFont(PrintingFont(e.face, e.bold));
            painter.setPen(QtColour(e.colour));
            painter.drawText(QPointF(0, 0), ToQt(e.text));
            painter.restore();
            break;
        }
    }
    painter.restore();
    return true;
}

} // namespace platform
