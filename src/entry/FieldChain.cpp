#include "entry/FieldChain.h"

#include "platform/Colors.h"
#include "platform/FieldKeys.h"

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

namespace zep {

void FieldChain::setQuickValidation(std::function<bool()> allowed, std::function<void()> validate) {
    quickAllowed_ = std::move(allowed);
    validate_ = std::move(validate);
}

void FieldChain::bind(QWidget *field, Step step) {
    FieldKeys::onKey(field, [this, field, step = std::move(step)](FieldKey key) {
        if (key == FieldKey::Enter)
            return handleKey(field, step, false);
        if (step.quickKeys == QuickKeys::None)
            return false;
        if (key == FieldKey::KeypadPlus && step.quickKeys != QuickKeys::FunctionKeysAndKeypadPlus)
            return false; // an ordinary "+" typed in the field
        return handleKey(field, step, true);
    });
}

bool FieldChain::handleKey(QWidget *field, const Step &step, bool quickKey) {
    if (quickKey && !(quickAllowed_ && quickAllowed_()))
        return true; // deferred entry: the quick keys do nothing, and no "+" lands in a report
    const FieldVerdict verdict =
        step.check ? step.check(quickKey ? rules::Trigger::QuickKey : rules::Trigger::Enter)
                   : FieldVerdict::accept();
    if (!verdict.ok) {
        refuse(field, verdict);
        return true;
    }
    if (quickKey) {
        if (validate_)
            validate_();
        return true;
    }
    if (step.accepted && !step.accepted())
        return true;
    state_.retypeCleared = false;
    QWidget *next = step.next ? step.next() : nullptr;
    if (next)
        advance(field, next);
    return true;
}

void FieldChain::refuse(QWidget *field, const FieldVerdict &verdict) {
    dialogs_.message(verdict.message);
    if (verdict.clear) {
        if (auto *edit = qobject_cast<QLineEdit *>(field))
            edit->clear();
        else if (auto *combo = qobject_cast<QComboBox *>(field))
            combo->setEditText(QString());
    }
    field->setFocus();
}

void FieldChain::expect(QWidget *field) {
    field->setEnabled(true);
    setBackground(field, colors::lightGreen());
    field->setFocus();
}

void FieldChain::leave(QWidget *field) {
    setBackground(field, colors::lightYellow());
}

void FieldChain::advance(QWidget *from, QWidget *to) {
    leave(from);
    if (qobject_cast<QLineEdit *>(to) || qobject_cast<QComboBox *>(to)) {
        expect(to);
    } else {
        // The "Validez" button: reached, not coloured.
        to->setEnabled(true);
        to->setFocus();
    }
}

} // namespace zep
