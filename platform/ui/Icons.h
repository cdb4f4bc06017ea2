// Icons and mouse cursors of the platform's own drawing. The programs name them as they always
// have ("~BoxOn.ico", "~drag.cur"); a name the platform does not draw is looked for as an image
// file, and a name it cannot find gives no icon.
#pragma once

#include <QCursor>
#include <QIcon>

#include <string>

namespace platform {

QIcon PlatformIcon(const std::string& name);

} // namespace platform
