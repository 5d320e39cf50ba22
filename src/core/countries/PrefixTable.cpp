#include "core/countries/PrefixTable.h"

#include "core/io/ProgramDirectory.h"
#include "core/io/TextFile.h"

#include <QFileInfo>

#include <algorithm>

namespace zep {

namespace {

std::u16string_view viewOf(QStringView text) {
    return {text.utf16(), size_t(text.size())};
}

// The first line at or after `from` and the position after its end (CR LF or LF).
QStringView nextLine(const QString &text, qsizetype &from) {
    const qsizetype start = from;
    qsizetype end = text.indexOf(QLatin1Char('\n'), start);
    if (end < 0)
        end = text.size();
    from = end + 1;
    qsizetype stop = end;
    if (stop > start && text.at(stop - 1) == QLatin1Char('\r'))
        --stop;
    return QStringView(text).sliced(start, stop - start);
}

// Country names, codes and continents repeat on every prefix of a country: each distinct text
// is made once and shared by its lines, which keeps reading a large table quick.
class SharedTexts {
public:
    QString operator()(QStringView text) {
        const auto found = texts_.find(viewOf(text));
        if (found != texts_.end())
            return found->second;
        QString made = text.toString();
        texts_.emplace(viewOf(made), made);
        return made;
    }

private:
    std::unordered_map<std::u16string_view, QString> texts_;
};

} // namespace

PrefixTable &PrefixTable::operator=(const PrefixTable &other) {
    if (this != &other) {
        lines_ = other.lines_;
        skipped_ = other.skipped_;
        buildIndex();
    }
    return *this;
}

PrefixTable PrefixTable::parse(const QByteArray &bytes) {
    static const QByteArray utf8Mark("\xEF\xBB\xBF");
    const QString text =
        bytes.startsWith(utf8Mark) ? QString::fromUtf8(bytes.mid(3)) : cp1252::decode(bytes);
    PrefixTable table;
    SharedTexts shared;
    table.lines_.reserve(text.count(QLatin1Char('\n')) + 1);
    int number = 0;
    for (qsizetype at = 0; at < text.size();) {
        const QStringView line = nextLine(text, at);
        ++number;
        if (line.trimmed().isEmpty())
            continue;
        const qsizetype first = line.indexOf(QLatin1Char(';'));
        const qsizetype second = first < 0 ? -1 : line.indexOf(QLatin1Char(';'), first + 1);
        const qsizetype third = second < 0 ? -1 : line.indexOf(QLatin1Char(';'), second + 1);
        const QStringView prefix = first < 0 ? QStringView() : line.first(first).trimmed();
        // A line without its three separators, or whose prefix is empty (it would take every
        // call sign that follows it), cannot be used.
        if (third < 0 || prefix.isEmpty()) {
            table.skipped_.append(number);
            continue;
        }
        PrefixLine entry;
        entry.prefix = prefix.toString();
        entry.name = shared(line.sliced(first + 1, second - first - 1).trimmed());
        entry.code = shared(line.sliced(second + 1, third - second - 1).trimmed());
        entry.continent = shared(line.sliced(third + 1).trimmed());
        entry.lineNumber = number;
        table.lines_.append(std::move(entry));
    }
    table.buildIndex();
    return table;
}

PrefixTable::Loaded PrefixTable::load(const QString &path) {
    const FileBytes file = readFileBytes(path);
    Loaded loaded;
    if (file.missing) {
        loaded.missing = true;
        loaded.status = IoResult::failure(missingPrefixTableMessage(path));
        return loaded;
    }
    if (!file.status) {
        loaded.status = file.status;
        return loaded;
    }
    loaded.table = parse(file.bytes);
    return loaded;
}

void PrefixTable::buildIndex() {
    index_.clear();
    index_.reserve(size_t(lines_.size()));
    longestPrefix_ = 0;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const QString &prefix = lines_.at(i).prefix;
        // The first line of a prefix is the one that answers; a repeated prefix is never read.
        index_.try_emplace(viewOf(prefix), i);
        longestPrefix_ = std::max(longestPrefix_, prefix.size());
    }
}

CountryMatch PrefixTable::matchOf(qsizetype line) const {
    if (line < 0)
        return {};
    const PrefixLine &l = lines_.at(line);
    return {true, l.continent, l.code, l.name};
}

CountryMatch PrefixTable::lookup(QStringView call) const {
    // Every line whose prefix begins the call sign is one of the call's beginnings: the answer
    // is the earliest of the lines found for them.
    qsizetype best = -1;
    const qsizetype longest = std::min(call.size(), longestPrefix_);
    for (qsizetype n = 1; n <= longest; ++n) {
        const auto hit = index_.find(viewOf(call.first(n)));
        if (hit != index_.end() && (best < 0 || hit->second < best))
            best = hit->second;
    }
    return matchOf(best);
}

CountryMatch PrefixTable::scan(QStringView call) const {
    for (qsizetype i = 0; i < lines_.size(); ++i)
        if (call.startsWith(lines_.at(i).prefix, Qt::CaseSensitive))
            return matchOf(i);
    return {};
}

QString missingPrefixTableMessage(const QString &path) {
    return QStringLiteral("La table des préfixes \"%1\" est introuvable dans le répertoire du "
                          "programme : les pays ne peuvent pas être trouvés.")
        .arg(QFileInfo(path).fileName());
}

QString skippedPrefixLinesMessage(const PrefixTable &table) {
    const QList<int> &skipped = table.skippedLines();
    if (skipped.isEmpty())
        return {};
    QStringList shown;
    for (qsizetype i = 0; i < skipped.size() && i < 10; ++i)
        shown << QString::number(skipped.at(i));
    if (skipped.size() > 10)
        shown << QStringLiteral("...");
    return QStringLiteral("%1 ligne(s) de %2 ignorée(s), faute des trois \";\" ou du préfixe : "
                          "ligne(s) %3")
        .arg(skipped.size())
        .arg(prefixTableFileName, shown.join(QStringLiteral(", ")));
}

} // namespace zep
