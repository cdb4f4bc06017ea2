#include "platform/ui/Qt.h"

#include "platform/text/CodePage.h"
#include "platform/ui/Keys.h"

#include <QKeyEvent>

#include <utility>

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

namespace {

// The keys that have a code of their own besides letters, digits and function keys. Where two Qt
// keys give one code, the first is the one the code stands for.
const std::pair<Qt::Key, int> kKeys[] = {
    {Qt::Key_Backspace, KEY_Backspace}, {Qt::Key_Tab, KEY_Tab},       {Qt::Key_Return, KEY_Enter},
    {Qt::Key_Enter, KEY_Enter},         {Qt::Key_Escape, KEY_Esc},    {Qt::Key_Space, KEY_Space},
    {Qt::Key_PageUp, KEY_PgUp},         {Qt::Key_PageDown, KEY_PgDn}, {Qt::Key_End, KEY_End},
    {Qt::Key_Home, KEY_Home},           {Qt::Key_Left, KEY_Left},     {Qt::Key_Up, KEY_Up},
    {Qt::Key_Right, KEY_Right},         {Qt::Key_Down, KEY_Down},     {Qt::Key_Insert, KEY_Insert},
    {Qt::Key_Delete, KEY_Delete},       {Qt::Key_Menu, KEY_Apps},
};

// Runs of keys whose codes follow each other: letters, digits, function keys.
struct KeyRun {
    int first; // the Qt key
    int code;
    int count;
};
const KeyRun kRuns[] = {
    {Qt::Key_A, KEY_A, 26},
    {Qt::Key_0, KEY_0, 10},
    {Qt::Key_F1, KEY_F1, 24},
};

} // namespace

int KeyCodeOf(const QKeyEvent& event) {
    int key = event.key();
    // Shift+Tab comes as a key of its own.
    int code = key == Qt::Key_Backtab ? KEY_Tab : 0;
    for (const KeyRun& run : kRuns)
        if (key >= run.first && key < run.first + run.count)
            code = run.code + (key - run.first);
    for (auto [qt, ours] : kKeys)
        if (code == 0 && key == qt)
            code = ours;
    if (code == 0)
        return 0;
    Qt::KeyboardModifiers m = event.modifiers();
    if (m & Qt::ShiftModifier || key == Qt::Key_Backtab)
        code += KEY_Shift;
    if (m & Qt::ControlModifier)
        code += KEY_Ctrl;
    if (m & Qt::AltModifier)
        code += KEY_Alt;
    return code;
}

Qt::Key QtKeyOf(int keyCode) {
    int code = keyCode & 0xFF;
    if (code == KEY_Tab && (keyCode & KEY_Shift))
        return Qt::Key_Backtab;
    for (const KeyRun& run : kRuns)
        if (code >= run.code && code < run.code + run.count)
            return static_cast<Qt::Key>(run.first + (code - run.code));
    for (auto [qt, ours] : kKeys)
        if (code == ours)
            return qt;
    return Qt::Key_unknown;
}

Qt::KeyboardModifiers QtModifiersOf(int keyCode) {
    Qt::KeyboardModifiers m;
    if (keyCode & KEY_Shift)
        m |= Qt::ShiftModifier;
    if (keyCode & KEY_Ctrl)
        m |= Qt::ControlModifier;
    if (keyCode & KEY_Alt)
        m |= Qt::AltModifier;
    return m;
}

QFont StandInFont(const std::string& face, int points) {
    QFont font(QStringLiteral("Liberation Sans"));
    (void)face; // every face of the old programs is a sans serif
    font.setPointSize(points > 0 ? points : 8);
    return font;
}

} // namespace platform
