#pragma once

#include "core/adif/AdifReader.h"
#include "core/io/IoResult.h"
#include "core/log/QsoLine.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <iterator>
#include <vector>

// Bringing the records of an ADIF file into the log of a reference, in three pure steps and
// one write: the file is read (AdifReader), each record mapped to a QSO line or to the reason
// it is left out (previewImport), the accepted lines placed among the log's lines as the
// chronological insertion places them (mergedLog); then applyImport writes the log once, the
// second log of a double activation, the first-name memory once, and the report of what was
// not imported. What the preview shows is what gets written: every record ends in exactly one
// status.

namespace zep::adifimport {

enum class Status {
    ToImport,     ///< "à importer"
    AlreadyInLog, ///< "déjà dans le log": same call, band, mode, date and time
    Duplicate,    ///< "doublon": same call, band and mode; imported only when asked for
    Ignored,      ///< "ignoré", with the reason
};

/// The status as the preview and the report write it.
QString statusText(Status status);

/// What the entry window offers: the rows of the band box ("1.8", "3.5"...) and of the mode
/// box ("SSB", "CW"). An imported QSO must land on one of each.
struct Target {
    QStringList bands;
    QStringList modes;
};

/// One record of the file and what the import makes of it.
struct Item {
    int record = 0; ///< 1-based position in the file
    int line = 0;   ///< line of the file where it starts
    Status status = Status::Ignored;
    /// Why it is ignored, or which QSO of the log it repeats (French).
    QString reason;
    /// Fields cut to their columns, characters changed, what the reader worked around.
    QStringList notes;
    /// The fields as they go into the log; for an ignored record, what could be read of them
    /// (for the preview and the report).
    QsoFields fields;
    QString qsoLine;  ///< the 104-column line; empty for an ignored record
    qint64 order = 0; ///< yyyymmddhhmm of the QSO (see qsoOrderingNumber)
};

/// The items of a preview, packed one after another in one block of bytes: a file of 500,000
/// records takes a few hundred bytes per record, not the thousand and more of as many Items
/// with their strings. An item is unpacked, whole, when it is read.
class Items {
public:
    qsizetype size() const { return qsizetype(starts_.size()); }
    bool isEmpty() const { return starts_.empty(); }
    Item at(qsizetype i) const;
    Item operator[](qsizetype i) const { return at(i); }
    Item front() const { return at(0); }
    Item back() const { return at(size() - 1); }
    /// The status of item i, without unpacking it.
    Status status(qsizetype i) const { return Status(statuses_[size_t(i)]); }

    void append(const Item &item);
    void reserve(qsizetype count);

    /// Walks the items in order, each unpacked as it is reached.
    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = Item;
        using difference_type = qsizetype;
        using reference = Item;
        using pointer = void;

        const_iterator(const Items *items, qsizetype i) : items_(items), i_(i) {}
        Item operator*() const { return items_->at(i_); }
        const_iterator &operator++() {
            ++i_;
            return *this;
        }
        bool operator==(const const_iterator &other) const = default;

    private:
        const Items *items_;
        qsizetype i_;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }

private:
    QByteArray packed_;
    std::vector<qsizetype> starts_; ///< where each item starts in packed_
    std::vector<quint8> statuses_;
    /// The reasons met, each held once: thousands of records share a few reasons ("date
    /// absente"). An item's reason is packed as its number here, when it has one.
    QStringList reasons_;
    QHash<QString, int> reasonNumbers_;
};

/// The whole preview: one item per record of the file, in file order.
struct Preview {
    Items items;
    /// Reader notes about the file as a whole (not about one record).
    QStringList fileNotes;
    /// The log's bytes the preview was made against; the import refuses to go on if the log
    /// no longer holds them.
    QByteArray logBytes;

    int count(Status status) const;
    /// How many QSOs "Importer" adds: those to import, and the duplicates when asked.
    int importedCount(bool withDuplicates) const;
    /// Whether the item goes into the log.
    static bool imported(const Item &item, bool withDuplicates);
};

