#include "platform/ui/MessageBox.h"

#include "platform/runtime/ErrorManager.h"
#include "platform/runtime/Runtime.h"
#include "platform/ui/Qt.h"
#include "platform/ui/Window.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace platform {

namespace {

struct OpenBox {
    MessageInfo info;
    QPointer<QMessageBox> box;
    int result = 0;
};

std::vector<std::shared_ptr<OpenBox>>& Boxes() {
    static std::vector<std::shared_ptr<OpenBox>> boxes;
    return boxes;
}

std::string& DefaultCaption() {
    static std::string caption;
    return caption;
}

const std::pair<int, QMessageBox::StandardButton> kButtons[] = {
    {BUTTON_OK, QMessageBox::Ok},        {BUTTON_YES, QMessageBox::Yes},
    {BUTTON_NO, QMessageBox::No},        {BUTTON_CANCEL, QMessageBox::Cancel},
    {BUTTON_ABORT, QMessageBox::Abort},  {BUTTON_RETRY, QMessageBox::Retry},
    {BUTTON_IGNORE, QMessageBox::Ignore}};

QMessageBox::StandardButton QtButton(int button) {
    for (auto [ours, qt] : kButtons)
        if (ours == button)
            return qt;
    return QMessageBox::NoButton;
}

int OurButton(QMessageBox::StandardButton button) {
    for (auto [ours, qt] : kButtons)
        if (qt == button)
            return ours;
    return 0;
}

// The button that Esc and the close box stand for.
int EscapeButton(int buttons) {
    for (int b : {BUTTON_CANCEL, BUTTON_NO, BUTTON_OK, BUTTON_IGNORE})
        if (buttons & b)
            return b;
    return 0;
}

void ShowErrorReport(const std::string& caption, const std::string& message) {
    // Reported errors must never block the thread that reports them (it may be ending).
    auto* box =
        new QMessageBox(QMessageBox::Critical, ToQt(caption), ToQt(message), QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

// Errors reported through the error manager show as message boxes once windows are linked in.
struct SinkInstaller {
    SinkInstaller() { SetErrorSink(ShowErrorReport); }
} g_sinkInstaller;

// Closes the box when the blocked thread is unwound before it was answered.
struct BoxGuard {
    std::shared_ptr<OpenBox> open;
    ~BoxGuard() {
        auto& boxes = Boxes();
        boxes.erase(std::remove(boxes.begin(), boxes.end(), open), boxes.end());
        if (open->box) {
            open->box->disconnect();
            open->box->hide();
            open->box->deleteLater();
        }
    }
};

} // namespace

void SetDefaultCaption(const std::string& caption) {
    DefaultCaption() = caption;
}

int Message(const std::string& text, const std::string& caption, int icon, int buttons,
            int defaultButton, int mode) {
    int thread = ThisThread();
    if (thread == 0)
        throw std::logic_error("A message box needs a program thread");
    if ((buttons & 0x7F) == 0)
        buttons = BUTTON_OK;
    auto open = std::make_shared<OpenBox>();
    open->info = MessageInfo{
        text, caption, icon, buttons, defaultButton, (mode & MSGMODE_SYSMODAL) != 0, thread};

    // Centred over the window it belongs to: the thread's, else the frame.
    QWidget* parent = Window::ShownOver(thread);
    std::string shown = text;
    std::replace(shown.begin(), shown.end(), '|', '\n');
    auto* box = new QMessageBox(parent);
    box->setTextFormat(Qt::PlainText);
    box->setText(ToQt(shown));
    box->setWindowTitle(ToQt(caption.empty() ? DefaultCaption() : caption));
    switch (icon) {
    case ICON_Hand:
        box->setIcon(QMessageBox::Critical);
        break;
    case ICON_Question:
        box->setIcon(QMessageBox::Question);
        break;
    case ICON_Exclamation:
        box->setIcon(QMessageBox::Warning);
        break;
    case ICON_Asterisk:
        box->setIcon(QMessageBox::Information);
        break;
    default:
        box->setIcon(QMessageBox::NoIcon);
        break;
    }
    for (auto [ours, qt] : kButtons)
        if (buttons & ours)
            box->addButton(qt);
    int def = (buttons & defaultButton) ? defaultButton : 0;
    if (!def)
        for (auto [ours, qt] : kButtons)
            if (buttons & ours) {
                def = ours;
                break;
            }
    box->setDefaultButton(QtButton(def));
    if (int esc = EscapeButton(buttons))
        box->setEscapeButton(QtButton(esc));
    if (open->info.systemModal) {
        // The modality first: setting it makes the box take its dialog flags anew.
        box->setWindowModality(Qt::ApplicationModal);
        box->setWindowFlag(Qt::WindowStaysOnTopHint);
    } else {
        box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    }
    open->box = box;
    std::weak_ptr<OpenBox> weak = open;
    QObject::connect(box, &QMessageBox::finished, box, [weak, box, buttons, parent](int) {
        auto o = weak.lock();
        if (!o)
            return;
        Window::Answered(box, parent);
        int pressed = OurButton(box->standardButton(box->clickedButton()));
        o->result = pressed ? pressed : EscapeButton(buttons);
        Wake(o->info.thread);
    });
    Boxes().push_back(open);
    BoxGuard guard{open};
    // open() would make a system-modal box modal to its owner alone.
    if (open->info.systemModal)
        box->show();
    else
        box->open();
    WaitUntil([&] { return open->result != 0; });
    return open->result;
}

std::vector<MessageInfo> OpenMessages() {
    std::vector<MessageInfo> out;
    for (auto& b : Boxes())
        if (b->result == 0)
            out.push_back(b->info);
    return out;
}

QWidget* MessageButton(int button) {
    for (auto& b : Boxes()) {
        if (b->result != 0 || !b->box)
            continue;
        if (!(b->info.buttons & button))
            return nullptr;
        return b->box->button(QtButton(button));
    }
    return nullptr;
}

} // namespace platform
