#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <vector>

// Reading ADIF files as other loggers write them: the tagged text form (.adi) and the XML
// form (.adx). The reader only cuts the file into records of named values; what the values
// mean is AdifImport's business.

namespace zep::adif {

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
};

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
/// and the reason is noted.
ReadResult readAdx(QByteArrayView bytes);

/// Whether the bytes look like XML ADIF (a byte-order mark and blanks aside, "<?xml" or
/// "<ADX").
bool looksLikeAdx(QByteArrayView bytes);

/// readAdx for XML ADIF, readAdi for anything else.
ReadResult readAdif(QByteArrayView bytes);

} // namespace zep::adif
