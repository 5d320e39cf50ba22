#include "core/aids/FirstNames.h"

#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"
#include "core/log/QsoLine.h"

#include <QHash>
#include <QHashFunctions>
#include <QList>

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zep {

namespace {

constexpr int callColumns = 12;
constexpr int departmentColumn = 14; // 1-based
constexpr int firstNameColumn = 17;

QByteArrayView trimBlanks(QByteArrayView text) {
    while (!text.isEmpty() && text.front() == ' ')
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == ' ')
        text.chop(1);
    return text;
}

bool holdsControlCharacter(const QString &text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20)
            return true;
    return false;
}

} // namespace

FirstNameMemory::FirstNameMemory(QString path) : path_(std::move(path)) {}

IoResult FirstNameMemory::ensureExists() {
    return ensureFileExists(path_);
}

QString FirstNameMemory::entry(const QString &call, const QString &department,
                               const QString &firstName) {
    QString line = call;
    line += QString(std::max<qsizetype>(1, callColumns - call.size() + 1), QLatin1Char(' '));
    line += department;
    line += QString(std::max<qsizetype>(1, 2 - department.size() + 1), QLatin1Char(' '));
    line += firstName;
    return line;
}

namespace {

/// One line of the memory file: where it starts and where its text ends (before CR LF).
struct LineSpan {
    qsizetype start = 0, end = 0;
};

/// The line starting at `start`, its end found by memchr.
LineSpan lineFrom(QByteArrayView bytes, qsizetype start) {
    const char *const base = bytes.data();
    const void *lf = std::memchr(base + start, '\n', size_t(bytes.size() - start));
    LineSpan span{start, lf ? static_cast<const char *>(lf) - base : bytes.size()};
    if (lf && span.end > start && base[span.end - 1] == '\r')
        --span.end;
    return span;
}

/// Calls `f(LineSpan)` for each line, cut as the memory's readers cut them: a line ends at LF,
/// one CR before it is left out, a last line without its end still counts.
template <class F> void forEachSpan(QByteArrayView bytes, F &&f) {
    qsizetype start = 0;
    while (start < bytes.size()) {
        const LineSpan span = lineFrom(bytes, start);
        f(span);
        start = bytes.indexOf('\n', span.end);
        start = start < 0 ? bytes.size() : start + 1;
    }
}

/// Calls `f(start)`, in file order, with the start of each line that begins with `first` then
/// `second`, and of each line that begins with a blank. The memory holds one call sign per line
/// from column 1, so this passes over nearly every line without cutting it: the file is looked
/// at sixteen bytes at a time for a line end followed by the wanted bytes, and a 100,000-entry
/// memory costs little more than reading it.
template <class F>
void forEachLineStartingWith(QByteArrayView bytes, char first, char second, F &&f) {
    const char *const base = bytes.data();
    const qsizetype size = bytes.size();
    const auto wanted = [&](qsizetype start) {
        return base[start] == ' ' ||
               (base[start] == first && start + 1 < size && base[start + 1] == second);
    };
    if (size > 0 && wanted(0))
        f(qsizetype(0));
    qsizetype i = 0; // the line end looked at; its line starts at i + 1
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i one = _mm_set1_epi8(first);
    const __m128i two = _mm_set1_epi8(second);
    for (; i + 18 <= size; i += 16) {
        const char *p = base + i;
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 1));
        const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 2));
        const __m128i starts =
            _mm_or_si128(_mm_and_si128(_mm_cmpeq_epi8(next, one), _mm_cmpeq_epi8(after, two)),
                         _mm_cmpeq_epi8(next, blank));
        unsigned mask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(here, lf))) &
                        unsigned(_mm_movemask_epi8(starts));
        while (mask != 0) {
            f(i + 1 + std::countr_zero(mask));
            mask &= mask - 1;
        }
    }
#endif
    for (; i + 1 < size; ++i)
        if (base[i] == '\n' && wanted(i + 1))
            f(i + 1);
}

