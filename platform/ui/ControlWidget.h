// The widget side of a control, one class for each kind: it builds the kind's Qt widget and moves
// the control's text, value, selection and list between the control and that widget. Control
// keeps what every kind shares (position, visibility, binding, font, alerts) and asks its widget
// side for the rest; the table of kinds (ControlKinds.cpp) says which class each kind takes.
// ListBox and ImageBox are two of them, with public interfaces of their own. The platform's own.
#pragma once

#include "platform/ui/Control.h"

#include <string>

class QWidget;

namespace platform {

class ControlWidget {
public:
    explicit ControlWidget(Control& control) : control_(control) {}
    virtual ~ControlWidget();
    ControlWidget(const ControlWidget&) = delete;
    ControlWidget& operator=(const ControlWidget&) = delete;

    // Makes the kind's widget in the window's client area (which owns it).
    virtual QWidget* Build(QWidget* client) = 0;

    // The text the widget holds; the control's caption for kinds that hold none.
    virtual std::string Text() const;
    // Shows a new text: a caption, an entry's contents, an image's file.
    virtual void ShowText(const std::string& text);
    // The control's value as text, and setting it; by default its text.
    virtual std::string Value() const;
    virtual void SetValue(const std::string& value);
    // Shows the value of the bound variable, and the value that goes back into it.
    virtual void ShowBound(const std::string& value);
    virtual std::string TakeBound() const;
    // A redisplay of a control without a variable.
    virtual void Redisplay() {}

    // The chosen item, from 1 (0 none), of lists, sheets and option groups.
    virtual int Selected() const { return 0; }
    virtual void Select(int) {}
    // Shows the control's list source again.
    virtual void Reload() {}
    // The height of the rows of the list it shows, in pixels.
    virtual void SetRowHeight(int) {}
    virtual void SetDropCount(int) {}

    // The caret position from 1; 0 for kinds without one.
    virtual void SetSelStart(int) {}
    virtual int SelStart() const { return 0; }
    virtual void SetRange(double, double) {}
    virtual void ShowIcon(const std::string&) {}
    virtual void SetTabHidden(int, bool) {}

    // Whether the controls it is the parent of are shown.
    virtual bool ShowsChildren() const;
    // A page of another control's widget (a tab of its sheet): that control places it, and it
    // takes no font, tip or visibility of its own.
    virtual bool IsPage() const { return false; }
    // Whether the window may give it the focus when it opens.
    virtual bool TakesFirstFocus() const { return true; }
    // Whether Enter in it presses the window's default button; before the button the field is
    // completed (focused is the widget that has the focus), so that its value is taken first.
    virtual bool EnterPressesDefault() const { return false; }
    virtual void Complete(QWidget* focused);

    // Every control of the window is built; next is the control after this one in the window's
    // order (null for the last).
    virtual void WindowBuilt(Control* /*next*/) {}
    // The control's tooltip changed (the widget already shows it).
    virtual void ShowTip(const std::string&) {}
    // The window's controls were moved and sized by its resizer.
    virtual void LaidOut() {}
    // The window closes; its widgets go next.
    virtual void Closing() {}

protected:
    Window& Owner() const { return control_.window_; }
    const ControlDef& Def() const { return control_.def_; }
    const std::string& Caption() const { return control_.caption_; }
    int LinePixels() const { return control_.linePixels_; }
    // The user's change: the value goes to the variable and the event to the window, unless the
    // program is setting the widget.
    void Changed(int event) { control_.Changed(event); }
    bool Updating() const { return control_.updating_; }
    bool Dirty() const { return control_.dirty_; }
    void SetDirty(bool dirty) { control_.dirty_ = dirty; }
    // A mouse code (or key) the control alerts raises EVENT:AlertKey for it instead of its
    // default action; false when it is not alerted.
    bool Alert(int keyCode);
    // Input the control rejected, with its reason (REJECT_...).
    void Reject(int code, const std::string& text) {
        control_.rejectCode_ = code;
        control_.rejected_ = text;
    }

    // While it lives, the program sets a control's widget: the widget's signals raise no events.
    class Quiet {
    public:
        explicit Quiet(Control& control) : control_(control), was_(control.updating_) {
            control.updating_ = true;
        }
        ~Quiet() { control_.updating_ = was_; }
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;

    private:
        Control& control_;
        bool was_;
    };

    Control& control_;
};

} // namespace platform
