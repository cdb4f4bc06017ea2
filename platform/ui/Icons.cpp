#include "platform/ui/Icons.h"

#include "platform/text/Text.h"
#include "platform/ui/Qt.h"

#include <QFileInfo>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <iterator>

namespace platform {

namespace {

// An icon drawn in its size's units, once for every pixel ratio a screen may have, so that it is
// as sharp on a high-density screen as on a standard one.
template <typename Draw>
QIcon Drawn(int size, Draw draw) {
    QIcon icon;
    for (qreal ratio : {1.0, 2.0, 3.0}) {
        QPixmap pixmap(QSize(size, size) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// A check box of 16 by 16: a framed white square, ticked or empty.
QIcon Box(bool ticked) {
    return Drawn(16, [ticked](QPainter& p) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawRect(2, 2, 11, 11);
        if (ticked) {
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(Qt::black, 2));
            p.drawLine(QPointF(4.5, 8), QPointF(7, 10.5));
            p.drawLine(QPointF(7, 10.5), QPointF(11.5, 4.5));
        }
    });
}

// A page with a folded corner and lines of text: the programs' own icon.
QIcon Note() {
    return Drawn(32, [](QPainter& p) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(255, 255, 200));
        QPolygon page;
        page << QPoint(6, 2) << QPoint(20, 2) << QPoint(26, 8) << QPoint(26, 29) << QPoint(6, 29);
        p.drawPolygon(page);
        p.drawPolyline(QPolygon() << QPoint(20, 2) << QPoint(20, 8) << QPoint(26, 8));
        p.setPen(QPen(QColor(0, 0, 160), 1));
        for (int y = 12; y <= 25; y += 4)
            p.drawLine(9, y, 23, y);
    });
}

// Three dots, for buttons that open a dialog.
QIcon Ellipsis() {
    return Drawn(16, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        for (int x = 2; x <= 12; x += 5)
            p.drawRect(x, 11, 2, 2);
    });
}

// The glyphs of the report preview's buttons, drawn on 16 by 16.
QIcon Glyph(const std::string& name) {
    static const char* const kGlyphs[] = {
        "~first.ico",  "~previous.ico", "~next.ico", "~last.ico",   "~print.ico", "~exit.ico",
        "~delete.ico", "~jump.ico",     "~mark.ico", "~unmark.ico", "~zoom.ico",  "~display.ico"};
    if (std::find(std::begin(kGlyphs), std::end(kGlyphs), name) == std::end(kGlyphs))
        return QIcon();
    return Drawn(16, [&name](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 1.5));
        auto triangle = [&](bool right, int x) {
            QPolygonF t;
            if (right)
                t << QPointF(x, 3) << QPointF(x + 6, 8) << QPointF(x, 13);
            else
                t << QPointF(x + 6, 3) << QPointF(x, 8) << QPointF(x + 6, 13);
            p.setBrush(Qt::black);
            p.drawPolygon(t);
        };
        auto page = [&] {
            p.setBrush(Qt::white);
            p.drawRect(QRectF(3.5, 1.5, 9, 13));
        };
        if (name == "~first.ico") {
            p.drawLine(QPointF(3, 3), QPointF(3, 13));
            triangle(false, 5);
        } else if (name == "~previous.ico") {
            triangle(false, 5);
        } else if (name == "~next.ico") {
            triangle(true, 5);
        } else if (name == "~last.ico") {
            triangle(true, 5);
            p.drawLine(QPointF(13, 3), QPointF(13, 13));
        } else if (name == "~print.ico") {
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 1.5, 7, 5));
            p.setBrush(Qt::lightGray);
            p.drawRect(QRectF(1.5, 6.5, 13, 6));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 10.5, 7, 4));
        } else if (name == "~exit.ico" || name == "~delete.ico") {
            if (name == "~delete.ico")
                page();
            p.setPen(QPen(name == "~exit.ico" ? Qt::black : Qt::red, 2));
            p.drawLine(QPointF(4, 4), QPointF(12, 12));
            p.drawLine(QPointF(12, 4), QPointF(4, 12));
        } else if (name == "~jump.ico") {
            page();
            p.drawLine(QPointF(5, 8), QPointF(11, 8));
            triangle(true, 8);
        } else if (name == "~mark.ico" || name == "~unmark.ico") {
            page();
            if (name == "~mark.ico") {
                p.setPen(QPen(Qt::darkGreen, 2));
                p.drawLine(QPointF(5, 8), QPointF(7.5, 11));
                p.drawLine(QPointF(7.5, 11), QPointF(11, 4.5));
            }
        } else if (name == "~zoom.ico") {
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
            p.setPen(QPen(Qt::black, 2.5, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(10, 10), QPointF(14, 14));
        } else if (name == "~display.ico") {
            p.setBrush(Qt::white);
            for (int x : {2, 9})
                for (int y : {2, 9})
                    p.drawRect(QRectF(x + 0.5, y + 0.5, 5, 5));
        }
    });
}

} // namespace

QIcon PlatformIcon(const std::string& name) {
    std::string n = Lower(Clip(name));
    if (n == "~boxon.ico")
        return Box(true);
    if (n == "~boxoff.ico")
        return Box(false);
    if (n == "note.ico")
        return Note();
    if (n == "~ellipsis.ico" || n == "ellipsis.ico")
        return Ellipsis();
    if (QIcon glyph = Glyph(n); !glyph.isNull())
        return glyph;
    if (!n.empty() && QFileInfo(ToQt(Clip(name))).isFile())
        return QIcon(ToQt(Clip(name)));
    return QIcon();
}

} // namespace platform
