#include "platform/ui/Qt.h"

#include "platform/text/CodePage.h"
#include "platform/ui/Keys.h"

#include <QKeyEvent>

namespace platform {

QString ToQt(const std::string& bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (char c : bytes)
        out.append(QChar(static_cast<char16_t>(CodePointOf(static_cast<unsigned char>(c)))));
    return out;
}

std::string FromQt(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (char32_t cp : text.toUcs4()) {
        auto b = ByteOf(cp);
        out += b ? static_cast<char>(*b) : '?';
    }
    return out;
}

bool QtTextFits(const QString& text) {
    for (char32_t cp : text.toUcs4())
        if (!CanHold(cp))
            return false;
    return true;
}

int KeyCodeOf(const QKeyEvent& event) {
    int key = event.key();
    int code = 0;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        code = KEY_A + (key - Qt::Key_A);
    else if (key >= Qt::Key_0 && key <= Qt::Key_9)
        code = KEY_0 + (key - Qt::Key_0);
    else if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        code = KEY_F1 + (key - Qt::Key_F1);
    else {
        switch (key) {
        case Qt::Key_Backspace:
            code = KEY_Backspace;
            break;
        case Qt::Key_Tab:
            code = KEY_Tab;
            break;
        case Qt::Key_Backtab:
            code = KEY_Tab;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            code = KEY_Enter;
            break;
        case Qt::Key_Escape:
            code = KEY_Esc;
            break;
        case Qt::Key_Space:
            code = KEY_Space;
            break;
        case Qt::Key_PageUp:
            code = KEY_PgUp;
            break;
        case Qt::Key_PageDown:
            code = KEY_PgDn;
            break;
        case Qt::Key_End:
            code = KEY_End;
            break;
        case Qt::Key_Home:
            code = KEY_Home;
            break;
        case Qt::Key_Left:
            code = KEY_Left;
            break;
        case Qt::Key_Up:
            code = KEY_Up;
            break;
        case Qt::Key_Right:
            code = KEY_Right;
            break;
        case Qt::Key_Down:
            code = KEY_Down;
            break;
        case Qt::Key_Insert:
            code = KEY_Insert;
            break;
        case Qt::Key_Delete:
            code = KEY_Delete;
            break;
        default:
            return 0;
        }
    }
    Qt::KeyboardModifiers m = event.modifiers();
    if (m & Qt::ShiftModifier || key == Qt::Key_Backtab)
        code += KEY_Shift;
    if (m & Qt::ControlModifier)
        code += KEY_Ctrl;
    if (m & Qt::AltModifier)
        code += KEY_Alt;
    return code;
}

QFont StandInFont(const std::string& face, int points) {
    QFont font(QStringLiteral("Liberation Sans"));
    (void)face; // every face of the old programs is a sans serif
    font.setPointSize(points > 0 ? points : 8);
    return font;
}

} // namespace platform
