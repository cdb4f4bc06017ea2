#include "platform/report/PageImage.h"

#include "platform/files/FileBundle.h"
#include "platform/files/Path.h"
#include "platform/text/CodePage.h"
#include "platform/text/Text.h"
#include "platform/ui/Qt.h"

#include <QBuffer>
#include <QFile>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QRectF>
#include <QTransform>
#include <QXmlStreamReader>

#include <algorithm>
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

// A number as the XML reader's attributes give it (QString::toDouble: blanks around it allowed,
// a leading "+"); false, and 0, for what is no number.
bool NumberOf(std::string_view text, double& value) {
    value = 0;
    std::string_view t = text;
    while (!t.empty() &&
           (t.front() == ' ' || t.front() == '\t' || t.front() == '\n' || t.front() == '\r'))
        t.remove_prefix(1);
    while (!t.empty() &&
           (t.back() == ' ' || t.back() == '\t' || t.back() == '\n' || t.back() == '\r'))
        t.remove_suffix(1);
    if (t.size() > 1 && t.front() == '+' && t[1] != '-' && t[1] != '+')
        t.remove_prefix(1);
    double parsed = 0;
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), parsed);
    if (!t.empty() && error == std::errc() && end == t.data() + t.size()) {
        value = parsed;
        return true;
    }
    // What only Qt reads as a number.
    bool ok = false;
    parsed = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toDouble(&ok);
    if (ok)
        value = parsed;
    return ok;
}

