#include "entry/FieldRules.h"

#include "core/io/TextFile.h"
#include "core/log/FieldChecks.h"

namespace zep::rules {

namespace {

// A character the log's code page cannot hold would be lost on the way to the file: it is
// refused where it is typed, with the field left as typed so that the operator can fix it.
bool storable(const QString &text, FieldVerdict &verdict) {
    if (cp1252::canEncode(text))
        return true;
    verdict = FieldVerdict::refuse(unencodableMessage(text), false);
    return false;
}

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

int leadingNumber(const QString &text) {
    int value = 0;
    for (const QChar c : text) {
        if (!isDigit(c))
            break;
        // Reports and departments are a few digits long; the bound only keeps a pasted
        // digit string from overflowing.
        if (value < 100000000)
            value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

FieldVerdict band(const QString &text) {
    if (text.size() > 3)
        return FieldVerdict::refuse(QStringLiteral("3 caracteres maxi"), false);
    FieldVerdict v;
    storable(text, v);
    return v;
}

FieldVerdict mode(const QString &text) {
    // A typed mode may hold 4 characters (the log keeps 4); the message is the band's.
    if (text.size() > 4)
        return FieldVerdict::refuse(QStringLiteral("3 caracteres maxi"), false);
    FieldVerdict v;
    storable(text, v);
    return v;
}

FieldVerdict callSign(const QString &call, const QString &modeText, const QString &bandText) {
    if (call.size() > 12)
        return FieldVerdict::refuse(QStringLiteral("12 caracteres maxi"), false);
    if (call.isEmpty())
        return FieldVerdict::refuse(QStringLiteral("Entrez un indicatif"), false);
    if (modeText.isEmpty())
        return FieldVerdict::refuse(QStringLiteral("selectionnez un mode"), false);
    if (bandText.isEmpty())
        return FieldVerdict::refuse(QStringLiteral("selectionnez une bande"), false);
    FieldVerdict v;
    storable(call, v);
    return v;
}

FieldVerdict department(const QString &text, Trigger trigger) {
    if (text.size() != 2)
        return FieldVerdict::refuse(QStringLiteral("2 caractères pour le département"),
                                    trigger == Trigger::Enter);
    const QChar first = text.at(0);
    const QChar second = text.at(1);
    if (!isDigit(first))
        return FieldVerdict::refuse(QStringLiteral("Que des chiffres pour le 1er caractère"), true);
    if (!isDigit(second)) {
        const bool corsicanLetter = QStringLiteral("abAB").contains(second);
        if (!corsicanLetter)
            return FieldVerdict::refuse(QStringLiteral("Département 2a ou 2b uniquement)"), true);
        if (first != QLatin1Char('2'))
            return FieldVerdict::refuse(QStringLiteral("Que des chiffres ou 2a ou 2b)"), true);
    }
    if (leadingNumber(text) > 95)
        return FieldVerdict::refuse(QStringLiteral("N° département de 00 à 95"), true);
    return FieldVerdict::accept();
}

FieldVerdict firstName(const QString &text) {
    if (text.size() > 15)
        return FieldVerdict::refuse(QStringLiteral("15 caracteres maxi"), false);
    FieldVerdict v;
    storable(text, v);
    return v;
}

FieldVerdict report(const QString &text, Report which, const QString &modeText) {
    const bool received = which == Report::Received;
    const QString word = received ? QStringLiteral("reçu") : QStringLiteral("envoyé");
    if (text.isEmpty())
        return FieldVerdict::refuse(received
                                        ? QStringLiteral("Le report reçu est obligatoire")
                                        : QStringLiteral("Le report envoyé est obligatoire    "),
                                    false);
    const int value = leadingNumber(text);
    if (modeText != QLatin1String("CW")) {
        if (text.size() != 2)
            return FieldVerdict::refuse(QStringLiteral("2 caracteres pour le report ") + word,
                                        true);
        if (value > 59 || value < 11)
            return FieldVerdict::refuse(QStringLiteral("RST %1 11 mini 59 maxi").arg(word), true);
    } else {
        if (text.size() != 3)
            return FieldVerdict::refuse(QStringLiteral("3 caracteres pour le report ") + word,
                                        true);
        if (value > 599 || value < 111)
            return FieldVerdict::refuse(QStringLiteral("RST %1 111 mini 599 maxi").arg(word), true);
    }
    // Only the leading digits are weighed ("5x" is refused by range, "50" passes); a trailing
    // character the log cannot hold is still refused.
    FieldVerdict v;
    storable(text, v);
    return v;
}

FieldVerdict remarks(const QString &text) {
    // Measured in capitals, as written: "ß" becomes "SS".
    if (text.size() > 30 || text.toUpper().size() > 30)
        return FieldVerdict::refuse(QStringLiteral("30 caracteres maxi"), false);
    FieldVerdict v;
    storable(text, v);
    // The remarks are written in capitals; a letter whose capital the code page cannot hold
    // (such as "µ") must be caught now, not when the line is built.
    if (v.ok)
        storable(text.toUpper(), v);
    return v;
}

FieldVerdict date(const QString &text) {
    if (!hasDateShape(text))
        return FieldVerdict::refuse(QStringLiteral("Attention le format date doit etre 'jj/mm/aa'"),
                                    true);
    return FieldVerdict::accept();
}

FieldVerdict time(const QString &text, Trigger trigger) {
    const QString shape = QStringLiteral("Attention le format de l'heure doit etre 'hh:mm'");
    if (trigger == Trigger::Enter) {
        if (!hasTimeShape(text))
            return FieldVerdict::refuse(shape, false);
        return FieldVerdict::accept();
    }
    if (text.size() != 5)
        return FieldVerdict::refuse(
            QStringLiteral("Attention 5 caracteres pour l'heure format 'hh:mm'"), false);
    if (!hasTimeShape(text.left(2) + QLatin1Char(':') + text.right(2)))
        return FieldVerdict::refuse(shape, false);
    if (!hasTimeShape(text))
        return FieldVerdict::refuse(QStringLiteral("Attention le format date doit etre 'hh:mm'"),
                                    false);
    return FieldVerdict::accept();
}

bool leadsToDepartment(const QString &call) {
    return callHasDepartment(call);
}

} // namespace zep::rules
