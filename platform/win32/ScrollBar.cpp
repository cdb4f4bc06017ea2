// The scroll-bar child window: it moves only when the program sets its position, and turns
// every request of the user into WM_VSCROLL for its parent.
#include "platform/win32/Internal.h"

#include "platform/text/Text.h"

#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace platform::win32 {

using namespace detail;

namespace {

// The scroll bar of the old platform: it moves only when the program sets its position, and
// turns every request of the user into WM_VSCROLL for its parent.
class ScrollBar : public QScrollBar {
public:
    ScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {
        setFocusPolicy(Qt::NoFocus);
        setContextMenuPolicy(Qt::NoContextMenu); // its menu would run an event loop of its own
        setSingleStep(1);
        setPageStep(1);
        connect(this, &QAbstractSlider::actionTriggered, this,
                [this](int action) { OnAction(action); });
        connect(this, &QAbstractSlider::sliderReleased, this, [this] {
            if (WindowRecord* r = FindId(id)) {
                int track = r->track;
                r->tracking = false;
                Request(SB_THUMBPOSITION, track);
            }
        });
    }

    Id id = 0;
    bool syncing = false;

    // Shows the position the program set.
    void Sync() {
        WindowRecord* r = FindId(id);
        if (!r)
            return;
        syncing = true;
        setRange(r->minimum, std::max(r->minimum, r->maximum));
        if (!r->tracking)
            setValue(r->position);
        syncing = false;
    }

protected:
    void mouseReleaseEvent(QMouseEvent* e) override {
        QScrollBar::mouseReleaseEvent(e);
        if (WindowRecord* r = FindId(id))
            r->tracking = false;
        if (acted_) {
            acted_ = false;
            Request(SB_ENDSCROLL, 0);
        }
        Sync();
    }

    // The wheel over the bar is its parent's.
    void wheelEvent(QWheelEvent* e) override {
        e->accept();
        WindowRecord* r = FindId(id);
        if (!r || !parentWidget() || e->angleDelta().y() == 0)
            return;
        WindowRecord* parent = Ensure(parentWidget(), r->window, nullptr, false);
        if (!parent)
            return;
        auto delta = static_cast<std::uint16_t>(static_cast<std::int16_t>(e->angleDelta().y()));
        Send(parent->id, WM_MOUSEWHEEL,
             (static_cast<WPARAM>(delta) << 16) | MouseKeys(e->buttons(), e->modifiers()),
             PackPoint(parentWidget()->mapFromGlobal(e->globalPosition().toPoint())));
    }

private:
    void OnAction(int action) {
        if (syncing)
            return;
        WindowRecord* r = FindId(id);
        if (!r)
            return;
        int code = -1;
        switch (action) {
        case SliderSingleStepAdd:
            code = SB_LINEDOWN;
            break;
        case SliderSingleStepSub:
            code = SB_LINEUP;
            break;
        case SliderPageStepAdd:
            code = SB_PAGEDOWN;
            break;
        case SliderPageStepSub:
            code = SB_PAGEUP;
            break;
        case SliderToMinimum:
            code = SB_TOP;
            break;
        case SliderToMaximum:
            code = SB_BOTTOM;
            break;
        case SliderMove:
            code = SB_THUMBTRACK;
            break;
        default:
            return;
        }
        acted_ = true;
        if (code == SB_THUMBTRACK) {
            r->tracking = true;
            r->track = sliderPosition();
            Request(code, r->track);
        } else {
            // Qt has moved the thumb already; the bar keeps its position until the program
            // sets another.
            syncing = true;
            setSliderPosition(r->position);
            syncing = false;
            Request(code, 0);
        }
    }

    void Request(int code, int position) {
        WindowRecord* r = FindId(id);
        if (!r || !parentWidget())
            return;
        WindowRecord* parent = Ensure(parentWidget(), r->window, nullptr, false);
        if (!parent)
            return;
        WPARAM wParam = static_cast<WPARAM>(static_cast<std::uint16_t>(code)) |
                        (static_cast<WPARAM>(static_cast<std::uint16_t>(position)) << 16);
        Send(parent->id, WM_VSCROLL, wParam, reinterpret_cast<LPARAM>(HandleOf(id)));
    }

    bool acted_ = false;
};

} // namespace

HWND CreateWindowExA(DWORD, const char* className, const char*, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU, HINSTANCE, void*) {
    WindowRecord* p = Find(parent);
    if (!p || !p->widget || !className || !EqualNoCase(className, "SCROLLBAR"))
        return nullptr;
    auto* bar = new ScrollBar((style & SBS_VERT) ? Qt::Vertical : Qt::Horizontal, p->widget);
    bar->setGeometry(x, y, width, height);
    bar->setVisible(style & WS_VISIBLE);
    WindowRecord* r = Ensure(bar, p->window, nullptr, false);
    r->scrollBar = true;
    bar->id = r->id;
    bar->Sync();
    return HandleOf(r->id);
}

int SetScrollInfo(HWND window, int bar, const SCROLLINFO* info, BOOL) {
    WindowRecord* r = Find(window);
    if (!r || !r->scrollBar || bar != SB_CTL || !info)
        return 0;
    if (info->fMask & SIF_RANGE) {
        r->minimum = info->nMin;
        r->maximum = info->nMax;
    }
    if (info->fMask & SIF_PAGE)
        r->page = info->nPage;
    if (info->fMask & SIF_POS)
        r->position = info->nPos;
    int highest = r->maximum - std::max(static_cast<int>(r->page) - 1, 0);
    r->position = std::max(r->minimum, std::min(r->position, std::max(r->minimum, highest)));
    if (auto* scrollBar = dynamic_cast<ScrollBar*>(r->widget.data()))
        scrollBar->Sync();
    return r->position;
}

BOOL GetScrollInfo(HWND window, int bar, SCROLLINFO* info) {
    WindowRecord* r = Find(window);
    if (!r || !r->scrollBar || bar != SB_CTL || !info)
        return FALSE;
    if (info->fMask & SIF_RANGE) {
        info->nMin = r->minimum;
        info->nMax = r->maximum;
    }
    if (info->fMask & SIF_PAGE)
        info->nPage = r->page;
    if (info->fMask & SIF_POS)
        info->nPos = r->position;
    if (info->fMask & SIF_TRACKPOS)
        info->nTrackPos = r->tracking ? r->track : r->position;
    return TRUE;
}

} // namespace platform::win32
