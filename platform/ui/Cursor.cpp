#include "platform/ui/Cursor.h"

#include "platform/text/Text.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QCursor>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <algorithm>

namespace platform {

namespace {

const char* kCursorProperty = "platformCursor";

// A 32 by 32 picture for a cursor in the screen's own pixels, drawn in its units.
QPixmap CursorPicture() {
    const qreal ratio = std::max<qreal>(1, qApp->devicePixelRatio());
    QPixmap pixmap(QSize(32, 32) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// An arrow with a small framed page under it: a row on the move.
QCursor DragCursor() {
    QPixmap pixmap = CursorPicture();
    QPainter p(&pixmap);
    QPolygon arrow;
    arrow << QPoint(0, 0) << QPoint(0, 15) << QPoint(4, 11) << QPoint(7, 17) << QPoint(9, 16)
          << QPoint(6, 10) << QPoint(11, 10);
    p.setPen(Qt::white);
    p.setBrush(Qt::black);
    p.drawPolygon(arrow);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(10, 18, 14, 9);
    p.drawLine(12, 21, 22, 21);
    p.drawLine(12, 24, 22, 24);
    p.end();
    return QCursor(pixmap, 0, 0);
}

// A magnifying glass with a plus sign; the hot spot is the centre of the glass.
QCursor ZoomInCursor() {
    QPixmap pixmap = CursorPicture();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QPointF(11, 11), 8, 8);
    p.drawLine(QPointF(11, 7), QPointF(11, 15));
    p.drawLine(QPointF(7, 11), QPointF(15, 11));
    p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(17, 17), QPointF(27, 27));
    p.end();
    return QCursor(pixmap, 11, 11);
}

QCursor CursorNamed(const std::string& name) {
    std::string n = Lower(Clip(name));
    if (n == Lower(CURSOR_Wait))
        return QCursor(Qt::WaitCursor);
    if (n == Lower(CURSOR_Drag))
        return DragCursor();
    if (n == Lower(CURSOR_ZoomIn))
        return ZoomInCursor();
    return QCursor(Qt::ArrowCursor);
}

std::string& Current() {
    static std::string current;
    return current;
}

} // namespace

void SetCursor(const std::string& name) {
    bool had = !Current().empty();
    Current() = Clip(name);
    if (Current().empty()) {
        if (had)
            QApplication::restoreOverrideCursor();
        return;
    }
    if (had)
        QApplication::changeOverrideCursor(CursorNamed(Current()));
    else
        QApplication::setOverrideCursor(CursorNamed(Current()));
}

std::string CurrentCursor() {
    return Current();
}

void SetControlCursor(Control& control, const std::string& name) {
    QWidget* w = control.Widget();
    if (!w)
        return;
    std::string n = Clip(name);
    w->setProperty(kCursorProperty, QString::fromStdString(n));
    if (n.empty())
        w->unsetCursor();
    else
        w->setCursor(CursorNamed(n));
}

std::string ControlCursor(const Control& control) {
    QWidget* w = control.Widget();
    return w ? w->property(kCursorProperty).toString().toStdString() : std::string();
}

} // namespace platform
