#include "entry/EntryKeyFilter.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace zep {

namespace {
const char *kindProperty = "zepEntryKind";

bool isEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Keys that validate the QSO or leave the field: they never edit it, so they never start a
// retype (a quick validation in a report field keeps its "59").
bool leavesFieldAsItIs(const QKeyEvent &key, EntryKeyFilter::Kind kind) {
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_F9:
    case Qt::Key_F10:
    case Qt::Key_F11:
    case Qt::Key_F12:
        return true;
    case Qt::Key_Plus:
        return kind == EntryKeyFilter::Kind::Report && (key.modifiers() & Qt::KeypadModifier);
    default:
        return false;
    }
}
} // namespace

EntryKeyFilter::EntryKeyFilter(EntryState &state, std::function<bool()> retypeOn,
                               std::function<bool()> separatorsOn, QObject *parent)
    : QObject(parent), state_(state), retypeOn_(std::move(retypeOn)),
      separatorsOn_(std::move(separatorsOn)) {}

void EntryKeyFilter::watch(QLineEdit *field, Kind kind) {
    field->setProperty(kindProperty, static_cast<int>(kind));
    field->installEventFilter(this);
}

bool EntryKeyFilter::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto *field = qobject_cast<QLineEdit *>(watched);
    if (!field)
        return QObject::eventFilter(watched, event);
    const auto kind = static_cast<Kind>(field->property(kindProperty).toInt());
    const auto &key = static_cast<const QKeyEvent &>(*event);
    retype(field, kind, key);
    // The separators answer the keys that type something (Backspace included), not Shift
    // held down to type a "/" of one's own.
    if (!isEnter(key.key()) && !key.text().isEmpty())
        separate(field, kind);
    return QObject::eventFilter(watched, event);
}

void EntryKeyFilter::retype(QLineEdit *field, Kind kind, const QKeyEvent &key) {
    if (state_.retypeCleared || !retypeOn_ || !retypeOn_())
        return;
    if (kind != Kind::Report && !state_.correcting)
        return;
    if (leavesFieldAsItIs(key, kind))
        return;
    if (kind == Kind::CallSign) {
        // Only a typed character starts a new call sign.
        const QString text = key.text();
        if (text.isEmpty() || !text.at(0).isPrint())
            return;
    }
    field->clear();
    state_.retypeCleared = true;
}

void EntryKeyFilter::separate(QLineEdit *field, Kind kind) {
    if (!separatorsOn_ || !separatorsOn_())
        return;
    const qsizetype n = field->text().size();
    if (kind == Kind::Date && (n == 2 || n == 5))
        field->setText(field->text() + QLatin1Char('/'));
    else if (kind == Kind::Time && n == 2)
        field->setText(field->text() + QLatin1Char(':'));
    else
        return;
    field->end(false);
}

} // namespace zep
