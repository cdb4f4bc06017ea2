#include "platform/ui/StatusBar.h"

#include "platform/runtime/Runtime.h"
#include "platform/ui/Input.h"
#include "platform/ui/Qt.h"
#include "platform/ui/Window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QStatusTipEvent>
#include <QVBoxLayout>

#include <vector>

namespace platform {

namespace {

// The window around a client area with a status bar: its close box is the window's event.
class StatusHost : public QWidget {
public:
    StatusHost(Window& window, QWidget* parent, Qt::WindowFlags flags)
        : QWidget(parent, flags), window_(window) {}
    std::vector<QLabel*> zones;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::StatusTip) {
            if (!zones.empty())
                zones.front()->setText(static_cast<QStatusTipEvent*>(event)->tip());
            return true;
        }
        return QWidget::event(event);
    }
    void closeEvent(QCloseEvent* event) override { input::CloseBoxPressed(window_, event); }

private:
    Window& window_;
};

StatusHost* HostOf(Window& window) {
    QWidget* client = window.ClientWidget();
    return client ? dynamic_cast<StatusHost*>(client->parentWidget()) : nullptr;
}

} // namespace

QWidget* AddStatusBar(Window& window, QWidget* client) {
    auto* host = new StatusHost(window, client->parentWidget(), client->windowFlags());
    host->setWindowModality(client->windowModality());
    host->setWindowTitle(client->windowTitle());
    host->setWindowIcon(client->windowIcon());
    host->setFont(client->font());
    QSize size = client->size();
    client->setParent(host);
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(client, 1);
    auto* bar = new QWidget(host);
    auto* zones = new QHBoxLayout(bar);
    zones->setContentsMargins(2, 1, 2, 1);
    zones->setSpacing(2);
    for (int width : window.Definition().statusZones) {
        auto* zone = new QLabel(bar);
        zone->setFrameShape(QFrame::Panel);
        zone->setFrameShadow(QFrame::Sunken);
        zone->setTextFormat(Qt::PlainText);
        if (width >= 0)
            zone->setFixedWidth(window.ToPixelsX(width));
        zones->addWidget(zone, width < 0 ? 1 : 0);
        host->zones.push_back(zone);
    }
    layout->addWidget(bar, 0);
    host->resize(size.width(), size.height() + bar->sizeHint().height());
    return host;
}

void SetStatusText(Window& window, int zone, const std::string& text) {
    StatusHost* host = HostOf(window);
    if (!host || zone < 1 || zone > static_cast<int>(host->zones.size()))
        return;
    host->zones[static_cast<std::size_t>(zone - 1)]->setText(ToQt(text));
}

std::string StatusText(Window& window, int zone) {
    StatusHost* host = HostOf(window);
    if (!host || zone < 1 || zone > static_cast<int>(host->zones.size()))
        return std::string();
    return FromQt(host->zones[static_cast<std::size_t>(zone - 1)]->text());
}

void SetStatusMessage(Control& control, const std::string& message) {
    if (QWidget* w = control.Widget())
        w->setStatusTip(ToQt(message));
}

std::string StatusMessage(Control& control) {
    QWidget* w = control.Widget();
    return w ? FromQt(w->statusTip()) : std::string();
}

int StatusZones(Window& window) {
    StatusHost* host = HostOf(window);
    return host ? static_cast<int>(host->zones.size()) : 0;
}

} // namespace platform
