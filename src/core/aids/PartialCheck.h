#pragma once

#include "core/io/IoResult.h"
#include "core/log/LogJournal.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <string_view>
#include <vector>

namespace zep {

/// The contest call-sign list "MASTER.SCP": one call sign per line, "#" starting a comment line.
namespace masterscp {

inline const QString fileName = QStringLiteral("MASTER.SCP");
/// Where the hamradio-files package puts the list.
inline const QString systemPath = QStringLiteral("/usr/share/hamradio-files/MASTER.SCP");

/// The list the program reads: the operator's own in the program directory when there is one,
/// else the system's (which may be missing too).
QString path(const QString &programDir, const QString &system = systemPath);

/// The largest list accepted (8 Mo) and the most call signs it may hold (500,000): the list of
/// contest calls holds under 100,000 in under 1 Mo. Past them the index would take seconds and
/// hundreds of Mo to build.
inline constexpr qint64 largestFile = 8ll * 1024 * 1024;
inline constexpr qsizetype mostCalls = 500000;

/// A list checked line by line: its call signs, or the first line that is not one.
struct Check {
    bool ok = true;
    int badLine = 0; ///< 1-based number of the first refused line
    QString message; ///< the French refusal naming that line
    QList<QByteArray> calls;
};
/// One call sign per line: 1 to 12 capitals, digits or "/", blanks around it left out; empty
/// lines and lines starting with "#" are skipped, and so is a UTF-8 byte-order mark at the
/// start. `strict` refuses the list at its first other line or past `mostCalls` call signs;
/// otherwise such lines are skipped and the first `mostCalls` calls kept (a list read at start
/// never stops the entry).
Check check(QByteArrayView bytes, bool strict = true);

/// Checks the file `chosen` and copies it as MASTER.SCP into the program directory, through the
/// crash-safe path (without a byte-order mark). A file over `largestFile` is refused before it
/// is read. A refused or unreadable file leaves the directory as it was. Safe on a worker
/// thread.
IoResult install(const QString &programDir, const QString &chosen);

} // namespace masterscp

/// What the partial check is built from: the contest list, the first-name memory and the log.
struct PartialCheckSources {
    QList<QByteArray> scpCalls;
    QByteArray memoryBytes; ///< Liste_Prenom.txt as read (entries as FirstNameMemory holds them)
    LogReading log;
};

/// One call sign offered while the call sign is typed.
struct KnownCall {
    enum class Source { Log, Memory, Scp };
    QString call;
    Source source = Source::Scp;
    /// "14 SSB, 7 CW": where it was worked in this activation (Log only).
    QString worked;
    /// Worked on the band and mode asked for: the duplicate question would be put.
    bool duplicate = false;
    QString department, firstName; ///< what the memory holds (Log and Memory)
};

/// The index behind "Indicatifs connus": every distinct call sign of the log, the first-name
/// memory and MASTER.SCP, with n-gram postings for substring search and a deletion
/// neighbourhood for the calls at one character's distance. Calls added after the build (new
/// stations logged) are kept apart and scanned directly, a few hundred at most in a session.
/// The index follows the log by its changes (followLog); a changed memory or list is a new
/// build, made off the window's thread. A built index has room for `headroom` more calls, so
/// that following the log never grows its tables on the window's thread, and it never builds
/// its postings again by itself: its owner asks for a new build once `scanned()` calls have
/// none.
class PartialCheckIndex {
public:
    static constexpr int listSize = 20;
    /// Calls a session may add before the index's tables grow.
    static constexpr qsizetype headroom = 8192;

    /// Builds the index; `cancel`, when it turns true, cuts the build short (the result is then
    /// empty). Safe to run on a worker thread: it touches nothing but its arguments.
    static PartialCheckIndex build(const PartialCheckSources &sources,
                                   const std::atomic_bool *cancel = nullptr);

    /// Takes the log's changes since the version the index last saw.
    void followLog(const LogReading &log);
    /// Takes what a validation recorded in the first-name memory for `call` (its entry now
    /// holds these values), so that the memory need not be read and indexed again.
    void remember(const QString &call, const QString &department, const QString &firstName);
    quint64 logVersion() const { return logSeen_; }

    /// Up to `limit` call signs containing `typed` (from its second character): worked in this
    /// activation first, then those of the first-name memory, then MASTER.SCP, each group in
    /// alphabetical order. `band` and `mode` decide the duplicate flag.
    QList<KnownCall> search(QStringView typed, QStringView band, QStringView mode,
                            int limit = listSize) const;
    /// Up to `limit` call signs at one character's distance from `typed` (one changed, added
    /// or removed), in the same order.
    QList<KnownCall> neighbours(QStringView typed, QStringView band, QStringView mode,
                                int limit = listSize) const;

    qsizetype callCount() const { return qsizetype(calls_.size()); }
    /// Calls added since the build, without postings: each search scans them one by one.
    qsizetype scanned() const { return qsizetype(calls_.size() - indexed_); }

private:
    struct Call {
        quint32 start = 0; ///< in text_
        quint16 size = 0;
        bool scp = false;
        qint32 memory = -1; ///< index in memory_
        quint32 logged = 0; ///< QSOs in the log
    };
    struct Memory {
        QString department, firstName;
    };
    struct Worked {
        QString band, mode;
        int count = 0;
    };

    std::string_view text(quint32 id) const {
        return {text_.data() + calls_[id].start, calls_[id].size};
    }
    quint32 intern(std::string_view call);
    void addLogLine(const QString &line, int delta);
    void rebuildPostings(const std::atomic_bool *cancel);
    /// Numbers the calls in alphabetical order, so that postings list them in that order;
    /// before the log is counted.
    void orderCalls();
    void growSlots(size_t calls);
    void rehash(size_t size);
    int group(quint32 id) const { return groups_[id]; }
    /// Works out the group of `id` again after its call changed.
    void regroup(quint32 id);
    KnownCall describe(quint32 id, QStringView band, QStringView mode) const;
    /// The first `limit` of `ids` by group, then alphabetically. Its first `inOrder` ids are
    /// indexed calls in increasing order (so alphabetical); the others may come in any order.
    QList<KnownCall> ranked(const std::vector<quint32> &ids, size_t inOrder, QStringView band,
                            QStringView mode, int limit) const;

    std::string text_;        ///< every call sign, one after the other
    std::vector<Call> calls_; ///< by id
    /// By id, the group a search ranks the call in (0 the log's, 1 the memory's, 2 the list's,
    /// -1 none): a search reads it for thousands of calls, which it finds close together here.
    std::vector<qint8> groups_;
    std::vector<quint32> slots_; ///< open-addressing table of id + 1 by call text (0: free)
    std::vector<Memory> memory_;
    QHash<quint32, std::vector<Worked>> worked_;
    quint64 logSeen_ = 0;

    quint32 indexed_ = 0; ///< ids below this are in the postings; the others are scanned
    std::vector<quint32> bigramStart_, bigrams_;
    std::vector<quint32> trigramStart_, trigrams_;
    std::vector<quint32> variantStart_, variants_;
};

} // namespace zep
