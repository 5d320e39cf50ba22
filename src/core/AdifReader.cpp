#include "core/AdifReader.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <cstring>
#include <optional>

namespace zep::adif {

QByteArray Record::value(QByteArrayView name) const {
    for (const Field &f : fields)
        if (f.name == name)
            return f.value;
    return {};
}

bool Record::has(QByteArrayView name) const {
    return std::any_of(fields.cbegin(), fields.cend(),
                       [&](const Field &f) { return f.name == name; });
}

namespace {

constexpr QByteArrayView byteOrderMark("\xEF\xBB\xBF");

bool isNameByte(uchar c) {
    // Field names are letters, digits and underscores; application fields carry their
    // program's name, which may hold other printable signs, but never these.
    return c > 0x20 && c < 0x7F && c != '<' && c != '>' && c != ':' && c != ',' && c != '{' &&
           c != '}';
}

bool isDigit(uchar c) {
    return c >= '0' && c <= '9';
}

bool isLetter(uchar c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

/// Names of fields come back in capitals. The names of nearly every record are shared with
/// these, so that a file of 100,000 records does not hold a million copies of "CALL".
QByteArray upperName(QByteArrayView name);

QByteArray commonName(QByteArrayView name) {
    static const QByteArray common[] = {
        "CALL",    "QSO_DATE",    "TIME_ON",  "TIME_OFF",   "BAND",     "FREQ",
        "MODE",    "SUBMODE",     "RST_SENT", "RST_RCVD",   "NAME",     "STATE",
        "COMMENT", "DXCC",        "COUNTRY",  "GRIDSQUARE", "OPERATOR", "STATION_CALLSIGN",
        "MY_SIG",  "MY_SIG_INFO", "SIG",      "SIG_INFO",   "EOR",      "EOH"};
    for (const QByteArray &c : common)
        if (c.size() == name.size() && qstrnicmp(c.constData(), name.data(), name.size()) == 0)
            return c;
    return upperName(name);
}

QByteArray upperName(QByteArrayView name) {
    QByteArray out(name.data(), name.size());
    for (char &c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return out;
}

/// A tag "<NAME>", "<NAME:LENGTH>" or "<NAME:LENGTH:TYPE>" as found at a '<'.
struct Tag {
    QByteArrayView name;
    bool hasLength = false;
    qint64 length = 0;
    bool lengthTooLarge = false;
    qsizetype end = 0; ///< just after the '>'
};

/// The tag starting at `at` (a '<'), or nothing when the text there is no tag (a '<' in the
/// free text of a header, in text between fields).
std::optional<Tag> tagAt(QByteArrayView bytes, qsizetype at) {
    constexpr qsizetype longestName = 128;
    constexpr int mostDigits = 18; // well within qint64
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = at + 1;
    while (i < size && isNameByte(p[i]) && i - at - 1 < longestName)
        ++i;
    if (i == at + 1 || i >= size)
        return std::nullopt;
    Tag tag;
    tag.name = bytes.sliced(at + 1, i - at - 1);
    if (p[i] == '>') {
        tag.end = i + 1;
        return tag;
    }
    if (p[i] != ':')
        return std::nullopt;
    ++i;
    const qsizetype digitsFrom = i;
    while (i < size && isDigit(p[i])) {
        if (i - digitsFrom < mostDigits)
            tag.length = tag.length * 10 + (p[i] - '0');
        else
            tag.lengthTooLarge = true;
        ++i;
    }
    if (i == digitsFrom || i >= size)
        return std::nullopt;
    tag.hasLength = true;
    if (p[i] == ':') {
        // The type indicator: a letter for ADIF's types, a word for some writers.
        ++i;
        const qsizetype typeFrom = i;
        while (i < size && isLetter(p[i]) && i - typeFrom < 16)
            ++i;
    }
    if (i >= size || p[i] != '>')
        return std::nullopt;
    tag.end = i + 1;
    return tag;
}

/// The end of `count` UTF-8 characters starting at `from`, or -1 when the bytes there are not
/// that many well-formed UTF-8 characters.
qsizetype utf8CharactersEnd(QByteArrayView bytes, qsizetype from, qint64 count) {
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    qsizetype i = from;
    for (qint64 n = 0; n < count; ++n) {
        if (i >= bytes.size())
            return -1;
        const uchar c = p[i];
        const int extra = c < 0x80             ? 0
                          : (c & 0xE0) == 0xC0 ? 1
                          : (c & 0xF0) == 0xE0 ? 2
                          : (c & 0xF8) == 0xF0 ? 3
                                               : -1;
        if (extra < 0 || i + extra >= bytes.size())
            return -1;
        for (int k = 1; k <= extra; ++k)
            if ((p[i + k] & 0xC0) != 0x80)
                return -1;
        i += extra + 1;
    }
    return i;
}

bool isContinuationByte(uchar c) {
    return (c & 0xC0) == 0x80;
}

/// Counts the lines up to a position, going forward only, so that a whole file costs one
/// pass however many records it has.
class LineCounter {
public:
    explicit LineCounter(QByteArrayView bytes) : bytes_(bytes) {}
    int lineAt(qsizetype at) {
        at = std::min(at, bytes_.size());
        if (at > counted_) {
            const char *p = bytes_.data() + counted_;
            const char *const end = bytes_.data() + at;
            while ((p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p))))) {
                ++line_;
                ++p;
            }
            counted_ = at;
        }
        return line_;
    }

private:
    QByteArrayView bytes_;
    qsizetype counted_ = 0;
    int line_ = 1;
};

QString nameText(QByteArrayView name) {
    return QString::fromLatin1(name.data(), name.size());
}

} // namespace

