#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

// Reading ADIF files as other loggers write them: the tagged text form (.adi) and the XML
// form (.adx). The reader only cuts the file into records of named values; what the values
// mean is AdifImport's business.

namespace zep::adif {

/// What an import takes at most, checked before the work: a file above 64 Mo, or one of more
/// than 500,000 records, is refused whole. A station's whole log of many years fits; a file
/// beyond is no activation's and would only fill the memory.
inline constexpr qint64 maxFileBytes = 64LL * 1024 * 1024;
inline constexpr qsizetype maxRecords = 500000;
/// How much of a value a note or a reason quotes: a 50 Mo comment is named, not copied.
inline constexpr int quotedCharacters = 80;

/// One field of a record: its name in capitals ("CALL", "APP_N1MM_EXCHANGE1") and its value
/// as the file's bytes (UTF-8 for .adx, whatever the writer used for .adi).
struct Field {
    QByteArray name;
    QByteArray value;
};

/// One record of the file, fields in file order.
struct Record {
    std::vector<Field> fields;
    int number = 0; ///< 1-based position among the records of the file
    int line = 0;   ///< line of the file where the record's first field starts
    /// The file ended before the record's <EOR> (its fields are all there).
    bool unterminated = false;
    /// Why the record cannot be taken as it stands (French), empty when it can: an XML
    /// record whose fields hold elements, which ADX does not allow.
    QString refused;

    /// The value of the first field of that name (given in capitals); null when absent.
    QByteArray value(QByteArrayView name) const;
    bool has(QByteArrayView name) const;
};

/// Something the reader met and worked around, in French, for the preview and the report.
struct ReaderNote {
    int record = 0; ///< the record it concerns, 0 for the file as a whole
    int line = 0;   ///< line of the file
    QString text;
};

struct ReadResult {
    QList<Record> records;
    QList<ReaderNote> notes;
    /// The tags of the file are broken (their "<" or the <EOR> lost by the writer): what
    /// was read is not the file's QSOs, and the file is no ADIF to import.
    bool brokenTags = false;
};

/// Receives the records one at a time, as the file is read, each with the notes about it;
/// the notes about the file as a whole go to `fileNote`. Nothing is kept between records, so a
/// file of 500,000 records never stands in memory as 500,000 records.
struct RecordSink {
    std::function<void(Record &&record, QList<ReaderNote> &&notes)> record;
    std::function<void(ReaderNote &&note)> fileNote;
    /// Asked after each record handed over (may be empty): true ends the reading there, the
    /// rest of the file unread (an operator who cancelled).
    std::function<bool()> stop = {};
};

/// Reads tagged or XML ADIF (readAdif) as a stream into `sink`; returns whether the tags are
/// broken (see ReadResult::brokenTags).
bool streamAdif(QByteArrayView bytes, const RecordSink &sink);

/// An upper bound of the records of the file, found without reading them (the "<EOR" of a
/// tagged file, and one more when a tag follows the last; the "<RECORD" of an XML one): the
/// record bound is checked before the work.
qsizetype countRecordsAtMost(QByteArrayView bytes);

/// A value as a note quotes it: at most quotedCharacters characters, "…" for the rest.
QString quoted(const QString &value);

/// Reads tagged ADIF (.adi). Takes what real writers produce: a header of free text up to
/// <EOH> or none at all (the file starts with "<"), tags in any case, type indicators, text
/// and line ends between fields, <EOR> in any case, a byte-order mark, a last record without
/// <EOR> (kept, and noted). Lengths are counted in bytes; a writer that counted the
/// characters of a UTF-8 value is recognised when the count in bytes would cut a character.
/// No length, however wrong, makes the reader look past the end of `bytes`.
ReadResult readAdi(QByteArrayView bytes);

/// Reads XML ADIF (.adx): the fields of each <RECORD> under <RECORDS>; APP and USERDEF
/// fields are named as in the tagged form (APP_<PROGRAMID>_<FIELDNAME>, the USERDEF's
/// FIELDNAME). A file that stops being well-formed keeps the records read up to that point,
/// and the reason is noted. Elements are read one at a time, never by recursion, so no depth
/// of nesting can exhaust the stack; a record whose fields hold elements is refused with its
/// reason (Record::refused).
ReadResult readAdx(QByteArrayView bytes);

/// Whether the bytes look like XML ADIF (a byte-order mark and blanks aside, "<?xml" or
/// "<ADX").
bool looksLikeAdx(QByteArrayView bytes);

/// readAdx for XML ADIF, readAdi for anything else. A file in UTF-16 with its byte-order
/// mark (as some Windows programs save) is read as the same text in UTF-8.
ReadResult readAdif(QByteArrayView bytes);

} // namespace zep::adif
