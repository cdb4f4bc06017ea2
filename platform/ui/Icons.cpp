#include "platform/ui/Icons.h"

#include "platform/text/Text.h"
#include "platform/ui/Qt.h"

#include <QFileInfo>
#include <QPainter>
#include <QPixmap>

namespace platform {

namespace {

// A check box of 16 by 16: a framed white square, ticked or empty.
QIcon Box(bool ticked) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(2, 2, 11, 11);
    if (ticked) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 2));
        p.drawLine(QPointF(4.5, 8), QPointF(7, 10.5));
        p.drawLine(QPointF(7, 10.5), QPointF(11.5, 4.5));
    }
    return QIcon(pixmap);
}

// A page with a folded corner and lines of text: the programs' own icon.
QIcon Note() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(255, 255, 200));
    QPolygon page;
    page << QPoint(6, 2) << QPoint(20, 2) << QPoint(26, 8) << QPoint(26, 29) << QPoint(6, 29);
    p.drawPolygon(page);
    p.drawPolyline(QPolygon() << QPoint(20, 2) << QPoint(20, 8) << QPoint(26, 8));
    p.setPen(QPen(QColor(0, 0, 160), 1));
    for (int y = 12; y <= 25; y += 4)
        p.drawLine(9, y, 23, y);
    return QIcon(pixmap);
}

// Three dots, for buttons that open a dialog.
QIcon Ellipsis() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    for (int x = 2; x <= 12; x += 5)
        p.drawRect(x, 11, 2, 2);
    return QIcon(pixmap);
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
    if (!n.empty() && QFileInfo(ToQt(Clip(name))).isFile())
        return QIcon(ToQt(Clip(name)));
    return QIcon();
}

} // namespace platform