ReadResult readAdi(QByteArrayView bytes) {
    ReadResult result;
    LineCounter lines(bytes);
    qsizetype pos = bytes.startsWith(byteOrderMark) ? byteOrderMark.size() : 0;
    const qsizetype size = bytes.size();

    Record current;
    const auto emitRecord = [&](bool terminated) {
        current.number = int(result.records.size()) + 1;
        current.unterminated = !terminated;
        result.records.append(std::move(current));
        current = Record();
    };
    const auto note = [&](int record, qsizetype at, QString text) {
        result.notes.append({record, lines.lineAt(at), std::move(text)});
    };

    while (pos < size) {
        const void *found = std::memchr(bytes.data() + pos, '<', size_t(size - pos));
        if (!found)
            break;
        const qsizetype at = static_cast<const char *>(found) - bytes.data();
        const std::optional<Tag> tag = tagAt(bytes, at);
        if (!tag) {
            pos = at + 1; // a '<' of some text, not a tag
            continue;
        }
        pos = tag->end;
        if (!tag->hasLength) {
            const QByteArray name = commonName(tag->name);
            if (name == "EOR") {
                if (!current.fields.empty())
                    emitRecord(true);
            } else if (name == "EOH") {
                // Whatever came before the first <EOH> was the header.
                if (result.records.isEmpty())
                    current = Record();
            }
            // Any other bare tag carries no value and is passed over.
            continue;
        }
        if (current.fields.empty())
            current.line = lines.lineAt(at);
        const int recordNumber = int(result.records.size()) + 1;
        qsizetype end = pos + qsizetype(std::min<qint64>(tag->length, size - pos));
        if (tag->lengthTooLarge || tag->length > size - pos) {
            note(recordNumber, at,
                 QStringLiteral("la longueur annoncée du champ %1 dépasse la fin du fichier : "
                                "la valeur s'arrête à la fin du fichier")
                     .arg(nameText(tag->name)));
            end = size;
        } else if (end < size && end > pos && isContinuationByte(uchar(bytes[end]))) {
            // Cutting there would split a character: the writer counted characters, not
            // bytes, and the value is taken whole.
            const qsizetype byCharacters = utf8CharactersEnd(bytes, pos, tag->length);
            if (byCharacters > end) {
                end = byCharacters;
                note(recordNumber, at,
                     QStringLiteral("la longueur du champ %1 est comptée en caractères et non "
                                    "en octets")
                         .arg(nameText(tag->name)));
            }
        }
        current.fields.push_back(
            {commonName(tag->name), bytes.sliced(pos, end - pos).toByteArray()});
        pos = end;
    }
    if (!current.fields.empty()) {
        const int recordNumber = int(result.records.size()) + 1;
        note(recordNumber, size,
             QStringLiteral("le dernier enregistrement n'est pas fermé par <EOR> : il est lu "
                            "tel quel"));
        emitRecord(false);
    }
    return result;
}

