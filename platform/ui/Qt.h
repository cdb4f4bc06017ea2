// The platform's own helpers at the Qt boundary: texts, key codes and fonts.
#pragma once

#include <QFont>
#include <QString>

#include <string>

class QKeyEvent;

namespace platform {

// Byte text (Windows-1252) to Qt and back; characters the code page cannot hold come back as
// "?" (callers that take user input refuse them before it comes to that).
QString ToQt(const std::string& bytes);
std::string FromQt(const QString& text);
bool QtTextFits(const QString& text);

// The program's key code of a key press (0 when the key has none), and the Qt key and modifiers
// a key code stands for (Qt::Key_unknown for a code of no key).
int KeyCodeOf(const QKeyEvent& event);
Qt::Key QtKeyOf(int keyCode);
Qt::KeyboardModifiers QtModifiersOf(int keyCode);

// The font that stands in for a face of the old programs ("MS Sans Serif", "Arial" and the
// like become Liberation Sans), at a size in points.
QFont StandInFont(const std::string& face, int points);

} // namespace platform