/// Every entry whose call-sign columns hold `call`, blanks trimmed, in file order. The lookup
/// takes the last one and an update rewrites them all, so both see the same entries, even in a
/// file edited by hand (a call sign moved off column 1, a line cut short after it).
QList<LineSpan> entriesOf(QByteArrayView bytes, QByteArrayView call) {
    QList<LineSpan> found;
    const auto check = [&](const LineSpan &span) {
        const QByteArrayView line = bytes.sliced(span.start, span.end - span.start);
        if (trimBlanks(line.first(std::min<qsizetype>(callColumns, line.size()))) == call)
            found.append(span);
    };
    // A blank call sign is held by blank or empty lines, and a one-letter one by lines that
    // may end after it: a line-by-line look.
    if (call.size() < 2) {
        forEachSpan(bytes, check);
        return found;
    }
    const char *const base = bytes.data();
    const qsizetype size = bytes.size();
    const qsizetype n = call.size();
    forEachLineStartingWith(bytes, call.at(0), call.at(1), [&](qsizetype start) {
        // A line that starts with a letter holds the call sign only if it starts with all of
        // it, followed by a blank, the line end or the twelfth column: the rest is not cut.
        if (base[start] != ' ') {
            if (start + n > size || std::memcmp(base + start, call.data(), size_t(n)) != 0)
                return;
            if (start + n < size && n < callColumns && !std::memchr(" \r\n", base[start + n], 3))
                return;
        }
        check(lineFrom(bytes, start));
    });
    return found;
}

} // namespace

FirstNameLookup FirstNameMemory::find(const QString &call) const {
    FirstNameLookup found;
    QByteArray wanted;
    if (!cp1252::encode(call, wanted))
        return found; // a call sign the file cannot hold is in no entry
    const rawfile::Bytes file = rawfile::read(path_);
    if (!file.status)
        return found; // a memory that cannot be read knows nobody
    // The last entry of a call sign wins.
    const QList<LineSpan> entries = entriesOf(file.bytes, wanted);
    if (entries.isEmpty())
        return found;
    const QByteArrayView last =
        QByteArrayView(file.bytes)
            .sliced(entries.last().start, entries.last().end - entries.last().start);
    found.known = true;
    if (last.size() >= departmentColumn) {
        const QByteArrayView department = last.sliced(
            departmentColumn - 1, std::min<qsizetype>(2, last.size() - departmentColumn + 1));
        if (department != QByteArrayView("  "))
            found.department = cp1252::decode(department.toByteArray());
    }
    if (last.size() >= firstNameColumn)
        found.firstName = cp1252::decode(last.sliced(firstNameColumn - 1).toByteArray());
    return found;
}

IoResult FirstNameMemory::remember(const QString &call, const QString &department,
                                   const QString &firstName, bool unknown) {
    // A longer call sign or department would shift the columns the lookup reads; a line end
    // would split the entry in two.
    if (call.size() > callColumns || department.size() > 2)
        return IoResult::failure(QStringLiteral("Indicatif ou département trop long : le prénom "
                                                "n'est pas mémorisé."));
    if (holdsControlCharacter(call) || holdsControlCharacter(department) ||
        holdsControlCharacter(firstName))
        return IoResult::failure(QStringLiteral("Caractère de contrôle dans l'indicatif, le "
                                                "département ou le prénom : le prénom n'est pas "
                                                "mémorisé."));
    const QString line = entry(call, department, firstName);
    if (unknown)
        return appendTextLine(path_, line);

    const rawfile::RewriteStart prepared = rawfile::startRewrite(path_, line);
    if (!prepared.status)
        return prepared.status;
    const QByteArray &bytes = prepared.line;

    // Every entry the lookup could find for this call sign is replaced, so that the lookup
    // then finds the new one; the rest is copied as it is.
    const QByteArrayView all(prepared.file);
    QByteArray wanted;
    if (!cp1252::encode(call, wanted))
        return rawfile::unencodable(path_, call);
    const QList<LineSpan> entries = entriesOf(all, wanted);
    // The entry has left the file since the lookup (edited by hand): record it again.
    if (entries.isEmpty())
        return appendTextLine(path_, line);
    const bool same = std::all_of(entries.cbegin(), entries.cend(), [&](const LineSpan &span) {
        return all.sliced(span.start, span.end - span.start) == bytes;
    });
    if (same)
        return IoResult::success();

    QByteArray out;
    out.reserve(all.size() + entries.size() * bytes.size());
    qsizetype copied = 0;
    for (const LineSpan &span : entries) {
        out.append(all.sliced(copied, span.start - copied));
        out.append(bytes);
        copied = span.end;
    }
    out.append(all.sliced(copied));
    return writeBytesFile(path_, out, QStringLiteral("Temporaire.txt"));
}

