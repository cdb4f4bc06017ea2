// The driver tests use to act as a user: run the program's threads until each of them waits,
// find windows and controls, press, type, choose, send keys and mouse clicks through Qt's input
// path, and answer message boxes after checking what they say.
#pragma once

#include "platform/ui/Dialogs.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Window.h"
#include "platform/win32/Win32.h"

#include <QPoint>
#include <QString>
#include <QStyle>

class QScrollBar;

#include <vector>

#include <string>

namespace platform::testing {

// The centre of a part of a scroll bar (arrow, groove, thumb), in the pixels of `client`.
QPoint ScrollBarPartAt(QScrollBar* bar, QWidget* client, QStyle::SubControl part);

// Runs Qt's pending events and the scheduler until nothing is left to do.
void Settle();

// The open window with this caption (the newest when several), or null.
Window* FindWindow(const std::string& caption);

// Clicks a control with the mouse, as a user does (a button, a check box, a radio).
void Click(Window& window, int control);
// Clicks a control and presses a key (a key code of Keys.h) right after it, as a quick user
// does: the window system hands both to the program together, with no turn of its event loop
// between them. The key goes to whatever has the focus then.
void ClickThenKey(Window& window, int control, int keyCode);
// Double-clicks a control with the mouse: two presses in quick succession, the second of which
// the system reports as a double click.
void DoubleClick(Window& window, int control);
// Gives a control the focus and types text into it, replacing what it held; with leave, the
// focus then moves on (Tab), which completes the field.
void Type(Window& window, int control, const std::string& text, bool leave = true);
// The same with text as Qt holds it, for characters the program's code page may not hold.
void TypeQt(Window& window, int control, const QString& text, bool leave = true);
// Sends a key (a key code of Keys.h, with its Shift, Ctrl and Alt parts) as the system does, to
// whatever has the focus; a control other than 0 names the one that is to have it (the test fails
// when it has not). Without a focus the key goes to the active window itself.
void Key(Window& window, int control, int keyCode);
// Moves the focus to a control as a user does from the keyboard: Tab until it gets there (the
// test fails when it never does).
void Focus(Window& window, int control);
// Pastes text into the focused control as a user does (a control other than 0 names the one that
// is to have the focus, as for Key): it is put on the clipboard, as another program puts it there
// when the user copies, and Ctrl+V is pressed.
void Paste(Window& window, int control, const std::string& text);
// Presses Alt and a letter at the focused control, as a user reaches a control by its access key.
// A button reached so shows itself pressed for a moment before it is clicked; that moment is
// waited out, so that the click has happened when this returns.
void AccessKey(Window& window, char letter);
// Mouse input at a point of a window's client area (pixels), through Qt's input path: a press
// or release of the left (or right) button, a move (with the buttons still held), and a wheel
// turn (120 a notch, above 0 away from the user).
void MouseDown(Window& window, int x, int y, bool right = false);
void MouseUp(Window& window, int x, int y, bool right = false);
void MouseMove(Window& window, int x, int y);
void Wheel(Window& window, int x, int y, int delta);
// A quick drag with the left button from one point of a window's client area to another: the
// press, the moves on the way and the release reach Qt at once, as from a fast hand, before
// anything has had a chance to run.
void Drag(Window& window, QPoint from, QPoint to);
// The window that holds the mouse capture of the window's thread (null when none).
win32::HWND Capture(Window& window);
// A pixel of the window's drawing surface as 0x00BBGGRR (CLR_INVALID when nothing has drawn).
win32::COLORREF Pixel(Window& window, int x, int y);
// Chooses the tab at a position (from 1) of a sheet, or an item of a drop list or drop combo, as
// a user does (a drop-down list is opened with its arrow and the item clicked).
void Choose(Window& window, int control, int item);
// The items a drop list or drop combo offers, and the height in pixels its drop-down list gives
// an item (0 when it sets none).
std::vector<std::string> Items(Window& window, int control);
int ItemHeight(Window& window, int control, int item);
// The captions of the tabs a sheet shows, in their order (hidden tabs left out).
std::vector<std::string> TabCaptions(Window& window, int control);
// Clicks the window's close box.
void CloseBox(Window& window);
// Gives a window's client area a new size in pixels, as the window manager does when the user
// drags the window's border.
void Resize(Window& window, int width, int height);

// Expects exactly one open message box saying `text` with this caption, icon and buttons (and
// the default button when not 0), and clicks `button`. Reports a test failure otherwise.
void Answer(const std::string& text, const std::string& caption, int icon, int buttons, int button,
            int defaultButton = 0);
// Fails the test when a message box is open that nobody expected.
void ExpectNoMessage();

// Clicks (or double-clicks) a cell of a list box, row and column from 1, as a user does; a row
// after the last clicks the empty area below the rows.
void ClickList(Window& window, int control, int row, int column = 1);
void DoubleClickList(Window& window, int control, int row, int column = 1);
// Double-clicks the icon a cell shows in front of its text.
void DoubleClickListIcon(Window& window, int control, int row, int column = 1);

// Expects an open popup menu offering exactly these items (separators left out, check marks
// as "+" or "-" in front as the program wrote them) and chooses item n, or none for 0.
void PickPopup(const std::vector<std::string>& items, int item);

// Chooses an item of the open frame's menu by its number, as a user does; fails the test when
// there is no frame, or the item is hidden, disabled or a menu.
void ChooseMenu(int number);

// Expects exactly one open common dialog of this kind (DIALOG_File, ...) with this title and
// answers it: with a choice it is accepted with that file or folder, without it is cancelled.
void AnswerDialog(int kind, const std::string& title, const std::string& choice);
// Expects exactly one open common dialog of this kind and title and presses its OK as it stands,
// taking what it shows, as a user who changes nothing does.
void AcceptDialog(int kind, const std::string& title);

} // namespace platform::testing
