// The activation list file as a user may hand it over (older releases, hand edits, another
// code page): every line decodes, a decoded record writes back to the same record, and the
// start-up upgrade either rewrites the file with its 129-column lines widened or leaves it as
// it was.

#include "FuzzSupport.h"
#include "core/io/TextFile.h"
#include "core/log/Activation.h"

using namespace zep;
using namespace zep::fuzz;

namespace {

void checkRecord(const ActivationRecord &r, const QString &line) {
    for (const QString *f : {&r.number, &r.activator, &r.name, &r.canton, &r.postalCode, &r.type,
                             &r.date, &r.commune, &r.logger})
        check(*f == f->trimmed(), "a decoded field keeps blanks", line);
    check(r.partner >= 0 && r.partner <= kMaxPartnerPosition, "partner out of range", line);

    const QString again = formatActivationLine(r, r.partner);
    check(again.size() == kActivationLineLength, "formatted line has the wrong length", again);
    const ActivationRecord back = decodeActivationLine(again);
    check(back.number == r.number && back.activator == r.activator && back.name == r.name &&
              back.canton == r.canton && back.postalCode == r.postalCode && back.type == r.type &&
              back.date == r.date && back.commune == r.commune && back.logger == r.logger &&
              back.partner == r.partner && !back.deleted,
          "a record does not read back as written", line + QStringLiteral("\n") + again);
    check(activationNumberOf(line) == r.number, "number read two ways differs", line);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray input = view(data, size).toByteArray();
    const QStringList lines = splitLines(cp1252::decode(input));
    for (const QString &line : lines)
        checkRecord(decodeActivationLine(line), line);

    const QString dir = scratchDir();
    ActivationList list(dir);
    putFile(list.path(), input);
    const IoResult upgraded = list.upgrade();
    const QByteArray after = getFile(list.path());
    if (!upgraded.ok) {
        check(after == input, "a failed upgrade changed the list", upgraded.message);
    } else {
        QStringList expected = lines;
        bool changed = false;
        for (QString &line : expected)
            if (line.size() == kOldActivationLineLength) {
                line += QStringLiteral("   ");
                changed = true;
            }
        if (!changed) {
            check(after == input, "an upgrade with nothing to do changed the list");
        } else {
            QByteArray encoded;
            check(encodeLines(expected, encoded), "an upgraded list could not be encoded");
            check(after == encoded, "the upgraded list is not the old one widened");
        }
    }
    check(!QFile::exists(dir + QStringLiteral("/Temporaire.txt")), "scratch file left behind");

    // The lookups read the same file: each number is found, and a partner, when loaded, is the
    // line at its position.
    const ActivationList::Numbers numbers = list.numbers();
    if (numbers.status.ok) {
        for (qsizetype i = 0; i < numbers.numbers.size() && i < 8; ++i) {
            const QString &number = numbers.numbers.at(i);
            const LoadedActivation loaded = list.load(number);
            check(loaded.found == !number.isEmpty() || loaded.found, "a listed number is not found",
                  number);
            if (loaded.second)
                check(loaded.first.partner >= 1 && loaded.first.partner <= numbers.numbers.size(),
                      "a partner was loaded from outside the file", number);
        }
    }
    return 0;
}