namespace {

/// Why a batch cannot go into the memory (too long, a control character), or success.
IoResult refusalOf(const QList<FirstNameMemory::Entry> &entries) {
    for (const FirstNameMemory::Entry &e : entries) {
        if (e.call.size() > callColumns || e.department.size() > 2)
            return IoResult::failure(QStringLiteral("Indicatif ou département trop long (%1) : "
                                                    "les prénoms ne sont pas mémorisés.")
                                         .arg(e.call));
        if (holdsControlCharacter(e.call) || holdsControlCharacter(e.department) ||
            holdsControlCharacter(e.firstName))
            return IoResult::failure(QStringLiteral("Caractère de contrôle dans l'indicatif, le "
                                                    "département ou le prénom de %1 : les "
                                                    "prénoms ne sont pas mémorisés.")
                                         .arg(e.call));
    }
    return IoResult::success();
}

/// One call sign of a batch, with what its entries become.
struct BatchCall {
    QByteArray call;
    std::vector<LineSpan> lines; ///< its entries in the file, in file order
    QByteArray line;             ///< its new entry; empty while the batch leaves it be
    qsizetype added = -1;        ///< its place among the lines added at the end
};

/// The call signs of a batch, each once, in the order they first come.
struct Batch {
    std::vector<BatchCall> calls;
    /// A call sign's place in `calls`; the keys are views into the calls' own bytes.
    std::unordered_map<std::string_view, size_t> index;
    QList<size_t> order; ///< the call of each entry
    QList<size_t> added; ///< the calls new to the file, in the order their lines are added
};

/// The batch's call signs in the code page, or the failure for one the page cannot hold.
IoResult groupByCall(const QList<FirstNameMemory::Entry> &entries, const QString &path,
                     Batch &batch) {
    batch.calls.reserve(size_t(entries.size()));
    for (const FirstNameMemory::Entry &e : entries) {
        QByteArray call;
        if (!cp1252::encode(e.call, call))
            return rawfile::unencodable(path, e.call);
        auto it = batch.index.find(std::string_view(call.constData(), size_t(call.size())));
        if (it == batch.index.end()) {
            batch.calls.push_back({call, {}, {}, -1});
            const QByteArray &kept = batch.calls.back().call;
            it = batch.index
                     .emplace(std::string_view(kept.constData(), size_t(kept.size())),
                              batch.calls.size() - 1)
                     .first;
        }
        batch.order.append(it->second);
    }
    return IoResult::success();
}

/// The entries of the batch's call signs, as the lookup finds them: one pass over the memory,
/// with nothing made of the other lines.
void findEntries(QByteArrayView all, Batch &batch) {
    forEachSpan(all, [&](const LineSpan &span) {
        const QByteArrayView line = all.sliced(span.start, span.end - span.start);
        const QByteArrayView key =
            trimBlanks(line.first(std::min<qsizetype>(callColumns, line.size())));
        const auto it = batch.index.find(std::string_view(key.data(), size_t(key.size())));
        if (it != batch.index.end())
            batch.calls[it->second].lines.push_back(span);
    });
}

/// The department and first name an entry of the memory holds.
void fieldsOf(QByteArrayView line, QString &department, QString &firstName) {
    department.clear();
    firstName.clear();
    if (line.size() >= departmentColumn) {
        const QByteArrayView d = line.sliced(
            departmentColumn - 1, std::min<qsizetype>(2, line.size() - departmentColumn + 1));
        if (d != QByteArrayView("  "))
            department = cp1252::decode(d);
    }
    if (line.size() >= firstNameColumn)
        firstName = cp1252::decode(line.sliced(firstNameColumn - 1));
}

/// Each call's new entry, the batch's entries taken in turn, each completed by what the lookup
/// would give just before it. A call sign new to the file gets one line at the end, which the
/// following entries of the same call sign rewrite.
IoResult makeEntries(const QList<FirstNameMemory::Entry> &entries, QByteArrayView all,
                     const QString &path, Batch &batch) {
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const FirstNameMemory::Entry &e = entries.at(i);
        BatchCall &c = batch.calls[batch.order.at(i)];
        // What the lookup would give now: the last entry of the call sign.
        std::optional<QByteArrayView> known;
        if (!c.line.isEmpty())
            known = QByteArrayView(c.line);
        else if (!c.lines.empty())
            known = all.sliced(c.lines.back().start, c.lines.back().end - c.lines.back().start);
        QString department = e.department, firstName = e.firstName;
        if (known) {
            QString knownDepartment, knownFirstName;
            fieldsOf(*known, knownDepartment, knownFirstName);
            if (department.isEmpty())
                department = knownDepartment;
            if (firstName.isEmpty())
                firstName = knownFirstName;
            // A remembered value with a control character (a memory edited by hand) would be
            // refused by the validation: the entry stays as it is.
            if (holdsControlCharacter(department) || holdsControlCharacter(firstName))
                continue;
        }
        const QString text = FirstNameMemory::entry(e.call, department, firstName);
        if (!cp1252::encode(text, c.line))
            return rawfile::unencodable(path, text);
        if (!known) {
            c.added = batch.added.size();
            batch.added.append(batch.order.at(i));
        }
    }
    return IoResult::success();
}

