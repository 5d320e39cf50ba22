#include "core/countries/PrefixDxcc.h"

#include "core/countries/PrefixTable.h"
#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace zep::prefixdxcc {

int dxccOfCode(QStringView code) {
    const QByteArray key = code.toLatin1();
    const Row *end = rows + rowCount;
    const Row *hit = std::lower_bound(rows, end, key, [](const Row &row, const QByteArray &k) {
        return std::strcmp(row.code, k.constData()) < 0;
    });
    return hit != end && key == hit->code ? hit->dxcc : 0;
}

EntityFinder::EntityFinder(const PrefixTable &table) : filter_(filterBits / 64) {
    const QList<PrefixLine> &lines = table.lines();
    prepare(lines.size());
    // Lines in table order mostly share their code with the line before.
    QString lastCode;
    int lastDxcc = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const PrefixLine &line = lines.at(i);
        if (line.prefix.isEmpty() || line.prefix.size() > longestKey ||
            std::any_of(line.prefix.begin(), line.prefix.end(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() > 0x7E; }))
            continue;
        char key[longestKey];
        const qsizetype length = line.prefix.size();
        for (qsizetype k = 0; k < length; ++k)
            key[k] = char(line.prefix.at(k).unicode());
        if (i == 0 || line.code != lastCode) {
            lastCode = line.code;
            lastDxcc = dxccOfCode(line.code);
        }
        add(key, length, int(i), lastDxcc);
    }
}

namespace {

bool isAsciiBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

/// A field of a table line without the blanks around it, as the table's reading trims it.
/// A field holding a byte outside ASCII is decoded and trimmed as text (a no-break space is a
/// blank there): when what is left is ASCII, `held` keeps its bytes and the view shows them;
/// otherwise `text` holds it and the view is empty.
QByteArrayView trimmedField(QByteArrayView field, bool utf8, QString &text, QByteArray &held) {
    text.clear();
    if (std::any_of(field.begin(), field.end(), [](char c) { return uchar(c) >= 0x80; })) {
        // A byte-order mark inside the file is a character of its field there (no blank), as
        // the table's reading of the whole text leaves it; a sequence cut by the field's end
        // is a replacement character there too, not kept for a next call.
        text =
            (utf8 ? QStringDecoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                             QStringConverter::Flag::Stateless)
                        .decode(field)
                  : cp1252::decode(field))
                .trimmed();
        if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x80; }))
            return {};
        held = text.toLatin1();
        text.clear();
        return held;
    }
    qsizetype b = 0, e = field.size();
    while (b < e && isAsciiBlank(field[b]))
        ++b;
    while (e > b && isAsciiBlank(field[e - 1]))
        --e;
    return field.sliced(b, e - b);
}

} // namespace

EntityFinder::EntityFinder(QByteArrayView tableFile) : filter_(filterBits / 64) {
    const bool utf8 = tableFile.startsWith("\xEF\xBB\xBF");
    if (utf8)
        tableFile = tableFile.sliced(3);
    // The table's reading decodes what follows the mark, which drops one more mark there.
    if (utf8 && tableFile.startsWith("\xEF\xBB\xBF"))
        tableFile = tableFile.sliced(3);
    prepare(tableFile.count('\n') + 1);
    QString prefixText, codeText;
    QByteArray prefixHeld, codeHeld;
    QByteArray lastCode;
    int lastDxcc = 0;
    int usable = 0; // the line's place among the table's usable lines
    rawfile::forEachLine(tableFile, [&](QByteArrayView line) {
        // Separators are ASCII: no byte of a character in either code page can be taken for one.
        const qsizetype first = line.indexOf(';');
        const qsizetype second = first < 0 ? -1 : line.indexOf(';', first + 1);
        const qsizetype third = second < 0 ? -1 : line.indexOf(';', second + 1);
        if (third < 0)
            return;
        const QByteArrayView prefix = trimmedField(line.first(first), utf8, prefixText, prefixHeld);
        if (prefix.isEmpty() && prefixText.isEmpty())
            return; // a line that would take every call sign is no line of the table
        const int number = usable++;
        // A prefix outside ASCII begins no call sign of the log.
        if (!prefixText.isEmpty() || prefix.size() > longestKey ||
            std::any_of(prefix.begin(), prefix.end(),
                        [](char c) { return uchar(c) < 0x20 || uchar(c) > 0x7E; }))
            return;
        const QByteArrayView code =
            trimmedField(line.sliced(second + 1, third - second - 1), utf8, codeText, codeHeld);
        if (!codeText.isEmpty()) {
            lastCode = QByteArray(1, '\0'); // no ASCII field reads so
            lastDxcc = dxccOfCode(codeText);
        } else if (number == 0 || code != lastCode) {
            lastCode = code.toByteArray();
            lastDxcc = dxccOfCode(QString::fromLatin1(code));
        }
        add(prefix.data(), prefix.size(), number, lastDxcc);
    });
}

void EntityFinder::prepare(qsizetype lines) {
    std::size_t capacity = 64;
    while (capacity < std::size_t(lines) * 2)
        capacity *= 2;
    slots_.assign(capacity, Slot{});
}

void EntityFinder::add(const char *key, qsizetype length, int line, int dxcc) {
    const std::uint64_t hash = hashOf(key, length);
    // A later line of the same prefix is never reached: the first stays.
    if (find(key, length, hash))
        return;
    const std::size_t mask = slots_.size() - 1;
    filter_[(hash >> 32) % filterBits / 64] |= std::uint64_t(1) << ((hash >> 32) % 64);
    std::size_t at = hash & mask;
    while (slots_[at].length != 0)
        at = (at + 1) & mask;
    Slot &slot = slots_[at];
    std::memcpy(slot.key, key, size_t(length));
    slot.length = std::uint8_t(length);
    slot.line = line;
    slot.dxcc = dxcc;
    longest_ = std::max(longest_, length);
}

const EntityFinder::Slot *EntityFinder::find(const char *bytes, qsizetype n,
                                             std::uint64_t hash) const {
    if (!((filter_[(hash >> 32) % filterBits / 64] >> ((hash >> 32) % 64)) & 1u))
        return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot &slot = slots_[at];
        if (slot.length == 0)
            return nullptr;
        if (slot.length == n && std::memcmp(slot.key, bytes, size_t(n)) == 0)
            return &slot;
    }
}

int EntityFinder::operator()(QByteArrayView call) const {
    const Slot *best = nullptr;
    const qsizetype longest = std::min(call.size(), longest_);
    // The hash of each beginning of the call extends the one before it by a byte.
    std::uint64_t hash = hashSeed;
    for (qsizetype n = 1; n <= longest; ++n) {
        hash = hashStep(hash, call[n - 1]);
        const Slot *hit = find(call.data(), n, hash);
        if (hit && (!best || hit->line < best->line))
            best = hit;
    }
    return best ? best->dxcc : 0;
}

} // namespace zep::prefixdxcc
