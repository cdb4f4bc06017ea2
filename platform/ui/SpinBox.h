// The platform's own spin box: a value typed outside the range is not refused key by key; when
// the user completes the field it is rejected, with its reason, and the box shows the value it
// had before again.
#pragma once

#include <QDoubleSpinBox>

#include <functional>
#include <string>

namespace platform {

class RangeSpinBox : public QDoubleSpinBox {
public:
    explicit RangeSpinBox(QWidget* parent);

    // Called with the reason (REJECT_...) and the typed text when a completed value is outside
    // the range.
    std::function<void(int reason, const std::string& text)> rejected;

    QValidator::State validate(QString& input, int& pos) const override;

    // Completes the field as leaving it does: a value outside the range is rejected, any other
    // is taken.
    void Complete();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Check();
};

} // namespace platform