/// Whether the batch changes the file: a new call sign, or an entry that reads otherwise.
bool changesFile(QByteArrayView all, const Batch &batch) {
    if (!batch.added.isEmpty())
        return true;
    for (const BatchCall &c : batch.calls)
        if (c.added < 0 && !c.line.isEmpty())
            for (const LineSpan &span : c.lines)
                if (all.sliced(span.start, span.end - span.start) != c.line)
                    return true;
    return false;
}

/// The file's entries rewritten in place, in file order, then the new call signs. A call
/// sign's entries other than its last are rewritten too: the lookup and the update see every
/// one of them.
QByteArray rewritten(QByteArrayView all, const Batch &batch) {
    std::vector<std::pair<LineSpan, const QByteArray *>> rewrites;
    for (const BatchCall &c : batch.calls)
        if (c.added < 0 && !c.line.isEmpty())
            for (const LineSpan &span : c.lines)
                rewrites.push_back({span, &c.line});
    std::sort(rewrites.begin(), rewrites.end(),
              [](const auto &a, const auto &b) { return a.first.start < b.first.start; });

    QByteArray out;
    out.reserve(all.size() + batch.added.size() * 40);
    qsizetype copied = 0;
    for (const auto &[span, line] : rewrites) {
        out.append(all.sliced(copied, span.start - copied));
        out.append(*line);
        copied = span.end;
    }
    out.append(all.sliced(copied));
    if (!batch.added.isEmpty()) {
        // As an append does: a last line without its end is ended first.
        if (out.endsWith('\r'))
            out.append('\n');
        else if (!out.isEmpty() && !out.endsWith('\n'))
            out.append("\r\n", 2);
        for (const size_t c : batch.added) {
            out.append(batch.calls[c].line);
            out.append("\r\n", 2);
        }
    }
    return out;
}

} // namespace

