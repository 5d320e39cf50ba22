// The award programmes' rules file as an operator may edit it by hand. Every row read has a
// programme, a minimum from 1 to the largest or none, and appears once; every other row is
// named as skipped; a file beyond the bound is refused whole. The count of a log made from the
// same bytes never goes below zero whatever the rule.

#include "FuzzSupport.h"
#include "core/awards/ActivationRules.h"
#include "core/awards/ValidityCount.h"

#include <QSet>

using namespace zep;
using namespace zep::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArrayView bytes = view(data, size);
    const ActivationRules rules = ActivationRules::parse(bytes);
    if (bytes.size() > ActivationRules::maxFileBytes) {
        check(rules.tooLarge() && rules.rules().isEmpty(), "a file beyond the bound is refused");
        return 0;
    }
    check(rules.rules().size() <= ActivationRules::maxRows, "no more rows than the bound");
    QSet<QString> seen;
    for (const ProgrammeRule &r : rules.rules()) {
        check(!r.programme.isEmpty(), "a row read has a programme");
        check(!r.minimum || (*r.minimum >= 1 && *r.minimum <= ActivationRules::largestMinimum),
              "a minimum within its bounds", r.programme);
        check(!seen.contains(r.programme.toUpper()), "a programme once", r.programme);
        seen.insert(r.programme.toUpper());
        ValidityCounter counter(r);
        const QStringList lines = QString::fromLatin1(bytes).split(QLatin1Char('\n'));
        for (const QString &line : lines)
            counter.add(line, 1);
        const int whole = counter.count();
        for (const QString &line : lines)
            counter.add(line, -1);
        check(whole >= 0 && counter.count() == 0, "every line taken away counts nothing");
    }
    return 0;
}
