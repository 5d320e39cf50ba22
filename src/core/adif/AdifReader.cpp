#include "core/adif/AdifReader.h"

#include <QStringDecoder>
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

/// Hands the records over as they are read, numbered, each with the notes about it; notes
/// about a record never emitted (an XML record cut before its first field) go to the file.
class Emitter {
public:
    explicit Emitter(const RecordSink &sink) : sink_(sink) {}

    int nextNumber() const { return emitted_ + 1; }

    void note(int record, int line, QString text) {
        ReaderNote n{record, line, std::move(text)};
        if (record > 0 && record == emitted_ + 1)
            pending_.append(std::move(n));
        else
            sink_.fileNote(std::move(n));
    }

    void emitRecord(Record &&r) {
        r.number = ++emitted_;
        // A writer that lost its <EOR>s runs every QSO of the file into one record.
        if (r.number == 1 && r.unterminated)
            oneRunOnRecord_ = std::count_if(r.fields.cbegin(), r.fields.cend(),
                                            [](const Field &f) { return f.name == "CALL"; }) > 1;
        else
            oneRunOnRecord_ = false;
        QList<ReaderNote> notes;
        notes.swap(pending_);
        sink_.record(std::move(r), std::move(notes));
        stopped_ = sink_.stop && sink_.stop();
    }

    /// The sink asked for no more records.
    bool stopped() const { return stopped_; }

    void finish() {
        for (ReaderNote &n : pending_)
            sink_.fileNote(std::move(n));
        pending_.clear();
    }

    /// The file is one record that never ends and holds several QSOs.
    bool oneRunOnRecord() const { return oneRunOnRecord_; }

private:
    const RecordSink &sink_;
    int emitted_ = 0;
    bool oneRunOnRecord_ = false;
    bool stopped_ = false;
    QList<ReaderNote> pending_;
};

bool isTagNameByte(uchar c) {
    return isLetter(c) || isDigit(c) || c == '_';
}

/// Tags that lost their "<" ("CALL:5>F1ABC", "EOR>"): what a broken writer leaves.
qsizetype countLostTags(QByteArrayView bytes) {
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype lost = 0;
    qsizetype pos = 0;
    while (pos < size) {
        const void *found = std::memchr(p + pos, '>', size_t(size - pos));
        if (!found)
            break;
        const qsizetype at = static_cast<const uchar *>(found) - p;
        pos = at + 1;
        qsizetype j = at; // the end of "NAME:LENGTH"
        qsizetype k = j;
        while (k > 0 && isLetter(p[k - 1]) && j - k < 16)
            --k;
        if (k < j && k >= 4 && p[k - 1] == ':' && isDigit(p[k - 2]))
            j = k - 1; // a type indicator
        else if (j - k == 3 && qstrnicmp(reinterpret_cast<const char *>(p + k), "EOR", 3) == 0) {
            if (k == 0 || p[k - 1] != '<')
                ++lost;
            continue;
        }
        qsizetype d = j;
        while (d > 0 && isDigit(p[d - 1]) && j - d < 18)
            --d;
        if (d == j || d < 2 || p[d - 1] != ':')
            continue;
        qsizetype n = d - 1;
        qsizetype first = n;
        while (first > 0 && isTagNameByte(p[first - 1]) && n - first < 128)
            --first;
        if (first == n || (first > 0 && p[first - 1] == '<'))
            continue;
        ++lost;
    }
    return lost;
}

