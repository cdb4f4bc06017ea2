#include "platform/ui/SpinBox.h"

#include "platform/ui/Qt.h"
#include "platform/ui/Window.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace platform {

namespace {

// The typed number without prefix, suffix and blanks; false when it is no number.
bool TypedNumber(const QDoubleSpinBox& spin, QString text, double& value) {
    if (!spin.prefix().isEmpty() && text.startsWith(spin.prefix()))
        text.remove(0, spin.prefix().size());
    if (!spin.suffix().isEmpty() && text.endsWith(spin.suffix()))
        text.chop(spin.suffix().size());
    text = text.trimmed();
    bool ok = false;
    value = spin.locale().toDouble(text, &ok);
    if (!ok)
        value = text.toDouble(&ok);
    return ok;
}

} // namespace

RangeSpinBox::RangeSpinBox(QWidget* parent) : QDoubleSpinBox(parent) {
    // Typed digits become the value when the field is completed, never half typed; the arrows
    // still change it at once.
    setKeyboardTracking(false);
}

QValidator::State RangeSpinBox::validate(QString& input, int& pos) const {
    QValidator::State state = QDoubleSpinBox::validate(input, pos);
    double value = 0;
    // Out of range is for the completed field to say, not for each key.
    if (state == QValidator::Invalid && TypedNumber(*this, input, value) &&
        (value > maximum() || value < minimum()))
        return QValidator::Intermediate;
    return state;
}

void RangeSpinBox::focusOutEvent(QFocusEvent* event) {
    Check();
    QDoubleSpinBox::focusOutEvent(event);
}

void RangeSpinBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        Check();
    QDoubleSpinBox::keyPressEvent(event);
}

void RangeSpinBox::Complete() {
    Check();
    interpretText();
    emit editingFinished();
}

void RangeSpinBox::Check() {
    double value = 0;
    QString text = lineEdit()->text();
    if (!TypedNumber(*this, text, value))
        return;
    int reason = value > maximum() ? REJECT_RangeHigh : value < minimum() ? REJECT_RangeLow : 0;
    if (reason == 0)
        return;
    // The box takes its value of before again; the window hears why the text was refused.
    setValue(this->value());
    lineEdit()->setText(textFromValue(this->value()));
    if (rejected)
        rejected(reason, FromQt(text));
}

} // namespace platform
