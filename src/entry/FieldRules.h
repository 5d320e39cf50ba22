#pragma once

#include <QString>

namespace zep {

/// What a field's check says about its text: accepted, or refused with the French message to
/// show and whether the field is emptied after the message (otherwise it is left as typed).
struct FieldVerdict {
    bool ok = true;
    QString message;
    bool clear = false;

    static FieldVerdict accept() { return {}; }
    static FieldVerdict refuse(QString text, bool clearField) {
        return {false, std::move(text), clearField};
    }
};

/// The checks of the entry fields, each a pure function of the field's text (and of the mode
/// where the reports depend on it). They check shapes and ranges only: a date of 31/02 or a
/// time of 25:61 passes, as the operator may be copying a paper log.
namespace rules {

/// Which report a check is about; the messages differ by "reçu" and "envoyé".
enum class Report { Received, Sent };

/// Whether a key press only triggers a check before a quick validation (F9 to F12, keypad
/// "+"), as opposed to Enter, which moves on to the next field.
enum class Trigger { Enter, QuickKey };

FieldVerdict band(const QString &text);
FieldVerdict mode(const QString &text);
FieldVerdict callSign(const QString &call, const QString &modeText, const QString &bandText);
FieldVerdict department(const QString &text, Trigger trigger);
FieldVerdict firstName(const QString &text);
FieldVerdict report(const QString &text, Report which, const QString &modeText);
FieldVerdict remarks(const QString &text);
FieldVerdict date(const QString &text);
FieldVerdict time(const QString &text, Trigger trigger);

/// French call signs (F, the T and H overseas prefixes) lead to the department field; the
/// others skip it.
bool leadsToDepartment(const QString &call);

/// The value of the leading digits of a text (0 when it starts with none).
int leadingNumber(const QString &text);

} // namespace rules
} // namespace zep
