#include "core/log/FieldChecks.h"

#include <QStringList>

namespace zep {

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

/// Whether `text` has the length of `shape`, each '9' of the shape a digit and every other
/// character of the shape found as such.
bool matchesShape(const QString &text, const char *shape) {
    const qsizetype length = qsizetype(qstrlen(shape));
    if (text.size() != length)
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char want = shape[i];
        if (want == '9' ? !isDigit(text.at(i)) : text.at(i) != QLatin1Char(want))
            return false;
    }
    return true;
}

} // namespace

bool hasDateShape(const QString &text) {
    return matchesShape(text, "99/99/99");
}

bool hasTimeShape(const QString &text) {
    return matchesShape(text, "99:99");
}

bool callHasDepartment(const QString &call) {
    if (call.startsWith(QLatin1Char('F'), Qt::CaseInsensitive))
        return true;
    static const QStringList overseas = {
        QStringLiteral("TH"), QStringLiteral("TK"), QStringLiteral("TM"), QStringLiteral("TP"),
        QStringLiteral("TQ"), QStringLiteral("TV"), QStringLiteral("TW"), QStringLiteral("HW"),
        QStringLiteral("HX"), QStringLiteral("HY")};
    return overseas.contains(call.left(2).toUpper());
}

} // namespace zep