/// Reads tagged ADIF into `out`; returns how many tags with a length it found.
qsizetype readAdiInto(QByteArrayView bytes, Emitter &out) {
    LineCounter lines(bytes);
    qsizetype pos = bytes.startsWith(byteOrderMark) ? byteOrderMark.size() : 0;
    const qsizetype size = bytes.size();
    qsizetype tags = 0;

    Record current;
    bool anyRecord = false;
    const auto emitRecord = [&](bool terminated) {
        current.unterminated = !terminated;
        anyRecord = true;
        out.emitRecord(std::move(current));
        current = Record();
    };
    const auto note = [&](qsizetype at, QString text) {
        out.note(out.nextNumber(), lines.lineAt(at), std::move(text));
    };

    while (pos < size && !out.stopped()) {
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
                if (!anyRecord)
                    current = Record();
            }
            // Any other bare tag carries no value and is passed over.
            continue;
        }
        ++tags;
        if (current.fields.empty())
            current.line = lines.lineAt(at);
        qsizetype end = pos + qsizetype(std::min<qint64>(tag->length, size - pos));
        if (tag->lengthTooLarge || tag->length > size - pos) {
            note(at, QStringLiteral("la longueur annoncée du champ %1 dépasse la fin du fichier : "
                                    "la valeur s'arrête à la fin du fichier")
                         .arg(nameText(tag->name)));
            end = size;
        } else if (end < size && end > pos && isContinuationByte(uchar(bytes[end]))) {
            // Cutting there would split a character: the writer counted characters, not
            // bytes, and the value is taken whole.
            const qsizetype byCharacters = utf8CharactersEnd(bytes, pos, tag->length);
            if (byCharacters > end) {
                end = byCharacters;
                note(at, QStringLiteral("la longueur du champ %1 est comptée en caractères et "
                                        "non en octets")
                             .arg(nameText(tag->name)));
            }
        }
        current.fields.push_back(
            {commonName(tag->name), bytes.sliced(pos, end - pos).toByteArray()});
        pos = end;
    }
    if (!current.fields.empty() && !out.stopped()) {
        note(size, QStringLiteral("le dernier enregistrement n'est pas fermé par <EOR> : il est lu "
                                  "tel quel"));
        emitRecord(false);
    }
    out.finish();
    return tags;
}

/// Reads XML ADIF into `out`, one element at a time.
void readAdxInto(QByteArrayView bytes, Emitter &out) {
    // The file's bytes are read where they lie, not copied.
    QXmlStreamReader xml(QByteArray::fromRawData(bytes.data(), bytes.size()));
    Record current;
    bool inRecord = false;
    int depth = 0; ///< elements open
    int recordDepth = 0;
    bool inField = false; ///< a field of the record is open, its text being gathered
    QByteArray fieldName;
    QString fieldText;
    while (!xml.atEnd() && !out.stopped()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (!inRecord) {
                if (xml.name().compare(QLatin1String("RECORD"), Qt::CaseInsensitive) == 0) {
                    inRecord = true;
                    recordDepth = depth;
                    current = Record();
                    current.line = int(xml.lineNumber());
                }
                continue;
            }
            if (depth != recordDepth + 1) {
                // ADX gives a field text only: an element inside a field (or a record inside
                // a record) is no QSO this program can read.
                if (current.refused.isEmpty())
                    current.refused =
                        QStringLiteral("l'élément %1 est imbriqué dans un champ à la ligne %2, "
                                       "ce que le format ADX ne permet pas")
                            .arg(quoted(xml.name().toString()))
                            .arg(xml.lineNumber());
                inField = false;
                continue;
            }
            const QByteArray name = upperName(xml.name().toUtf8());
            fieldName = name;
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
            fieldText.clear();
            inField = current.refused.isEmpty();
        } else if (token == QXmlStreamReader::Characters) {
            if (inField && depth == recordDepth + 1)
                fieldText += xml.text();
        } else if (token == QXmlStreamReader::EndElement) {
            if (inRecord && depth == recordDepth + 1 && inField) {
                current.fields.push_back({fieldName, fieldText.toUtf8()});
                fieldText.clear();
                inField = false;
            } else if (inRecord && depth == recordDepth) {
                inRecord = false;
                inField = false;
                if (!current.fields.empty() || !current.refused.isEmpty())
                    out.emitRecord(std::move(current));
                current = Record();
            }
            --depth;
        }
    }
    if (xml.hasError()) {
        out.note(inRecord ? out.nextNumber() : 0, int(xml.lineNumber()),
                 QStringLiteral("le fichier XML n'est plus lisible à partir de la ligne %1 (%2) : "
                                "la suite du fichier n'est pas lue")
                     .arg(xml.lineNumber())
                     .arg(xml.errorString()));
        if (inRecord && (!current.fields.empty() || !current.refused.isEmpty())) {
            current.unterminated = true;
            out.emitRecord(std::move(current));
        }
    }
    out.finish();
}

/// A sink that keeps everything, for readAdi, readAdx and readAdif.
struct Collector {
    ReadResult result;
    RecordSink sink{[this](Record &&r, QList<ReaderNote> &&notes) {
                        result.notes.append(std::move(notes));
                        result.records.append(std::move(r));
                    },
                    [this](ReaderNote &&n) { result.notes.append(std::move(n)); },
                    {}};
};