bool looksLikeAdx(QByteArrayView bytes) {
    if (bytes.startsWith(byteOrderMark))
        bytes = bytes.sliced(byteOrderMark.size());
    qsizetype i = 0;
    while (i < bytes.size() &&
           (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    const QByteArrayView rest = bytes.sliced(i);
    const auto startsWithNoCase = [&](QByteArrayView word) {
        return rest.size() >= word.size() && upperName(rest.first(word.size())) == upperName(word);
    };
    return startsWithNoCase("<?xml") || startsWithNoCase("<ADX");
}

ReadResult readAdx(QByteArrayView bytes) {
    ReadResult result;
    QXmlStreamReader xml(bytes.toByteArray());
    Record current;
    bool inRecord = false;
    int depth = 0; ///< elements open, RECORD's children counted from it
    int recordDepth = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            const QByteArray name = upperName(xml.name().toUtf8());
            if (!inRecord) {
                if (name == "RECORD") {
                    inRecord = true;
                    recordDepth = depth;
                    current = Record();
                    current.line = int(xml.lineNumber());
                }
                continue;
            }
            if (depth != recordDepth + 1)
                continue;
            QByteArray fieldName = name;
            const QXmlStreamAttributes attributes = xml.attributes();
            const auto attribute = [&](const char *key) {
                for (const QXmlStreamAttribute &a : attributes)
                    if (a.name().compare(QLatin1String(key), Qt::CaseInsensitive) == 0)
                        return upperName(a.value().toUtf8());
                return QByteArray();
            };
            if (name == "APP")
                fieldName = "APP_" + attribute("PROGRAMID") + '_' + attribute("FIELDNAME");
            else if (name == "USERDEF" && !attribute("FIELDNAME").isEmpty())
                fieldName = attribute("FIELDNAME");
            const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            --depth; // readElementText consumed the end of the element
            if (xml.hasError())
                break;
            current.fields.push_back({fieldName, text.toUtf8()});
        } else if (token == QXmlStreamReader::EndElement) {
            if (inRecord && depth == recordDepth) {
                inRecord = false;
                if (!current.fields.empty()) {
                    current.number = int(result.records.size()) + 1;
                    result.records.append(std::move(current));
                }
                current = Record();
            }
            --depth;
        }
    }
    if (xml.hasError()) {
        const int recordNumber = int(result.records.size()) + 1;
        result.notes.append(
            {inRecord ? recordNumber : 0, int(xml.lineNumber()),
             QStringLiteral("le fichier XML n'est plus lisible à partir de la ligne %1 (%2) : "
                            "la suite du fichier n'est pas lue")
                 .arg(xml.lineNumber())
                 .arg(xml.errorString())});
        if (inRecord && !current.fields.empty()) {
            current.number = recordNumber;
            current.unterminated = true;
            result.records.append(std::move(current));
        }
    }
    return result;
}

ReadResult readAdif(QByteArrayView bytes) {
    return looksLikeAdx(bytes) ? readAdx(bytes) : readAdi(bytes);
}

} // namespace zep::adif