IoResult FirstNameMemory::rememberAll(const QList<Entry> &entries) {
    if (entries.isEmpty())
        return IoResult::success();
    if (IoResult refused = refusalOf(entries); !refused)
        return refused;
    Batch batch;
    if (IoResult grouped = groupByCall(entries, path_, batch); !grouped)
        return grouped;
    const rawfile::Bytes file = rawfile::read(path_);
    if (!file.status && !file.missing)
        return file.status;
    const QByteArrayView all(file.bytes);
    findEntries(all, batch);
    if (IoResult made = makeEntries(entries, all, path_, batch); !made)
        return made;
    if (!changesFile(all, batch))
        return IoResult::success();
    return writeBytesFile(path_, rewritten(all, batch), QStringLiteral("Temporaire.txt"));
}

namespace {

QStringView callFieldOf(const QString &line) {
    return QStringView(line).mid(qsocol::call - 1, qsocol::callWidth);
}

bool isDuplicate(const QString &line, const QString &call, const QString &band,
                 const QString &mode) {
    const QStringView view(line);
    return callFieldOf(line).trimmed() == call &&
           view.mid(qsocol::band - 1, qsocol::bandWidth).trimmed() == band &&
           view.mid(qsocol::mode - 1, qsocol::modeWidth).trimmed() == mode;
}

DuplicateResult duplicateOf(const QString &line) {
    DuplicateResult result;
    result.found = true;
    result.date = line.left(qsocol::dateWidth);
    result.time = line.mid(qsocol::time - 1, qsocol::timeWidth);
    result.firstName = line.mid(qsocol::firstName - 1, qsocol::firstNameWidth).trimmed();
    return result;
}

size_t callKey(QStringView call) {
    return qHash(call.trimmed());
}

} // namespace

DuplicateResult findDuplicate(const QStringList &logLines, const QString &call, const QString &band,
                              const QString &mode) {
    const QChar first = call.isEmpty() ? QChar() : call.front();
    for (const QString &line : logLines) {
        const QStringView callField = callFieldOf(line);
        // Nearly every other QSO is told apart by the first letter of its call sign, before
        // any trimming.
        if (!call.isEmpty() && !callField.isEmpty() && callField.front() != first &&
            !callField.front().isSpace())
            continue;
        if (isDuplicate(line, call, band, mode))
            return duplicateOf(line); // the first earlier QSO is the one shown
    }
    return {};
}

void DuplicateFinder::follow(const LogReading &log) {
    const auto keysOf = [](const QStringList &lines) {
        std::vector<size_t> keys;
        keys.reserve(size_t(lines.size()));
        for (const QString &line : lines)
            keys.push_back(callKey(callFieldOf(line)));
        return keys;
    };
    followLog(
        seen_, log,
        [&](const LogChange &change) {
            if (change.at + change.removed.size() > qsizetype(keys_.size()))
                return false;
            const std::vector<size_t> added = keysOf(change.added);
            const auto at = keys_.begin() + change.at;
            keys_.erase(at, at + change.removed.size());
            keys_.insert(keys_.begin() + change.at, added.begin(), added.end());
            return true;
        },
        [&](const QStringList &lines) { keys_ = keysOf(lines); });
}

DuplicateResult DuplicateFinder::find(const LogReading &log, const QString &call,
                                      const QString &band, const QString &mode) {
    follow(log);
    // Kept keys that do not stand for these lines would hide a duplicate: the lines decide.
    if (qsizetype(keys_.size()) != log.lines.size())
        return findDuplicate(log.lines, call, band, mode);
    const size_t key = callKey(QStringView(call));
    for (size_t i = 0; i < keys_.size(); ++i)
        if (keys_[i] == key && isDuplicate(log.lines.at(qsizetype(i)), call, band, mode))
            return duplicateOf(log.lines.at(qsizetype(i)));
    return {};
}

QString duplicateQuestion(const QString &call, const DuplicateResult &d, const QString &band) {
    return call + QLatin1Char(' ') + d.firstName + QStringLiteral(" Deja contacté le ") + d.date +
           QStringLiteral(" a ") + d.time + QStringLiteral(" sur ") + band +
           QStringLiteral(" Mhz. Annuler la saisie ?");
}

} // namespace zep