constexpr QByteArrayView utf16LeMark("\xFF\xFE");
constexpr QByteArrayView utf16BeMark("\xFE\xFF");

} // namespace

QString quoted(const QString &value) {
    if (value.size() <= quotedCharacters)
        return value;
    qsizetype cut = quotedCharacters;
    if (value.at(cut - 1).isHighSurrogate())
        --cut;
    return value.left(cut) + QChar(0x2026);
}

ReadResult readAdi(QByteArrayView bytes) {
    Collector c;
    Emitter out(c.sink);
    const qsizetype tags = readAdiInto(bytes, out);
    const qsizetype lost = countLostTags(bytes);
    c.result.brokenTags = (lost >= 3 && lost > tags) || out.oneRunOnRecord();
    return std::move(c.result);
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
    Collector c;
    Emitter out(c.sink);
    readAdxInto(bytes, out);
    return std::move(c.result);
}

bool streamAdif(QByteArrayView bytes, const RecordSink &sink) {
    // UTF-16: the same text in UTF-8. XML reads its own byte-order mark.
    QByteArray utf8;
    if (bytes.startsWith(utf16LeMark) || bytes.startsWith(utf16BeMark)) {
        QStringDecoder decoder(bytes.startsWith(utf16LeMark) ? QStringDecoder::Utf16LE
                                                             : QStringDecoder::Utf16BE);
        utf8 = QString(decoder.decode(bytes.sliced(2))).toUtf8();
        if (!looksLikeAdx(utf8))
            bytes = utf8;
    }
    Emitter out(sink);
    if (looksLikeAdx(bytes) || (!utf8.isNull() && looksLikeAdx(utf8))) {
        readAdxInto(bytes, out);
        return false;
    }
    const qsizetype tags = readAdiInto(bytes, out);
    const qsizetype lost = countLostTags(bytes);
    return (lost >= 3 && lost > tags) || out.oneRunOnRecord();
}

ReadResult readAdif(QByteArrayView bytes) {
    Collector c;
    c.result.brokenTags = streamAdif(bytes, c.sink);
    return std::move(c.result);
}

qsizetype countRecordsAtMost(QByteArrayView bytes) {
    // In UTF-16 every sign of the markup is one byte of two, the other nought.
    const bool littleEndian = bytes.startsWith(utf16LeMark);
    const bool utf16 = littleEndian || bytes.startsWith(utf16BeMark);
    const qsizetype stride = utf16 ? 2 : 1;
    const qsizetype first = utf16 ? (littleEndian ? 2 : 3) : 0; ///< the first sign's byte
    QByteArray start;
    if (utf16) {
        QStringDecoder decoder(littleEndian ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        start =
            QString(decoder.decode(bytes.sliced(2, std::min<qsizetype>(bytes.size() - 2, 4096))))
                .toUtf8();
    }
    const bool xml = looksLikeAdx(utf16 ? QByteArrayView(start) : bytes);
    const QByteArrayView word = xml ? QByteArrayView("<RECORD") : QByteArrayView("<EOR");
    const auto *p = bytes.data();
    const qsizetype size = bytes.size();
    const qsizetype span = (word.size() - 1) * stride;
    qsizetype count = 0;
    qsizetype lastFound = -1;
    qsizetype pos = first;
    while (pos < size) {
        const void *found = std::memchr(p + pos, '<', size_t(size - pos));
        if (!found)
            break;
        const qsizetype at = static_cast<const char *>(found) - p;
        pos = at + 1;
        if ((at - first) % stride != 0 || size - at <= span)
            continue;
        bool same = true;
        for (qsizetype k = 1; k < word.size() && same; ++k) {
            const char c = p[at + k * stride];
            same = (c & ~0x20) == word[k] &&
                   (!utf16 || p[at + k * stride + (littleEndian ? 1 : -1)] == 0);
        }
        if (same) {
            ++count;
            lastFound = at;
        }
    }
    // A last record without <EOR> is a record too: there is a tag after the last <EOR>.
    const qsizetype after = lastFound < 0 ? first : lastFound + word.size() * stride;
    const bool more = after < size && std::memchr(p + after, '<', size_t(size - after));
    return xml || !more ? count : count + 1;
}

} // namespace zep::adif
