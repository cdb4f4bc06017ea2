// Drawing into the surfaces of client areas with the old pixel rules: lines leave their end
// point out, rectangles and regions leave their right and bottom edges out, text stands by its
// top-left corner.
#include "platform/win32/Internal.h"

#include "platform/ui/Qt.h"
#include "platform/ui/Window.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <unordered_map>

namespace platform::win32 {

namespace detail {

COLORREF ToColorRef(const QColor& color) {
    return static_cast<COLORREF>(color.red()) | (static_cast<COLORREF>(color.green()) << 8) |
           (static_cast<COLORREF>(color.blue()) << 16);
}

QColor ToColor(COLORREF color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

qreal SurfaceRatio(const QWidget& widget) {
    return std::max<qreal>(1, widget.devicePixelRatioF());
}

QSize DeviceSize(QSize logical, qreal ratio) {
    return QSize(static_cast<int>(std::ceil(logical.width() * ratio)),
                 static_cast<int>(std::ceil(logical.height() * ratio)));
}

void MakeSurface(WindowRecord& client) {
    if (!client.widget)
        return;
    QSize size = client.widget->size().expandedTo(QSize(1, 1));
    const qreal ratio = SurfaceRatio(*client.widget);
    if (!client.surface.isNull() && client.surface.devicePixelRatio() == ratio &&
        client.surface.size() == DeviceSize(size, ratio))
        return;
    // The surface has the screen's own pixels: what is drawn in window pixels lands on as many
    // device pixels as the screen gives each, so text is as sharp as the controls around it.
    client.surface = QImage(DeviceSize(size, ratio), QImage::Format_RGB32);
    client.surface.setDevicePixelRatio(ratio);
    client.surface.fill(ToColor(GetSysColor(COLOR_WINDOW)));
}

WindowRecord* SurfaceOwner(WindowRecord& record) {
    if (!record.window || !record.window->ClientWidget())
        return nullptr;
    WindowRecord* client = Ensure(record.window->ClientWidget(), record.window, nullptr, true);
    if (client && client->surface.isNull())
        MakeSurface(*client);
    return client;
}

void ShowSurface(WindowRecord& client, const QRect& changed) {
    if (!client.window || !client.widget || changed.isEmpty())
        return;
    Window* window = client.window;
    for (Control* c : window->Controls()) {
        QWidget* w = c->Widget();
        if (c->Kind() != ControlKind::Region || !w || !client.widget->isAncestorOf(w))
            continue;
        WindowRecord* host = Ensure(w, window, c, false);
        if (!host || !w->isVisible())
            continue;
        QRect place(w->mapTo(client.widget, QPoint(0, 0)), w->size());
        QRect part = (changed & place).translated(-place.topLeft());
        if (part.isEmpty())
            continue;
        host->selfRefresh |= part;
        w->update(part);
    }
}

} // namespace detail

using namespace detail;

namespace {

struct Pen {
    COLORREF color = 0;
};
struct Brush {
    COLORREF color = 0;
};
struct Region {
    QRegion area;
};
struct DeviceContext {
    Id window = 0; // the window it draws for
    Id client = 0; // the client area whose surface it draws into
    QPoint origin; // the window's top-left corner in the client area
    QRect bounds;  // the window's area, in its own coordinates
    std::optional<QRegion> clip;
    HPEN pen = nullptr;
    HBRUSH brush = nullptr;
    HFONT font = nullptr;
    int bkMode = OPAQUE;
    COLORREF textColor = 0;
    QPoint position;
    QRect changed; // client pixels drawn since the context was got
};

struct Objects {
    std::unordered_map<Id, Pen> pens;
    std::unordered_map<Id, Brush> brushes;
    std::unordered_map<Id, QFont> fonts;
    std::unordered_map<Id, Region> regions;
    std::unordered_map<Id, DeviceContext> contexts;
};

Objects& O() {
    static Objects objects;
    return objects;
}

template <typename Map>
auto* Lookup(Map& map, const void* handle) {
    auto it = map.find(reinterpret_cast<Id>(handle));
    return it == map.end() ? nullptr : &it->second;
}

DeviceContext* Context(HDC dc) {
    return Lookup(O().contexts, dc);
}

int KindOf(const QRegion& region) {
    if (region.isEmpty())
        return NULLREGION;
    return region.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

QRect RectOf(int left, int top, int right, int bottom) {
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    return QRect(left, top, right - left, bottom - top);
}

QFont DefaultFont() {
    QFont font = StandInFont("MS Sans Serif", 8);
    font.setPixelSize(13);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// Runs a drawing step on the surface of a context's client area, clipped to the context's clip
// region within its window. `draw` works in the window's coordinates and gives what it touched.
template <typename Draw>
BOOL Paint(HDC dc, Draw draw) {
    DeviceContext* d = Context(dc);
    if (!d)
        return FALSE;
    WindowRecord* client = FindId(d->client);
    if (!client || !client->widget)
        return FALSE;
    MakeSurface(*client);
    QRegion clip = d->clip ? (*d->clip & d->bounds) : QRegion(d->bounds);
    QRect touched = draw(client->surface, *d, clip);
    d->changed |= (touched & clip.boundingRect()).translated(d->origin);
    return TRUE;
}

// Where a window pixel's edge lands among the device pixels of a surface: rounded, the same for
// every edge; and a line one window pixel wide is the same number of device pixels wide
// wherever it lies, at any scale, within its window pixel (at 1.5 every line is 1 device pixel,
// not 1 here and 2 there).
int DeviceEdge(int v, qreal ratio) {
    return static_cast<int>(std::lround(v * ratio));
}
int LineWidth(qreal ratio) {
    return std::max(1, static_cast<int>(std::floor(ratio)));
}

// Sets the device pixels of one window pixel of a line that runs mostly across (or down): along
// the line it covers up to the next window pixel's edge, across it the line's width.
void SetLinePixel(QImage& surface, QPoint at, QRgb color, bool across) {
    const qreal ratio = surface.devicePixelRatio();
    if (ratio == 1) {
        surface.setPixel(at, color);
        return;
    }
    const int width = LineWidth(ratio);
    const int x0 = DeviceEdge(at.x(), ratio), y0 = DeviceEdge(at.y(), ratio);
    const int x1 = across ? DeviceEdge(at.x() + 1, ratio) : x0 + width;
    const int y1 = across ? y0 + width : DeviceEdge(at.y() + 1, ratio);
    for (int y = y0; y < y1 && y < surface.height(); ++y)
        for (int x = x0; x < x1 && x < surface.width(); ++x)
            surface.setPixel(x, y, color);
}

// A rectangle of window pixels (of the context) as device pixels, its edges snapped.
QRect DeviceRect(const QImage& surface, const DeviceContext& d, const QRect& rect) {
    const qreal ratio = surface.devicePixelRatio();
    const QRect r = rect.translated(d.origin);
    return QRect(
        QPoint(DeviceEdge(r.left(), ratio), DeviceEdge(r.top(), ratio)),
        QPoint(DeviceEdge(r.right() + 1, ratio) - 1, DeviceEdge(r.bottom() + 1, ratio) - 1));
}

// Fills device pixels (a rectangle from DeviceRect), within the context's clip.
void Fill(QImage& surface, const DeviceContext& d, const QRegion& clip, const QRect& device,
          COLORREF color) {
    if (device.isEmpty())
        return;
    const qreal ratio = surface.devicePixelRatio();
    QPainter painter(&surface);
    painter.translate(d.origin);
    painter.setClipRegion(clip);
    // Aliased filling takes the device pixels whose centres lie inside: exactly these.
    painter.fillRect(QRectF(device.x() / ratio - d.origin.x(), device.y() / ratio - d.origin.y(),
                            device.width() / ratio, device.height() / ratio),
                     ToColor(color));
}

} // namespace

COLORREF GetSysColor(int index) {
    QPalette palette = QGuiApplication::palette();
    switch (index) {
    case COLOR_WINDOW:
        return ToColorRef(palette.color(QPalette::Active, QPalette::Base));
    case COLOR_HIGHLIGHT:
        return ToColorRef(palette.color(QPalette::Active, QPalette::Highlight));
    default:
        return 0;
    }
}

HDC GetDC(HWND window) {
    WindowRecord* r = Find(window);
    if (!r || !r->widget)
        return nullptr;
    WindowRecord* client = SurfaceOwner(*r);
    if (!client || !client->widget)
        return nullptr;
    DeviceContext d;
    d.window = r->id;
    d.client = client->id;
    if (r != client) {
        if (!client->widget->isAncestorOf(r->widget))
            return nullptr;
        d.origin = r->widget->mapTo(client->widget, QPoint(0, 0));
    }
    d.bounds = QRect(QPoint(0, 0), r->widget->size());
    Id id = NextId();
    O().contexts[id] = d;
    return reinterpret_cast<HDC>(id);
}

int ReleaseDC(HWND, HDC dc) {
    DeviceContext* d = Context(dc);
    if (!d)
        return 0;
    if (WindowRecord* client = FindId(d->client))
        ShowSurface(*client, d->changed);
    O().contexts.erase(reinterpret_cast<Id>(dc));
    return 1;
}

HPEN CreatePen(int style, int, COLORREF color) {
    if (style != PS_SOLID)
        return nullptr;
    Id id = NextId();
    O().pens[id] = Pen{color & 0xFFFFFF};
    return reinterpret_cast<HPEN>(id);
}

HBRUSH CreateSolidBrush(COLORREF color) {
    Id id = NextId();
    O().brushes[id] = Brush{color & 0xFFFFFF};
    return reinterpret_cast<HBRUSH>(id);
}

HFONT CreateFontIndirectA(const LOGFONTA* logFont) {
    if (!logFont)
        return nullptr;
    std::string face(logFont->lfFaceName,
                     std::find(logFont->lfFaceName, logFont->lfFaceName + 32, '\0'));
    QFont font = StandInFont(face, 8);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setWeight(logFont->lfWeight <= 0
                       ? QFont::Normal
                       : static_cast<QFont::Weight>(std::clamp<int>(logFont->lfWeight, 1, 1000)));
    font.setItalic(logFont->lfItalic != 0);
    font.setUnderline(logFont->lfUnderline != 0);
    font.setStrikeOut(logFont->lfStrikeOut != 0);
    if (logFont->lfHeight < 0) {
        font.setPixelSize(logFont->lfHeight < -2000 ? 2000 : -logFont->lfHeight);
    } else if (logFont->lfHeight > 0) {
        // A positive height is the whole cell: the largest font whose line fits in it.
        int size = std::min<int>(logFont->lfHeight, 2000);
        for (; size > 1; --size) {
            font.setPixelSize(size);
            if (QFontMetrics(font).height() <= logFont->lfHeight)
                break;
        }
        font.setPixelSize(size);
    } else {
        font.setPixelSize(13);
    }
    Id id = NextId();
    O().fonts[id] = font;
    return reinterpret_cast<HFONT>(id);
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    Id id = NextId();
    O().regions[id] = Region{QRegion(RectOf(left, top, right, bottom))};
    return reinterpret_cast<HRGN>(id);
}

int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode) {
    Region* d = Lookup(O().regions, destination);
    Region* a = Lookup(O().regions, source1);
    Region* b = Lookup(O().regions, source2);
    if (!d || !a || !b || mode != RGN_AND)
        return ERROR;
    d->area = a->area & b->area;
    return KindOf(d->area);
}

int SelectClipRgn(HDC dc, HRGN region) {
    DeviceContext* d = Context(dc);
    if (!d)
        return ERROR;
    if (!region) {
        d->clip.reset();
        return SIMPLEREGION;
    }
    Region* r = Lookup(O().regions, region);
    if (!r)
        return ERROR;
    d->clip = r->area;
    return KindOf(*d->clip & d->bounds);
}

HPEN SelectObject(HDC dc, HPEN pen) {
    DeviceContext* d = Context(dc);
    if (!d || !Lookup(O().pens, pen))
        return nullptr;
    return std::exchange(d->pen, pen);
}

HBRUSH SelectObject(HDC dc, HBRUSH brush) {
    DeviceContext* d = Context(dc);
    if (!d || !Lookup(O().brushes, brush))
        return nullptr;
    return std::exchange(d->brush, brush);
}

HFONT SelectObject(HDC dc, HFONT font) {
    DeviceContext* d = Context(dc);
    if (!d || !Lookup(O().fonts, font))
        return nullptr;
    return std::exchange(d->font, font);
}

BOOL DeleteObject(HPEN pen) {
    return O().pens.erase(reinterpret_cast<Id>(pen)) ? TRUE : FALSE;
}

BOOL DeleteObject(HBRUSH brush) {
    return O().brushes.erase(reinterpret_cast<Id>(brush)) ? TRUE : FALSE;
}

BOOL DeleteObject(HFONT font) {
    return O().fonts.erase(reinterpret_cast<Id>(font)) ? TRUE : FALSE;
}

BOOL DeleteObject(HRGN region) {
    return O().regions.erase(reinterpret_cast<Id>(region)) ? TRUE : FALSE;
}

int SetBkMode(HDC dc, int mode) {
    DeviceContext* d = Context(dc);
    if (!d || (mode != TRANSPARENT && mode != OPAQUE))
        return 0;
    return std::exchange(d->bkMode, mode);
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
    DeviceContext* d = Context(dc);
    if (!d)
        return CLR_INVALID;
    return std::exchange(d->textColor, color & 0xFFFFFF);
}

BOOL TextOutA(HDC dc, int x, int y, const char* text, int length) {
    if (!text || length < 0)
        return FALSE;
    QString s = ToQt(std::string(text, static_cast<std::size_t>(length)));
    return Paint(dc, [&](QImage& surface, DeviceContext& d, const QRegion& clip) {
        QFont* selected = Lookup(O().fonts, d.font);
        QFont font = selected ? *selected : DefaultFont();
        // With more than one device pixel to a window pixel the text is smoothed, as the
        // controls' own is; its size and place in window pixels stay the same.
        if (surface.devicePixelRatio() > 1)
            font.setStyleStrategy(QFont::PreferDefault);
        QPainter painter(&surface);
        painter.translate(d.origin);
        painter.setClipRegion(clip);
        painter.setFont(font);
        QFontMetrics metrics = painter.fontMetrics();
        QRect cell(x, y, metrics.horizontalAdvance(s), metrics.height());
        if (d.bkMode == OPAQUE)
            painter.fillRect(cell, Qt::white);
        painter.setPen(ToColor(d.textColor));
        painter.drawText(QPoint(x, y + metrics.ascent()), s);
        return cell | metrics.boundingRect(s).translated(x, y + metrics.ascent());
    });
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
    DeviceContext* d = Context(dc);
    if (!d)
        return FALSE;
    if (previous) {
        previous->x = d->position.x();
        previous->y = d->position.y();
    }
    d->position = QPoint(x, y);
    return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
    BOOL done = Paint(dc, [&](QImage& surface, DeviceContext& d, const QRegion& clip) {
        Pen* pen = Lookup(O().pens, d.pen);
        QRgb color = ToColor(pen ? pen->color : 0).rgb();
        QPoint from = d.position;
        QPoint to(x, y);
        QRect reach = clip.boundingRect();
        if (!QRect(from, to).normalized().adjusted(0, 0, 1, 1).intersects(reach))
            return QRect();
        // Every pixel from the start up to the end point, which is left out.
        int dx = std::abs(to.x() - from.x()), sx = from.x() < to.x() ? 1 : -1;
        int dy = -std::abs(to.y() - from.y()), sy = from.y() < to.y() ? 1 : -1;
        int error = dx + dy;
        QPoint p = from;
        QRect touched;
        const qreal ratio = surface.devicePixelRatio();
        QRect area(QPoint(0, 0), (QSizeF(surface.size()) / ratio).toSize());
        if (ratio != std::floor(ratio) && dx != 0 && dy != 0) {
            // A slanted line at a fractional scale of the screen's: stepped through the device
            // pixels themselves, a line's width thick, so that it is as thin and as even as a
            // straight one; each device pixel drawn where its window pixel may be.
            const int width = LineWidth(ratio);
            const QPoint a(DeviceEdge(from.x() + d.origin.x(), ratio),
                           DeviceEdge(from.y() + d.origin.y(), ratio));
            const QPoint b(DeviceEdge(to.x() + d.origin.x(), ratio),
                           DeviceEdge(to.y() + d.origin.y(), ratio));
            const int ex = std::abs(b.x() - a.x()), ey = -std::abs(b.y() - a.y());
            const int tx = a.x() < b.x() ? 1 : -1, ty = a.y() < b.y() ? 1 : -1;
            int e = ex + ey;
            for (QPoint q = a; q != b;) {
                const QPoint window(static_cast<int>(std::floor(q.x() / ratio)),
                                    static_cast<int>(std::floor(q.y() / ratio)));
                const QPoint own = window - d.origin;
                if (clip.contains(own) && area.contains(window)) {
                    for (int row = q.y(); row < q.y() + width && row < surface.height(); ++row)
                        for (int col = q.x(); col < q.x() + width && col < surface.width(); ++col)
                            surface.setPixel(col, row, color);
                    touched |= QRect(own, QSize(1, 1));
                }
                const int twice = 2 * e;
                if (twice >= ey) {
                    e += ey;
                    q.rx() += tx;
                }
                if (twice <= ex) {
                    e += ex;
                    q.ry() += ty;
                }
            }
            return touched;
        }
        while (p != to) {
            QPoint at = p + d.origin;
            if (clip.contains(p) && area.contains(at)) {
                SetLinePixel(surface, at, color, dx >= -dy);
                touched |= QRect(p, QSize(1, 1));
            } else if ((sx > 0 ? p.x() > reach.right() : p.x() < reach.left()) ||
                       (sy > 0 ? p.y() > reach.bottom() : p.y() < reach.top())) {
                break; // gone past everything that can be drawn
            }
            int twice = 2 * error;
            if (twice >= dy) {
                error += dy;
                p.rx() += sx;
            }
            if (twice <= dx) {
                error += dx;
                p.ry() += sy;
            }
        }
        return touched;
    });
    if (DeviceContext* d = Context(dc))
        d->position = QPoint(x, y);
    return done;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
    return Paint(dc, [&](QImage& surface, DeviceContext& d, const QRegion& clip) {
        Pen* pen = Lookup(O().pens, d.pen);
        Brush* brush = Lookup(O().brushes, d.brush);
        QRect whole = RectOf(left, top, right, bottom);
        if (whole.isEmpty())
            return QRect();
        // A fresh context draws with a black pen and a white brush; the border is a line's
        // width of device pixels on every side.
        const QRect outer = DeviceRect(surface, d, whole);
        Fill(surface, d, clip, outer, pen ? pen->color : 0x000000);
        if (whole.width() > 2 && whole.height() > 2) {
            const int width = LineWidth(surface.devicePixelRatio());
            Fill(surface, d, clip, outer.adjusted(width, width, -width, -width),
                 brush ? brush->color : 0xFFFFFF);
        }
        return whole;
    });
}

int GetUpdateRgn(HWND window, HRGN region, BOOL) {
    WindowRecord* r = Find(window);
    Region* target = Lookup(O().regions, region);
    if (!r || !target)
        return ERROR;
    target->area = r->update;
    return KindOf(target->area);
}

BOOL ValidateRgn(HWND window, HRGN region) {
    WindowRecord* r = Find(window);
    if (!r)
        return FALSE;
    if (!region) {
        r->update = QRegion();
        return TRUE;
    }
    Region* area = Lookup(O().regions, region);
    if (!area)
        return FALSE;
    r->update -= area->area;
    return TRUE;
}

COLORREF SurfacePixel(Window& window, int x, int y) {
    QWidget* client = window.ClientWidget();
    if (!client)
        return CLR_INVALID;
    WindowRecord* r = Ensure(client, &window, nullptr, true);
    if (!r || r->surface.isNull())
        return CLR_INVALID;
    // The first device pixel of the window pixel.
    const qreal ratio = r->surface.devicePixelRatio();
    const QPoint at(DeviceEdge(x, ratio), DeviceEdge(y, ratio));
    if (x < 0 || y < 0 || !r->surface.rect().contains(at))
        return CLR_INVALID;
    return ToColorRef(QColor(r->surface.pixel(at)));
}

QImage SurfaceCopy(Window& window) {
    QWidget* client = window.ClientWidget();
    WindowRecord* r = client ? Ensure(client, &window, nullptr, true) : nullptr;
    return r ? r->surface.copy() : QImage();
}

} // namespace platform::win32
