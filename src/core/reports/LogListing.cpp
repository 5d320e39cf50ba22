#include "core/reports/LogListing.h"

#include "core/io/ProgramDirectory.h"
#include "core/io/Settings.h"
#include "core/io/SortedList.h"
#include "core/io/TextFile.h"
#include "core/log/Activation.h"

#include <algorithm>
#include <vector>

namespace zep {

namespace {

// The date and time columns at the head of a QSO line, with their blanks, up to the call sign.
constexpr int dateTimeWidth = 17;

QString blanks(int n) {
    return QString(n, QLatin1Char(' '));
}

} // namespace

QString listing::creditText() {
    return QStringLiteral("Log réalisé avec ZEP_Rozadovev Revision") + revisionText;
}

ListingHeaderRead readListingHeader(const QString &programDir, const QString &number) {
    ListingHeaderRead result;
    result.header.number = number;
    const TextLines list = readTextFile(ActivationList(programDir).path());
    if (list.missing)
        return result;
    if (!list.status) {
        result.status = list.status;
        return result;
    }
    for (const QString &line : list.lines) {
        if (activationNumberOf(line) != number)
            continue;
        // A later line of the same number overrides an earlier one.
        const ActivationRecord r = decodeActivationLine(line);
        ListingHeader &h = result.header;
        h.type = r.type;
        h.name = r.name;
        h.activator = r.activator;
        h.date = r.date;
        h.canton = r.canton;
        h.postalCode = r.postalCode;
        h.commune = r.commune;
    }
    return result;
}

QString listingTitleLine(const ListingHeader &h) {
    return blanks(9) + h.type + QStringLiteral(" du ") + h.number + QStringLiteral(" le ") +
           h.name + QStringLiteral(" par ") + h.activator + QStringLiteral(" le ") + h.date;
}

QString listingLocationLine(const ListingHeader &h) {
    return blanks(19) + QStringLiteral("N° du Canton ") + h.canton +
           QStringLiteral("   Code Postal ") + h.postalCode + QStringLiteral("   Commune ") +
           h.commune;
}

QString listingCountLine(int operators) {
    // 30 blanks, then the number written with its sign position (a blank when positive).
    return blanks(30) + (operators < 0 ? QString() : QStringLiteral(" ")) +
           QString::number(operators) + QStringLiteral(" opérateurs différents contactés");
}

QString listingItem(int number, const QString &qsoLine) {
    return QString::number(number).rightJustified(5, QLatin1Char(' ')) + blanks(2) + qsoLine;
}

QStringList listingItems(const QStringList &qsoLines) {
    QStringList items;
    items.reserve(qsoLines.size());
    int number = 0;
    for (const QString &line : qsoLines)
        items.append(listingItem(++number, line));
    return items;
}

QString alphaSortKey(const QString &qsoLine) {
    return qsoLine.mid(dateTimeWidth) + QLatin1Char(' ') + qsoLine.left(dateTimeWidth);
}

QStringList alphaListingItems(const QStringList &qsoLines) {
    // The key starts at the call sign whatever the line's length, so a line shortened by a
    // hand edit still sorts on its call sign; the item shows the line itself.
    struct Entry {
        QString key;
        const QString *line;
    };
    std::vector<Entry> entries;
    entries.reserve(size_t(qsoLines.size()));
    for (const QString &line : qsoLines)
        entries.push_back({alphaSortKey(line), &line});
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry &a, const Entry &b) { return sortedListLess(a.key, b.key); });

    QStringList items;
    items.reserve(qsoLines.size());
    const QString *previous = nullptr;
    int number = 0;
    for (const Entry &e : entries) {
        // Only an exact duplicate of the entry just before is dropped: two QSOs whose lines
        // differ in nothing but letter case are both kept.
        if (previous && e.key == *previous)
            continue;
        previous = &e.key;
        items.append(listingItem(++number, *e.line));
    }
    return items;
}

QStringList listingLines(const ListingHeader &h, ListingVariant variant, const QStringList &body,
                         int operators) {
    QStringList lines;
    lines.reserve(body.size() + 10);
    lines << listingTitleLine(h) << QString() << listingLocationLine(h) << QString()
          << (variant == ListingVariant::Alpha ? listing::alphaHeading : listing::logHeading)
          << QString();
    lines += body;
    lines << QString() << listingCountLine(operators) << QString()
          << blanks(34) + listing::creditText();
    return lines;
}

QString listingFileName(const QString &number, const QString &activationDate,
                        ListingVariant variant) {
    const QString datePart = activationDate.mid(0, 2) + QLatin1Char('_') +
                             activationDate.mid(3, 2) + QLatin1Char('_') + activationDate.right(2);
    QString name = number.trimmed() + QLatin1Char('_') + datePart;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QLatin1Char('\\'), QLatin1Char('_'));
    return name + (variant == ListingVariant::Alpha ? QStringLiteral(" Alpha.txt")
                                                    : QStringLiteral(".txt"));
}

SavedListing saveListing(const QString &programDir, const ListingHeader &h,
                         const QString &activationDate, ListingVariant variant,
                         const QStringList &body, int operators) {
    SavedListing saved;
    saved.fileName = listingFileName(h.number, activationDate, variant);
    saved.status = writeTextFile(dataFile(programDir, saved.fileName),
                                 listingLines(h, variant, body, operators));
    return saved;
}

QString listingSavedMessage(const QString &fileName) {
    return QStringLiteral("Le log a été sauvegardé sous le nom : ") + fileName;
}

QString printedLogLine(int number, const QString &qsoLine) {
    return blanks(4) + QString::number(number).leftJustified(5, QLatin1Char(' ')) +
           QLatin1Char(' ') + qsoLine;
}

QStringList printedLogLines(const ListingHeader &h, const QStringList &qsoLines) {
    QStringList lines;
    lines.reserve(qsoLines.size() + 8);
    lines << listingTitleLine(h) << QString() << listingLocationLine(h) << QString()
          << listing::logHeading << QString();
    int number = 0;
    for (const QString &line : qsoLines)
        lines.append(printedLogLine(++number, line));
    lines << QString() << blanks(37) + listing::creditText();
    return lines;
}

} // namespace zep