// "#rrggbb" as 0x00BBGGRR; -1 for "none" or what is no colour.
std::int32_t ColourOf(std::string_view text) {
    auto hex = [](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    if (text.size() == 7 && text[0] == '#') {
        int v[6];
        bool ok = true;
        for (std::size_t i = 0; i < 6; ++i)
            ok = ok && (v[i] = hex(text[i + 1])) >= 0;
        if (ok)
            return (v[0] * 16 + v[1]) | ((v[2] * 16 + v[3]) << 8) | ((v[4] * 16 + v[5]) << 16);
    }
    return ColourOf(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

// The segments of the path data the writer makes: moves, lines, horizontals and verticals,
// absolute or relative.
void AddPath(std::string_view d, std::int32_t colour, double thickness,
             std::vector<PageElement>& out) {
    auto space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
    };
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    double atX = 0, atY = 0, startX = 0, startY = 0;
    char command = 0;
    std::size_t i = 0;
    const std::size_t n = d.size();
    auto number = [&](double& value) {
        while (i < n && (space(d[i]) || d[i] == ','))
            ++i;
        const std::size_t from = i;
        if (i < n && (d[i] == '-' || d[i] == '+'))
            ++i;
        while (i < n && (digit(d[i]) || d[i] == '.'))
            ++i;
        return NumberOf(d.substr(from, i - from), value);
    };
    auto segment = [&](double toX, double toY) {
        PageElement e;
        e.kind = PageElement::Kind::Line;
        e.x = atX;
        e.y = atY;
        e.width = toX - atX;
        e.height = toY - atY;
        e.colour = colour;
        e.thickness = thickness;
        out.push_back(e);
        atX = toX;
        atY = toY;
    };
    while (i < n) {
        if (space(d[i]) || d[i] == ',') {
            ++i;
            continue;
        }
        if (letter(d[i]))
            command = d[i++];
        double a = 0, b = 0;
        const bool relative = command >= 'a' && command <= 'z';
        const double baseX = relative ? atX : 0, baseY = relative ? atY : 0;
        switch (relative ? static_cast<char>(command - 'a' + 'A') : command) {
        case 'M':
            if (!number(a) || !number(b))
                return;
            atX = startX = baseX + a;
            atY = startY = baseY + b;
            command = relative ? 'l' : 'L';
            break;
        case 'L':
            if (!number(a) || !number(b))
                return;
            segment(baseX + a, baseY + b);
            break;
        case 'H':
            if (!number(a))
                return;
            segment(relative ? atX + a : a, atY);
            break;
        case 'V':
            if (!number(a))
                return;
            segment(atX, relative ? atY + a : a);
            break;
        case 'Z':
            segment(startX, startY);
            break;
        default:
            return;
        }
    }
}

} // namespace

namespace {

// Reads a page image with the XML reader: any SVG of the forms the reader knows.
bool ReadWithXml(QIODevice& in, PageContents& page) {
    page = PageContents{};
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QXmlStreamReader xml(&in);
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
            if (const std::int32_t colour = ColourOf(style.stroke); colour >= 0)
                AddPath(a.value("d").toString().toStdString(), colour, style.strokeWidth,
                        page.elements);
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

// Reads the page images the writer makes without the XML reader, which costs more than the
// printing of the page: plain elements and attributes, texts without child elements, the five
// named entities. Nothing when the bytes hold anything else (a comment, another encoding, a
// character reference, an error): the XML reader reads those, and says what is wrong.
class OwnPageReader {
public:
    explicit OwnPageReader(std::string_view in) : in_(in) {}

    std::optional<bool> Read(PageContents& page) {
        page = PageContents{};
        constexpr std::string_view prolog = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
        if (in_.substr(0, 5) == "<?xml") {
            if (in_.substr(0, prolog.size()) != prolog)
                return std::nullopt;
            at_ = prolog.size();
        }
        std::vector<FastStyle> styles{FastStyle{}};
        std::vector<std::string_view> open;
        bool isPage = false, ended = false;
        for (;;) {
            // Characters between elements: only blanks count as nothing for sure.
            while (at_ < in_.size() && in_[at_] != '<') {
                const auto c = static_cast<unsigned char>(in_[at_]);
                if (c == '&' || c == '>' || c >= 0x80 || (c < 0x20 && !IsXmlBlank(in_[at_])))
                    return std::nullopt;
                if (ended && !IsXmlBlank(in_[at_]))
                    return std::nullopt; // content after the page: the XML reader says so
                ++at_;
            }
            if (at_ >= in_.size())
                break;
            if (ended)
                return std::nullopt;
            ++at_;
            if (at_ < in_.size() && in_[at_] == '/') {
                ++at_;
                const std::string_view name = Name();
                SkipBlanks();
                if (name.empty() || !Take('>') || open.empty() || open.back() != name)
                    return std::nullopt;
                open.pop_back();
                if (styles.size() > 1)
                    styles.pop_back();
                ended = open.empty();
                continue;
            }
            const std::string_view name = Name();
            if (name.empty() || name.find(':') != std::string_view::npos)
                return std::nullopt; // a comment, a declaration, an instruction, a prefix
            attributes_.clear();
            bool empty = false;
            for (;;) {
                const bool blank = SkipBlanks();
                if (Take('>'))
                    break;
                if (Take('/')) {
                    if (!Take('>'))
                        return std::nullopt;
                    empty = true;
                    break;
                }
                if (!blank)
                    return std::nullopt;
                const std::string_view key = Name();
                SkipBlanks();
                // A prefix other than the two the XML reader knows is declared elsewhere.
                if (const std::size_t colon = key.find(':'); colon != std::string_view::npos &&
                                                             key.substr(0, colon) != "xml" &&
                                                             key.substr(0, colon) != "xmlns")
                    return std::nullopt;
                if (key.empty() || !Take('='))
                    return std::nullopt;
                SkipBlanks();
                if (at_ >= in_.size() || (in_[at_] != '"' && in_[at_] != '\''))
                    return std::nullopt;
                const char quote = in_[at_++];
                const std::size_t from = at_;
                while (at_ < in_.size() && in_[at_] != quote) {
                    const auto c = static_cast<unsigned char>(in_[at_]);
                    if (c == '<' || c == '&' || c < 0x20 || c >= 0x80)
                        return std::nullopt;
                    ++at_;
                }
                if (at_ >= in_.size())
                    return std::nullopt;
                for (const auto& [other, value] : attributes_)
                    if (other == key)
                        return std::nullopt;
                attributes_.emplace_back(key, in_.substr(from, at_ - from));
                ++at_;
            }
            FastStyle style = styles.back();
            Inherit(style);
            if (name == "svg") {
                std::vector<double> box;
                std::string_view v = Value("viewBox");
                while (!v.empty()) {
                    const std::size_t cut = v.find(' ');
                    const std::string_view part = v.substr(0, cut);
                    if (!part.empty()) {
                        double number = 0;
                        NumberOf(part, number);
                        box.push_back(number);
                    }
                    v = cut == std::string_view::npos ? std::string_view() : v.substr(cut + 1);
                }
                if (box.size() != 4 || box[2] <= 0 || box[3] <= 0)
                    return false;
                page.width = box[2];
                page.height = box[3];
                isPage = true;
            } else if (!isPage) {
                return false;
            } else if (name == "rect") {
                PageElement e;
                e.x = Number("x");
                e.y = Number("y");
                e.width = Number("width");
                e.height = Number("height");
                e.colour = ColourOf(style.fill);
                if (e.colour >= 0)
                    page.elements.push_back(e);
            } else if (name == "line") {
                PageElement e;
                e.kind = PageElement::Kind::Line;
                e.x = Number("x1");
                e.y = Number("y1");
                e.width = Number("x2") - e.x;
                e.height = Number("y2") - e.y;
                e.colour = ColourOf(style.stroke);
                e.thickness = style.strokeWidth;
                if (e.colour >= 0)
                    page.elements.push_back(e);
            } else if (name == "path") {
                if (const std::int32_t colour = ColourOf(style.stroke); colour >= 0)
                    AddPath(Value("d"), colour, style.strokeWidth, page.elements);
            } else if (name == "text") {
                PageElement e;
                e.kind = PageElement::Kind::Text;
                e.x = Number("x");
                e.y = Number("y");
                e.colour = std::max(0, ColourOf(style.fill));
                std::optional<std::string> face = FromUtf8(style.family);
                if (!face)
                    return std::nullopt;
                e.face = std::move(*face);
                e.size = style.fontSize;
                e.bold = style.bold;
                if (!empty) {
                    const std::size_t end = in_.find('<', at_);
                    if (end == std::string_view::npos || in_.substr(end, 7) != "</text>")
                        return std::nullopt;
                    std::optional<std::string> text = Unescaped(in_.substr(at_, end - at_));
                    if (!text)
                        return std::nullopt;
                    e.text = std::move(*text);
                    at_ = end + 7;
                }
                page.elements.push_back(std::move(e));
                ended = open.empty();
                continue;
            }
            if (empty) {
                ended = open.empty();
                continue;
            }
            open.push_back(name);
            styles.push_back(style);
        }
        if (!open.empty() || !ended)
            return std::nullopt;
        return isPage;
    }

private:
    struct FastStyle {
        std::string_view family = "Liberation Sans";
        double fontSize = 16;
        bool bold = false;
        std::string_view fill = "#000000";
        std::string_view stroke = "none";
        double strokeWidth = 1;
    };

    static bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    bool SkipBlanks() {
        const std::size_t from = at_;
        while (at_ < in_.size() && IsXmlBlank(in_[at_]))
            ++at_;
        return at_ > from;
    }

    bool Take(char c) {
        if (at_ < in_.size() && in_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    // A name of plain ASCII letters, digits, "-", "_", ":" and ".", beginning with a letter.
    std::string_view Name() {
        const std::size_t from = at_;
        auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
        if (at_ >= in_.size() || !letter(in_[at_]))
            return {};
        while (at_ < in_.size() &&
               (letter(in_[at_]) || (in_[at_] >= '0' && in_[at_] <= '9') || in_[at_] == '-' ||
                in_[at_] == '_' || in_[at_] == ':' || in_[at_] == '.'))
            ++at_;
        return in_.substr(from, at_ - from);
    }

    const std::string_view* Find(std::string_view key) const {
        for (const auto& [name, value] : attributes_)
            if (name == key)
                return &value;
        return nullptr;
    }

    std::string_view Value(std::string_view key) const {
        const std::string_view* value = Find(key);
        return value ? *value : std::string_view();
    }

    double Number(std::string_view key) const {
        double value = 0;
        NumberOf(Value(key), value);
        return value;
    }

    void Inherit(FastStyle& style) const {
        if (const std::string_view* v = Find("font-family"))
            style.family = *v;
        if (const std::string_view* v = Find("font-size"))
            NumberOf(*v, style.fontSize);
        if (const std::string_view* v = Find("font-weight"))
            style.bold = *v == "bold";
        if (const std::string_view* v = Find("fill"))
            style.fill = *v;
        if (const std::string_view* v = Find("stroke"))
            style.stroke = *v;
        if (const std::string_view* v = Find("stroke-width"))
            NumberOf(*v, style.strokeWidth);
    }

    // A text's content in the code page; nothing for what only the XML reader reads as it means
    // it (a character reference, a line end it would normalise, a character the code page lacks).
    static std::optional<std::string> Unescaped(std::string_view text) {
        std::string utf8;
        utf8.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '\r' || c == '>' ||
                (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n'))
                return std::nullopt;
            if (c != '&') {
                utf8 += c;
                continue;
            }
            static constexpr std::pair<std::string_view, char> kNamed[] = {
                {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
            bool known = false;
            for (const auto& [entity, meaning] : kNamed)
                if (text.substr(i, entity.size()) == entity) {
                    utf8 += meaning;
                    i += entity.size() - 1;
                    known = true;
                    break;
                }
            if (!known)
                return std::nullopt;
        }
        return FromUtf8(utf8);
    }

    std::string_view in_;
    std::size_t at_ = 0;
    std::vector<std::pair<std::string_view, std::string_view>> attributes_;
};

} // namespace

bool ReadPageImage(const std::string& file, PageContents& page) {
    const std::optional<std::string> bundled = ReadBundled(file);
    if (bundled) {
        if (const std::optional<bool> read = OwnPageReader(*bundled).Read(page))
            return *read;
        QBuffer kept;
        kept.setData(
            QByteArray::fromRawData(bundled->data(), static_cast<qsizetype>(bundled->size())));
        return ReadWithXml(kept, page);
    }
    QFile own(ToQt(file));
    if (own.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = own.readAll();
        own.close();
        if (const std::optional<bool> read =
                OwnPageReader(
                    std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))
                    .Read(page))
            return *read;
    }
    return ReadWithXml(own, page);
}

namespace {

// The font a page's texts are drawn with: the measuring font, drawn glyph by glyph at the font's
// own advances (the pages are laid out by them, without kerning), so that no text is shaped
// again for each page printed.
const QFont& PrintingFont(const std::string& face, bool bold) {
    // Fonts belong to the thread that draws with them.
    thread_local std::map<std::pair<std::string, bool>, QFont> fonts;
    auto it = fonts.find({face, bold});
    if (it == fonts.end()) {
        QFont font = DrawingFont(face, bold);
        font.setStyleStrategy(QFont::PreferNoShaping);
        it = fonts.emplace(std::make_pair(face, bold), font).first;
    }
    return it->second;
}

// The glyphs of the code page's characters in the printing font, and their advances: a text of
// characters that each show as one glyph of the font itself is drawn from them as it stands,
// without the text layout that finds them for every text of every page. Characters that the
// layout treats otherwise (controls, the no-break space, the soft hyphen, one the font lacks
// and takes from another) leave their text to the layout.
struct PrintingGlyphs {
    QRawFont font;
    std::array<quint32, 256> glyph{};
    std::array<double, 256> advance{};
    std::array<bool, 256> plain{};
};

const PrintingGlyphs& GlyphsOf(const std::string& face, bool bold) {
    thread_local std::map<std::pair<std::string, bool>, PrintingGlyphs> cache;
    auto it = cache.find({face, bold});
    if (it != cache.end())
        return it->second;
    PrintingGlyphs g;
    g.font = QRawFont::fromFont(PrintingFont(face, bold));
    for (int b = 0; b < 256 && g.font.isValid(); ++b) {
        const char32_t code = CodePointOf(static_cast<unsigned char>(b));
        if (code < 0x20 || (code >= 0x7F && code < 0xA0) || code == 0xA0 || code == 0xAD)
            continue;
        const QChar c(static_cast<char16_t>(code));
        quint32 index = 0;
        int count = 1;
        if (!g.font.glyphIndexesForChars(&c, 1, &index, &count) || count != 1 || index == 0)
            continue;
        QPointF advance;
        if (!g.font.advancesForGlyphIndexes(&index, &advance, 1))
            continue;
        g.glyph[static_cast<std::size_t>(b)] = index;
        g.advance[static_cast<std::size_t>(b)] = advance.x();
        g.plain[static_cast<std::size_t>(b)] = true;
    }
    return cache.emplace(std::make_pair(face, bold), std::move(g)).first->second;
}

// Lines of one pen, drawn together.
void DrawLines(QPainter& painter, const std::vector<QLineF>& lines, std::int32_t colour,
               double thickness) {
    if (lines.empty())
        return;
    // As thick as the page says, not a pixel of the device.
    QPen pen(QtColour(colour), thickness);
    pen.setCosmetic(false);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLines(lines.data(), static_cast<int>(lines.size()));
}

void DrawTextLaidOut(QPainter& painter, const PageElement& e) {
    painter.save();
    painter.translate(e.x, e.y);
    painter.scale(e.size / kMeasureSize, e.size / kMeasureSize);
    painter.setFont(PrintingFont(e.face, e.bold));
    painter.setPen(QtColour(e.colour));
    painter.drawText(QPointF(0, 0), ToQt(e.text));
    painter.restore();
}

} // namespace

bool DrawPageImage(const std::string& file, QPainter& painter, const QRectF& target) {
    PageContents page;
    if (!ReadPageImage(file, page))
        return false;
    DrawPageContents(page, painter, target);
    return true;
}

void DrawPageContents(const PageContents& page, QPainter& painter, const QRectF& target) {
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / page.width, target.height() / page.height);
    const std::vector<PageElement>& elements = page.elements;
    std::vector<QLineF> lines;
    std::vector<quint32> glyphs;
    std::vector<QPointF> positions;
    for (std::size_t i = 0; i < elements.size();) {
        const PageElement& e = elements[i];
        switch (e.kind) {
        case PageElement::Kind::Box:
            painter.fillRect(QRectF(e.x, e.y, e.width, e.height), QtColour(e.colour));
            ++i;
            break;
        case PageElement::Kind::Line: {
            // A run of lines of one pen in one stroke.
            lines.clear();
            std::size_t j = i;
            for (; j < elements.size() && elements[j].kind == PageElement::Kind::Line &&
                   elements[j].colour == e.colour && elements[j].thickness == e.thickness;
                 ++j) {
                const PageElement& l = elements[j];
                lines.emplace_back(QPointF(l.x, l.y), QPointF(l.x + l.width, l.y + l.height));
            }
            DrawLines(painter, lines, e.colour, e.thickness);
            i = j;
            break;
        }
        case PageElement::Kind::Text: {
            // Each text of a run of one font, size and colour as a run of glyphs, in the font's
            // pixels from the text's own place (so the job says where each text stands, as
            // one drawn through the text layout does); a text the glyphs cannot show goes
            // through the text layout itself.
            const PrintingGlyphs& g = GlyphsOf(e.face, e.bold);
            const double scale = e.size / kMeasureSize;
            glyphs.clear();
            positions.clear();
            std::size_t j = i;
            // The pen once for the run, the place and size of each text in its transform, as
            // the text layout's own drawing would have them.
            const QTransform base = painter.worldTransform();
            painter.setPen(QtColour(e.colour));
            QGlyphRun run;
            run.setRawFont(g.font);
            for (; j < elements.size() && elements[j].kind == PageElement::Kind::Text &&
                   elements[j].face == e.face && elements[j].bold == e.bold &&
                   elements[j].size == e.size && elements[j].colour == e.colour;
                 ++j) {
                const PageElement& t = elements[j];
                const bool plain = g.font.isValid() && scale > 0 &&
                                   std::all_of(t.text.begin(), t.text.end(), [&g](char c) {
                                       return g.plain[static_cast<unsigned char>(c)];
                                   });
                if (!plain) {
                    painter.setWorldTransform(base);
                    DrawTextLaidOut(painter, t);
                    continue;
                }
                // A blank after the text's first glyph shows nothing: only its advance counts.
                glyphs.clear();
                positions.clear();
                double x = 0;
                for (char c : t.text) {
                    const auto b = static_cast<unsigned char>(c);
                    if (c != ' ' || glyphs.empty()) {
                        glyphs.push_back(g.glyph[b]);
                        positions.emplace_back(x, 0);
                    }
                    x += g.advance[b];
                }
                if (glyphs.empty())
                    continue;
                QTransform at = base;
                at.translate(t.x, t.y);
                at.scale(scale, scale);
                painter.setWorldTransform(at);
                run.setGlyphIndexes(QList<quint32>(glyphs.begin(), glyphs.end()));
                run.setPositions(QList<QPointF>(positions.begin(), positions.end()));
                painter.drawGlyphRun(QPointF(0, 0), run);
            }
            painter.setWorldTransform(base);
            i = j;
            break;
        }
        }
    }
    painter.restore();
}

} // namespace platform
