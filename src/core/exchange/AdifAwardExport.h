#pragma once

#include "core/adif/ReferenceShapes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QStringView;

// The ADIF 3 file for award sites and QSL services: one file per reference of the activation,
// every record naming the activating station, its award programme and reference, and whatever
// the program knows of the station worked (DXCC entity, subdivision, partner reference).
//
// The file is ASCII: a free text line, the header fields, "<EOH>", then one record per QSO
// line of the log, each on a line of its own, every line ended by CR LF. Field names are in
// capitals, every value is written with its length in bytes.

namespace zep::adif3 {

/// What the file says of the activating station and its reference.
struct Station {
    QString headerText;  ///< first line of the file (a default one when blank)
    QString stationCall; ///< STATION_CALLSIGN: the activator's call sign
    /// OPERATOR: the logger, or the activator when there is none; written as the operator's
    /// home call ("F4ABC" for "F4ABC/P" or "EA8/F4ABC"), as the award programmes ask.
    QString operatorCall;
    QString programme; ///< MY_SIG ("DFCF"); left out when blank
    /// MY_SIG_INFO ("DFCF 76054"); a WWFF, POTA or SOTA reference also gives MY_WWFF_REF,
    /// MY_POTA_REF or MY_SOTA_REF.
    QString reference;
    QString gridSquare; ///< MY_GRIDSQUARE, already checked by `gridSquare`; left out when blank
    QDateTime created;  ///< CREATED_TIMESTAMP, taken in UTC
};

/// The locator of the station worked (GRIDSQUARE, "JO62"), from its log line, when the
/// program knows it.
using GridOf = std::function<std::optional<QByteArray>(QByteArrayView qsoLine)>;

/// The fields the operator may leave out of the records.
struct Contents {
    bool names = true;    ///< NAME, the first name
    bool comments = true; ///< COMMENT, the remarks
    /// SIG and SIG_INFO (and WWFF_REF, POTA_REF or SOTA_REF) from a reference in the remarks
    bool partnerReferences = true;
    /// DXCC, COUNTRY and STATE. A French call sign with department 2A or 2B is in Corsica, a
    /// Corsican one with a department of France in France; a maritime or aeronautical mobile
    /// (".../MM", ".../AM") is in no entity: DXCC 0, no COUNTRY or STATE.
    bool countries = true;
    /// GRIDSQUARE, for the QSOs whose locator is known (none without it). A large log is
    /// written in stretches side by side: it may be called from several threads at once.
    GridOf gridOf;
};

/// The ADIF DXCC entity of the station worked, from its call sign (ASCII); 0 when unknown.
using EntityOf = std::function<int(QByteArrayView call)>;
/// The frequency of a QSO in MHz, from its log line, when the program knows it.
using FrequencyOf = std::function<std::optional<double>(QByteArrayView qsoLine)>;

struct Document {
    /// The file's content: the header and the records, in pieces written one after the other
    /// (a large log is written in stretches side by side; `writeBytesFile` takes them as they
    /// are).
    QList<QByteArray> pieces;
    /// The pieces joined.
    QByteArray bytes() const;
    int records = 0;      ///< QSOs written
    int unknownModes = 0; ///< records whose mode ADIF does not know (written as typed)
    /// 1-based positions in the log of the QSO lines left out: no call sign, a date or time
    /// that is no real date or time, or a band ADIF cannot name. Award sites refuse such
    /// records, and a record without them would say something false.
    QList<int> skippedLines;
};

/// The first line proposed for the file of a reference.
QString defaultHeaderText(const QString &call, const QString &reference);

/// The free text line, then ADIF_VER, PROGRAMID, PROGRAMVERSION, CREATED_TIMESTAMP and <EOH>.
QByteArray header(const Station &station);

/// The header and the records of every QSO line of `log` (the activity log's bytes; blank
/// lines are no QSOs). Without `frequencyOf` no record has a FREQ; a frequency outside the
/// band of its QSO line is not written. A large log is written in stretches side by side:
/// `entityOf` and `frequencyOf` may be called from several threads at once.
Document document(const Station &station, const Contents &contents, QByteArrayView log,
                  const EntityOf &entityOf, const FrequencyOf &frequencyOf = {});

/// Takes the file's pieces in order; false stops the making of the rest.
using Sink = std::function<bool(QByteArray piece)>;

/// The same file handed to `sink` piece by piece as it is made, the header first: a large log's
/// file is written while its later records are still being made. The document returned has
/// the counts and no pieces. When `sink` refuses a piece, the rest is neither made nor handed
/// on, and the counts are those of what was made.
Document document(const Station &station, const Contents &contents, QByteArrayView log,
                  const EntityOf &entityOf, const FrequencyOf &frequencyOf, const Sink &sink);

/// The award programme a reference belongs to: the letters that start it, in capitals
/// ("DFCF" for "DFCF 76054" or "dfcf-21-001"); empty when it starts with no letter.
QString programmeOf(const QString &reference);

/// The programmes whose references have a shape and ADIF fields of their own.
using adif::Scheme;
/// The scheme a reference's shape says it belongs to (blanks around and case ignored).
Scheme schemeOf(const QString &reference);

/// The MY_SIG proposed for a reference: "WWFF", "POTA" or "SOTA" as these programmes name
/// themselves, else the letters of the reference (`programmeOf`).
QString defaultProgramme(const QString &reference);

/// The operator's home call in capitals: the part of a call sign between its "/" that is a
/// call sign itself ("F4ABC" for "F4ABC/P", "EA8/F4ABC", "F/ON4ABC/P").
QString homeCall(const QString &call);

/// The reference of the station worked, when the remarks hold one of the same programme as
/// `ownReference`, as a word of its own. For a WWFF, POTA or SOTA reference, a word of that
/// shape, written as found; otherwise `letters`, an optional blank or hyphen and the number's
/// digits (hyphens between them allowed: "DFCF 27015", "DFCF-27-015", "DFCF27015"), written
/// as ours is spelt ("DFCF 27015" for all three when ours is "DFCF 76054"). A word shaped like
/// a call sign ("F5XYZ") is none; with letters of one or two, the number has as many digits as
/// ours. A mention of `ownReference` itself, however spelt (blanks and hyphens ignored), is no
/// partner.
std::optional<QByteArray> partnerReference(QByteArrayView remarks, QByteArrayView letters,
                                           QByteArrayView ownReference);

/// A Maidenhead locator of 2, 4, 6 or 8 characters as ADIF writes it ("JN18du"), from what
/// the operator typed (blanks and case ignored); nothing when it is no locator.
std::optional<QString> gridSquare(QStringView typed);

/// The activation date (jj/mm/aa, or jj/mm/aaaa) as a date; years 00-49 are 2000-2049,
/// 50-99 are 1950-1999, as for the QSOs. Invalid when it is no date.
QDate activationDay(const QString &date);

/// The name proposed in the save dialog: "<call> @ <reference> <aaaammjj>.adi", the form the
/// award managers ask for, with every character that a file name cannot hold ("/" of a
/// portable call sign, "\", ":", "*", "?", quotes, "<", ">", "|", control characters)
/// replaced by "-". Without a valid date, "<call> @ <reference>.adi".
QString proposedFileName(const QString &call, const QString &reference, const QDate &day);

/// The closing message's lines on the QSOs left out (empty when none was): how many, and the
/// first line numbers.
QString skippedNote(const QList<int> &skippedLines);

} // namespace zep::adif3
