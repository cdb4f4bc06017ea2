// Popup menus: a "|"-separated list of items shown at the mouse position. An item "-" alone is
// a separator; a leading "-" makes an item one with a check mark that is off, a leading "+" one
// whose check mark is on. The call blocks the calling thread until the menu closes and returns
// the chosen item's number (from 1, separators not counted), or 0 when nothing was chosen.
#pragma once

#include <string>
#include <vector>

namespace platform {

int Popup(const std::string& items);
// The same menu opened from the keyboard: at a point of a control, in its pixels.
class Control;
int Popup(const std::string& items, Control& control, int x, int y);

// What the open popup menu offers, separators left out; the test driver reads and answers it.
struct PopupItem {
    std::string text;
    bool checkable = false;
    bool checked = false;
};
std::vector<PopupItem> OpenPopupItems();
// Chooses item n of the open popup menu, or closes it without a choice for 0; false when no
// popup menu is open or it has no such item.
bool AnswerPopup(int item);

} // namespace platform
