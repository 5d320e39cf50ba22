#include "platform/FieldKeys.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

namespace zep {

FieldKeys::FieldKeys(QWidget *field) : QObject(field) {
    field->installEventFilter(this);
    if (auto *combo = qobject_cast<QComboBox *>(field); combo && combo->lineEdit())
        combo->lineEdit()->installEventFilter(this);
}

FieldKeys *FieldKeys::of(QWidget *field) {
    if (auto *existing = field->findChild<FieldKeys *>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    return new FieldKeys(field);
}

void FieldKeys::onKey(QWidget *field, Handler handler) { of(field)->handler_ = std::move(handler); }

void FieldKeys::upperCase(QWidget *field) { of(field)->upper_ = true; }

bool FieldKeys::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    const bool keypad = key->modifiers() & Qt::KeypadModifier;

    if (handler_) {
        std::optional<FieldKey> which;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            which = FieldKey::Enter;
            break;
        case Qt::Key_Plus:
            if (keypad)
                which = FieldKey::KeypadPlus;
            break;
        case Qt::Key_F9:
            which = FieldKey::F9;
            break;
        case Qt::Key_F10:
            which = FieldKey::F10;
            break;
        case Qt::Key_F11:
            which = FieldKey::F11;
            break;
        case Qt::Key_F12:
            which = FieldKey::F12;
            break;
        default:
            break;
        }
        if (which) {
            // A key press in a combo box's line edit reaches us twice (line edit, then combo).
            if (watched != parent() && qobject_cast<QComboBox *>(parent()))
                return false;
            if (handler_(*which))
                return true;
            // Enter that the handler did not take is swallowed anyway: it has no meaning in a
            // one-line field, and must not reach a default button of the window.
            return *which == FieldKey::Enter;
        }
    }

    if (upper_ && key->text().size() == 1) {
        const QChar c = key->text().at(0);
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) {
            QLineEdit *edit = qobject_cast<QLineEdit *>(watched);
            if (!edit)
                if (auto *combo = qobject_cast<QComboBox *>(watched))
                    edit = combo->lineEdit();
            if (edit && !edit->isReadOnly()) {
                QKeyEvent upper(QEvent::KeyPress, key->key(), key->modifiers(),
                                QString(c.toUpper()), key->isAutoRepeat(), 1);
                if (watched == edit)
                    edit->removeEventFilter(this);
                QCoreApplication::sendEvent(edit, &upper);
                if (watched == edit)
                    edit->installEventFilter(this);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace zep
