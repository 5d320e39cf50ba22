// Dates and times as typed or as read from a log: the shape checks, the entry rules built on
// them and the ordering of a QSO agree with one another on any text.
// Input: "date<TAB>time" (or one text tried as both).

#include "FuzzSupport.h"
#include "core/io/TextFile.h"
#include "core/log/FieldChecks.h"
#include "core/log/QsoLine.h"
#include "entry/FieldRules.h"

using namespace zep;
using namespace zep::fuzz;

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

/// dd/mm/yy or hh:mm written with plain digits and the separator: the shape both checks want.
bool shaped(const QString &text, QChar separator) {
    if (text.size() != (separator == QLatin1Char('/') ? 8 : 5))
        return false;
    for (qsizetype i = 0; i < text.size(); ++i)
        if ((i % 3 == 2) != (text.at(i) == separator) || (i % 3 != 2 && !isDigit(text.at(i))))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text = cp1252::decode(view(data, size).toByteArray());
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    const QString date = tab < 0 ? text : text.left(tab);
    const QString time = tab < 0 ? text : text.mid(tab + 1);

    check((hasDateShape(date)) == shaped(date, QLatin1Char('/')), "date shape check", date);
    check((hasTimeShape(time)) == shaped(time, QLatin1Char(':')), "time shape check", time);
    check(rules::date(date).ok == (hasDateShape(date)), "date rule and check disagree", date);
    check(rules::time(time, rules::Trigger::Enter).ok == (hasTimeShape(time)),
          "time rule and check disagree", time);
    const FieldVerdict quick = rules::time(time, rules::Trigger::QuickKey);
    check(!quick.ok || hasTimeShape(time), "a quick key let a bad time through", time);
    (void)rules::leadingNumber(text);

    // The ordering of a QSO line holding this date and time: a real calendar date and clock
    // time in the right shapes orders, anything else does not.
    QsoFields f;
    f.date = date;
    f.time = time;
    f.call = QStringLiteral("F4ABC");
    const BuiltLine built = buildQsoLine(f);
    if (built.ok) {
        const std::optional<qint64> key = qsoOrderingNumber(built.line);
        if (key) {
            check(shaped(date, QLatin1Char('/')) && shaped(time, QLatin1Char(':')),
                  "an ordering from a misshapen date or time", built.line);
            const int year = date.mid(6, 2).toInt();
            const QDate day(year < 50 ? 2000 + year : 1900 + year, date.mid(3, 2).toInt(),
                            date.left(2).toInt());
            check(day.isValid(), "an ordering from a day that does not exist", built.line);
            check(QTime(time.left(2).toInt(), time.mid(3, 2).toInt()).isValid(),
                  "an ordering from a time that does not exist", built.line);
        } else if (shaped(date, QLatin1Char('/')) && shaped(time, QLatin1Char(':'))) {
            const int year = date.mid(6, 2).toInt();
            const QDate day(year < 50 ? 2000 + year : 1900 + year, date.mid(3, 2).toInt(),
                            date.left(2).toInt());
            check(!day.isValid() || !QTime(time.left(2).toInt(), time.mid(3, 2).toInt()).isValid(),
                  "a real date and time does not order", built.line);
        }
    }
    return 0;
}