/// Maps every record against the log's present bytes (its Windows-1252 lines). Pure: reads
/// and writes nothing. Records of the file are compared with the log and with the records
/// accepted before them, so a QSO found twice in the file goes in once.
Preview previewImport(const adif::ReadResult &read, QByteArrayView logBytes, const Target &target);

/// A whole file's preview, or why the file is refused.
struct FilePreview {
    Preview preview;
    /// Why nothing can be imported from the file, in French for the operator; empty when the
    /// preview can be shown.
    QString refusal;
    /// The operator stopped the work: the preview is empty and nothing is to be said.
    bool cancelled = false;
};

/// How far a preview being worked out on another thread has gone, and the operator's wish to
/// stop it. The worker writes `done` and `total` and reads `cancel`; the window the reverse.
struct PreviewProgress {
    std::atomic_int done{0};  ///< records mapped
    std::atomic_int total{0}; ///< records the file holds at most; 0 while not yet known
    std::atomic_bool cancel{false};
};

/// Why a file of `size` bytes is refused before it is read (above adif::maxFileBytes), or
/// nothing.
QString sizeRefusal(const QString &fileName, qint64 size);

/// The preview of a whole ADIF file, its records read and mapped one at a time, so that what
/// stays in memory is the preview and not the records too. A file above adif::maxFileBytes or
/// of more than adif::maxRecords records is refused before the work; so is a file whose tags
/// are broken and a file without any record. `fileName` is the name the refusal gives.
FilePreview previewFile(QByteArrayView fileBytes, const QString &fileName, QByteArrayView logBytes,
                        const Target &target, PreviewProgress *progress = nullptr);

/// The preview of the ADIF file at `sourcePath` against the log at `logPath` (a missing log is
/// an empty one): the size bound checked, both files read, then previewFile. A file that cannot
/// be read is a refusal with the reader's French message. Reads and nothing else, so it may run
/// on a worker thread; `progress` (may be null) follows it and stops it.
FilePreview previewFiles(const QString &sourcePath, const QString &logPath, const Target &target,
                         PreviewProgress *progress = nullptr);

/// The log's new bytes: the imported QSOs placed as the chronological insertion would place
/// them, entered one after the other in time order, so that QSOs of the same minute keep the
/// file's order. Every line ends with CR LF.
QByteArray mergedLog(const Preview &preview, bool withDuplicates);

/// The text file written beside the log after an import (Windows-1252, CR LF): the counts,
/// the reader's notes and one line per record not imported, with its status and reason.
QByteArray report(const Preview &preview, bool withDuplicates, const QString &sourceFile,
                  const QString &reference, const QDateTime &when);

/// "<reference>_import_<aaaammjj_hhmm>.txt".
QString reportFileName(const QString &reference, const QDateTime &when);

/// Where the import writes.
struct Files {
    QString log;
    QString secondLog; ///< empty for a single activation
    QString firstNames;
    QString report;
};

struct Outcome {
    /// False when the log could not be written: nothing was imported.
    bool imported = false;
    int count = 0; ///< QSOs added to the log
    /// Every problem met, in French, for the operator (empty when all went well).
    QStringList messages;
};

/// Writes the import the preview shows: the log once (through the scratch file), the second
/// log made an exact copy of it, the first-name memory once (updated as a validation of each
/// QSO would update it), then the report. Nothing is written if the log changed since the
/// preview or cannot be read.
Outcome applyImport(const Preview &preview, bool withDuplicates, const Files &files,
                    const QString &sourceFile, const QString &reference, const QDateTime &when);

/// Text from the file as the program's code page can hold it: UTF-8 when the bytes are
/// valid UTF-8, Windows-1252 otherwise; characters the page cannot hold take their nearest
/// form ("Ł" -> "L", "ő" -> "o"), "?" when there is none, and control characters become blanks.
QString windows1252Text(QByteArrayView bytes);

} // namespace zep::adifimport
