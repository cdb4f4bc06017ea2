// Icons of the platform's own drawing, by name, case ignored: "NOTE.ICO" (the programs' icon),
// "~BoxOn.ico" and "~BoxOff.ico" (a ticked and an empty box), "~Ellipsis.ico", and the report
// preview's "~Print.ico", "~Exit.ico", "~First.ico", "~Previous.ico", "~Next.ico", "~Last.ico",
// "~Jump.ico", "~Mark.ico", "~Unmark.ico", "~Delete.ico", "~Zoom.ico" and "~Display.ico". Any other
// name is looked for as an image file; a name that is neither gives no icon.
#pragma once

#include <QIcon>

#include <string>

namespace platform {

QIcon PlatformIcon(const std::string& name);

} // namespace platform
