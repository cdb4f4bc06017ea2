// The layer list window `Layers`: the rows of the layer table file, with editors that open over
// the colour, line-type and description cells of the chosen row, and the buttons that save the
// table (flagging the change for the drawing side), save and end the program, or close.
#pragma once

#include <string>

namespace layers {

// Control numbers of the window, in its definition's order.
enum : int {
    STRING1 = 1,
    LIST,
    EDITENTRY,
    EDITCOLOR,
    EDITLINETYPE,
    CHANGE,
    SAVEBUTTON,
    SAVEANDCLOSEBUTTON,
    CANCELBUTTON,
};

// The window procedure, run by the frame on a thread of its own (the parameter is not used).
void Layers(const std::string& parameter = std::string());

} // namespace layers
