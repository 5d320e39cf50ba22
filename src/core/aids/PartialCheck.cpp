#include "core/aids/PartialCheck.h"

#include "core/io/ProgramDirectory.h"
#include "core/io/TextFile.h"
#include "core/log/ActivityLog.h"
#include "core/log/QsoLine.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <array>
#include <numeric>

namespace zep {

namespace {

constexpr int longestCall = 12; // the log's call-sign columns

bool callCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/';
}

QByteArrayView trimmed(QByteArrayView text) {
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.chop(1);
    return text;
}

quint32 fnv(std::string_view text, qsizetype skip = -1) {
    quint32 h = 2166136261u;
    for (qsizetype i = 0; i < qsizetype(text.size()); ++i) {
        if (i == skip)
            continue;
        h ^= quint8(text[size_t(i)]);
        h *= 16777619u;
    }
    return h;
}

quint32 spread(quint32 h, int bits) {
    return (h * 0x9E3779B1u) >> (32 - bits);
}

constexpr int trigramBits = 16;

quint32 bigramKey(const char *p) {
    return quint32(quint8(p[0])) << 8 | quint8(p[1]);
}

quint32 trigramKey(const char *p) {
    return spread(quint32(quint8(p[0])) << 16 | quint32(quint8(p[1])) << 8 | quint8(p[2]),
                  trigramBits);
}

/// One changed, added or removed character between `a` and `b`, never none.
bool oneApart(std::string_view a, std::string_view b) {
    if (a.size() > b.size())
        std::swap(a, b);
    if (b.size() - a.size() > 1)
        return false;
    size_t i = 0;
    while (i < a.size() && a[i] == b[i])
        ++i;
    if (a.size() == b.size())
        return i < a.size() && a.substr(i + 1) == b.substr(i + 1);
    return a.substr(i) == b.substr(i + 1);
}

/// The call sign of a QSO line, as the index keeps it.
QByteArray callOfLine(const QString &line) {
    return QStringView(line).mid(qsocol::call - 1, qsocol::callWidth).trimmed().toLatin1();
}

std::string_view view(const QByteArray &bytes) {
    return {bytes.constData(), size_t(bytes.size())};
}

/// Postings in one block: the ids of bucket k are items[start[k] .. start[k + 1]). `keys(id,
/// out)` gives the buckets of one id, each once.
template <class Keys>
void fillPostings(quint32 ids, size_t buckets, std::vector<quint32> &start,
                  std::vector<quint32> &items, Keys &&keys) {
    start.assign(buckets + 1, 0);
    std::vector<quint32> own;
    for (quint32 id = 0; id < ids; ++id) {
        keys(id, own);
        for (const quint32 k : own)
            ++start[k + 1];
    }
    for (size_t k = 0; k < buckets; ++k)
        start[k + 1] += start[k];
    items.resize(start[buckets]);
    std::vector<quint32> next(start.begin(), start.end() - 1);
    for (quint32 id = 0; id < ids; ++id) {
        keys(id, own);
        for (const quint32 k : own)
            items[next[k]++] = id;
    }
}

void unique(std::vector<quint32> &keys) {
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
}

} // namespace

// ---------------------------------------------------------------------------------------------
// MASTER.SCP

QString masterscp::path(const QString &programDir, const QString &system) {
    const QString own = dataFile(programDir, fileName);
    return fileExists(own) ? own : system;
}

namespace {

/// What some editors put before the first line of a text saved as UTF-8.
constexpr QByteArrayView byteOrderMark("\xEF\xBB\xBF");

QByteArrayView withoutMark(QByteArrayView bytes) {
    return bytes.startsWith(byteOrderMark) ? bytes.sliced(byteOrderMark.size()) : bytes;
}

QString grouped(qint64 n) {
    return QLocale(QLocale::French, QLocale::France).toString(n);
}

} // namespace

masterscp::Check masterscp::check(QByteArrayView bytes, bool strict) {
    Check result;
    int number = 0;
    rawfile::forEachLine(withoutMark(bytes), [&](QByteArrayView line) {
        ++number;
        if (!result.ok)
            return;
        const QByteArrayView call = trimmed(line);
        if (call.isEmpty() || call.front() == '#')
            return;
        const bool good =
            call.size() <= longestCall && std::all_of(call.begin(), call.end(), callCharacter);
        if (good && result.calls.size() < mostCalls) {
            result.calls.append(call.toByteArray());
            return;
        }
        if (!strict)
            return;
        result.ok = false;
        result.badLine = number;
        result.calls.clear();
        if (good) {
            result.message = QStringLiteral("Ce fichier contient plus de %1 indicatifs : c'est "
                                            "plus qu'une liste MASTER.SCP n'en contient.")
                                 .arg(grouped(mostCalls));
            return;
        }
        // The line is shown as the file holds it, as far as it can be read.
        const QString shown = QString::fromLatin1(line.first(std::min<qsizetype>(line.size(), 40)));
        result.message = QStringLiteral("Ce fichier n'est pas une liste MASTER.SCP : la ligne %1 "
                                        "(« %2 ») n'est pas un indicatif seul (lettres "
                                        "majuscules, chiffres et « / », 12 caractères au plus).")
                             .arg(number)
                             .arg(shown);
    });
    return result;
}

IoResult masterscp::install(const QString &programDir, const QString &chosen) {
    const QString shown = QFileInfo(chosen).fileName();
    const QString notUpdated = QStringLiteral("\nMASTER.SCP n'est pas mis à jour.");
    QFile file(chosen);
    // Only so much is read: a file too large, or a device that never ends, is refused unread.
    if (!QFileInfo(chosen).isFile() || !file.open(QIODevice::ReadOnly))
        return IoResult::failure(
            QStringLiteral("Impossible de lire le fichier \"%1\".").arg(shown) + notUpdated);
    if (file.size() > largestFile)
        return IoResult::failure(QStringLiteral("Le fichier \"%1\" fait plus de %2 Mo : c'est "
                                                "trop pour une liste MASTER.SCP.")
                                     .arg(shown)
                                     .arg(largestFile / (1024 * 1024)) +
                                 notUpdated);
    QByteArray bytes = file.read(largestFile + 1);
    if (file.error() != QFileDevice::NoError)
        return IoResult::failure(QStringLiteral("Impossible de lire le fichier \"%1\" : %2.")
                                     .arg(shown, file.errorString()) +
                                 notUpdated);
    if (bytes.size() > largestFile)
        return IoResult::failure(QStringLiteral("Le fichier \"%1\" fait plus de %2 Mo : c'est "
                                                "trop pour une liste MASTER.SCP.")
                                     .arg(shown)
                                     .arg(largestFile / (1024 * 1024)) +
                                 notUpdated);
    const Check checked = check(bytes);
    if (!checked.ok)
        return IoResult::failure(checked.message);
    if (checked.calls.isEmpty())
        return IoResult::failure(
            QStringLiteral("Le fichier \"%1\" ne contient aucun indicatif : MASTER.SCP n'est pas "
                           "mis à jour.")
                .arg(chosen));
    if (bytes.startsWith(byteOrderMark))
        bytes.remove(0, byteOrderMark.size());
    return writeBytesFile(dataFile(programDir, fileName), bytes, QStringLiteral("Temporaire.txt"));
}

// ---------------------------------------------------------------------------------------------
// The index

void PartialCheckIndex::growSlots(size_t calls) {
    size_t size = std::max<size_t>(1024, slots_.size());
    while (size < 2 * (calls + 1))
        size *= 2;
    if (size != slots_.size())
        rehash(size);
}

void PartialCheckIndex::rehash(size_t size) {
    std::vector<quint32> grown(size, 0);
    const size_t mask = grown.size() - 1;
    for (quint32 id = 0; id < calls_.size(); ++id) {
        size_t at = fnv(text(id)) & mask;
        while (grown[at] != 0)
            at = (at + 1) & mask;
        grown[at] = id + 1;
    }
    slots_.swap(grown);
}

void PartialCheckIndex::orderCalls() {
    std::vector<quint32> order(calls_.size());
    std::iota(order.begin(), order.end(), quint32(0));
    std::sort(order.begin(), order.end(),
              [this](quint32 a, quint32 b) { return text(a) < text(b); });
    std::string text;
    text.reserve(text_.size());
    std::vector<Call> calls;
    calls.reserve(calls_.size());
    for (const quint32 id : order) {
        Call c = calls_[id];
        c.start = quint32(text.size());
        text.append(this->text(id));
        calls.push_back(c);
    }
    // Called before the log's QSOs are counted: no call has any yet.
    Q_ASSERT(worked_.isEmpty());
    text_.swap(text);
    calls_.swap(calls);
    for (quint32 id = 0; id < calls_.size(); ++id)
        regroup(id);
    rehash(slots_.size());
}

quint32 PartialCheckIndex::intern(std::string_view call) {
    if (slots_.size() < 2 * (calls_.size() + 1))
        growSlots(calls_.size() + 1);
    const size_t mask = slots_.size() - 1;
    size_t at = fnv(call) & mask;
    while (slots_[at] != 0) {
        if (text(slots_[at] - 1) == call)
            return slots_[at] - 1;
        at = (at + 1) & mask;
    }
    const auto id = quint32(calls_.size());
    calls_.push_back({quint32(text_.size()), quint16(call.size()), false, -1, 0});
    groups_.push_back(-1);
    text_.append(call);
    slots_[at] = id + 1;
    return id;
}

void PartialCheckIndex::remember(const QString &call, const QString &department,
                                 const QString &firstName) {
    const QByteArray bytes = call.trimmed().toLatin1();
    if (bytes.isEmpty())
        return;
    const quint32 id = intern(view(bytes));
    Memory m{department.trimmed(), firstName.trimmed()};
    Call &c = calls_[id];
    if (c.memory >= 0) {
        memory_[size_t(c.memory)] = std::move(m);
    } else {
        c.memory = qint32(memory_.size());
        memory_.push_back(std::move(m));
    }
    regroup(id);
}

void PartialCheckIndex::addLogLine(const QString &line, int delta) {
    const QByteArray call = callOfLine(line);
    if (call.isEmpty())
        return;
    const QString band = line.mid(qsocol::band - 1, qsocol::bandWidth).trimmed();
    const QString mode = line.mid(qsocol::mode - 1, qsocol::modeWidth).trimmed();
    const quint32 id = intern(view(call));
    Call &c = calls_[id];
    if (delta < 0 && c.logged == 0)
        return; // a line the index never counted
    c.logged = quint32(qint64(c.logged) + delta);
    regroup(id);
    std::vector<Worked> &worked = worked_[id];
    const auto it = std::find_if(worked.begin(), worked.end(),
                                 [&](const Worked &w) { return w.band == band && w.mode == mode; });
    if (it != worked.end())
        it->count = std::max(0, it->count + delta);
    else if (delta > 0)
        worked.push_back({band, mode, delta});
}

void PartialCheckIndex::rebuildPostings(const std::atomic_bool *cancel) {
    const auto stopped = [cancel] { return cancel && cancel->load(); };
    const auto ids = quint32(calls_.size());
    indexed_ = 0;
    // The keys of a call's n-grams, each once.
    const auto gramsOf = [this](size_t n, quint32 (*key)(const char *)) {
        return [this, n, key](quint32 id, std::vector<quint32> &out) {
            out.clear();
            const std::string_view t = text(id);
            for (size_t i = 0; i + n <= t.size(); ++i)
                out.push_back(key(t.data() + i));
            unique(out);
        };
    };
    fillPostings(ids, 1 << 16, bigramStart_, bigrams_, gramsOf(2, bigramKey));
    if (stopped())
        return;
    fillPostings(ids, 1 << trigramBits, trigramStart_, trigrams_, gramsOf(3, trigramKey));
    if (stopped())
        return;
    // Each call under itself and under each of its one-letter deletions: two calls one
    // character apart share one of these (the changed letter removed from both, or the added
    // one from the longer), and the few other sharers are told apart by a direct comparison.
    size_t variants = 0;
    for (quint32 id = 0; id < ids; ++id)
        variants += calls_[id].size + 1u;
    int bits = 10;
    while (bits < 24 && (size_t(1) << bits) < variants)
        ++bits;
    fillPostings(ids, size_t(1) << bits, variantStart_, variants_,
                 [&](quint32 id, std::vector<quint32> &out) {
                     out.clear();
                     const std::string_view t = text(id);
                     out.push_back(spread(fnv(t), bits));
                     for (qsizetype i = 0; i < qsizetype(t.size()); ++i)
                         out.push_back(spread(fnv(t, i), bits));
                     unique(out);
                 });
    if (stopped())
        return;
    indexed_ = ids;
}

PartialCheckIndex PartialCheckIndex::build(const PartialCheckSources &sources,
                                           const std::atomic_bool *cancel) {
    PartialCheckIndex index;
    for (const QByteArray &call : sources.scpCalls)
        index.calls_[index.intern(view(call))].scp = true;
    if (cancel && cancel->load())
        return {};

    // The memory as its lookup reads it: call sign in the first 12 columns, the last entry of
    // a call sign wins.
    rawfile::forEachLine(sources.memoryBytes, [&](QByteArrayView line) {
        const QByteArrayView call = trimmed(line.first(std::min<qsizetype>(12, line.size())));
        if (call.isEmpty())
            return;
        Memory m;
        if (line.size() >= 14) {
            const QByteArrayView d = line.sliced(13, std::min<qsizetype>(2, line.size() - 13));
            if (d != QByteArrayView("  "))
                m.department = cp1252::decode(d).trimmed();
        }
        if (line.size() >= 17)
            m.firstName = cp1252::decode(line.sliced(16)).trimmed();
        Call &c = index.calls_[index.intern({call.data(), size_t(call.size())})];
        if (c.memory >= 0) {
            index.memory_[size_t(c.memory)] = std::move(m);
        } else {
            c.memory = qint32(index.memory_.size());
            index.memory_.push_back(std::move(m));
        }
    });
    if (cancel && cancel->load())
        return {};

    // Every call numbered in alphabetical order before the log's QSOs are counted by call.
    for (const QString &line : sources.log.lines)
        if (const QByteArray call = callOfLine(line); !call.isEmpty())
            index.intern(view(call));
    index.orderCalls();
    if (cancel && cancel->load())
        return {};
    for (const QString &line : sources.log.lines)
        index.addLogLine(line, 1);
    index.logSeen_ = sources.log.version;
    index.rebuildPostings(cancel);
    if (cancel && cancel->load())
        return {};
    // Room for the session's new stations, made here rather than at a validation.
    const size_t more = size_t(headroom);
    index.growSlots(index.calls_.size() + more);
    index.calls_.reserve(index.calls_.size() + more);
    index.groups_.reserve(index.groups_.size() + more);
    index.text_.reserve(index.text_.size() + more * longestCall);
    index.memory_.reserve(index.memory_.size() + more);
    index.worked_.reserve(index.worked_.size() + qsizetype(more));
    return index;
}

void PartialCheckIndex::followLog(const LogReading &log) {
    followLogLines(
        logSeen_, log, [this](const QString &line, int delta) { addLogLine(line, delta); },
        [this] {
            worked_.clear();
            for (quint32 id = 0; id < calls_.size(); ++id) {
                calls_[id].logged = 0;
                regroup(id);
            }
        });
}

void PartialCheckIndex::regroup(quint32 id) {
    const Call &c = calls_[id];
    groups_[id] = c.logged > 0 ? 0 : c.memory >= 0 ? 1 : c.scp ? 2 : -1;
}

KnownCall PartialCheckIndex::describe(quint32 id, QStringView band, QStringView mode) const {
    KnownCall k;
    const std::string_view t = text(id);
    k.call = QString::fromLatin1(t.data(), qsizetype(t.size()));
    const Call &c = calls_[id];
    k.source = c.logged > 0    ? KnownCall::Source::Log
               : c.memory >= 0 ? KnownCall::Source::Memory
                               : KnownCall::Source::Scp;
    if (c.memory >= 0) {
        k.department = memory_[size_t(c.memory)].department;
        k.firstName = memory_[size_t(c.memory)].firstName;
    }
    if (c.logged > 0) {
        QStringList where;
        static const std::vector<Worked> none;
        const auto found = worked_.constFind(id);
        // Read in place: a copy of the bands and modes for each call shown is not needed.
        for (const Worked &w : found != worked_.cend() ? *found : none) {
            if (w.count <= 0)
                continue;
            where << w.band + QLatin1Char(' ') + w.mode;
            if (w.band == band && w.mode == mode)
                k.duplicate = true;
        }
        k.worked = where.join(QStringLiteral(", "));
    }
    return k;
}

QList<KnownCall> PartialCheckIndex::ranked(const std::vector<quint32> &ids, size_t inOrder,
                                           QStringView band, QStringView mode, int limit) const {
    const size_t kept = size_t(std::max(0, limit));
    // Among the calls in order, the first `kept` of each group are all that can be shown;
    // once the log's group has them, no later call can.
    std::vector<quint32> candidates;
    candidates.reserve(std::min(ids.size(), 3 * kept + (ids.size() - inOrder)));
    std::array<size_t, 3> taken{};
    for (size_t i = 0; i < inOrder && taken[0] < kept; ++i) {
        const int g = group(ids[i]);
        if (g >= 0 && taken[size_t(g)] < kept) {
            ++taken[size_t(g)];
            candidates.push_back(ids[i]);
        }
    }
    for (size_t i = inOrder; i < ids.size(); ++i)
        if (group(ids[i]) >= 0)
            candidates.push_back(ids[i]);
    const auto before = [this](quint32 a, quint32 b) {
        const int ga = group(a), gb = group(b);
        return ga != gb ? ga < gb : text(a) < text(b);
    };
    const size_t shown = std::min(candidates.size(), kept);
    std::partial_sort(candidates.begin(), candidates.begin() + qsizetype(shown), candidates.end(),
                      before);
    QList<KnownCall> out;
    out.reserve(qsizetype(shown));
    for (size_t i = 0; i < shown; ++i)
        out.append(describe(candidates[i], band, mode));
    return out;
}

QList<KnownCall> PartialCheckIndex::search(QStringView typed, QStringView band, QStringView mode,
                                           int limit) const {
    const QByteArray wanted = typed.toLatin1();
    const std::string_view q = view(wanted);
    if (q.size() < 2)
        return {};
    std::vector<quint32> ids;
    if (indexed_ > 0) {
        if (q.size() == 2) {
            // Every call in the bigram's postings contains the two characters.
            const quint32 k = bigramKey(q.data());
            ids.assign(bigrams_.begin() + bigramStart_[k], bigrams_.begin() + bigramStart_[k + 1]);
        } else {
            // The rarest trigram of the text, its calls then compared whole.
            quint32 best = trigramKey(q.data());
            for (size_t i = 1; i + 2 < q.size(); ++i) {
                const quint32 k = trigramKey(q.data() + i);
                if (trigramStart_[k + 1] - trigramStart_[k] <
                    trigramStart_[best + 1] - trigramStart_[best])
                    best = k;
            }
            for (quint32 at = trigramStart_[best]; at < trigramStart_[best + 1]; ++at)
                if (text(trigrams_[at]).find(q) != std::string_view::npos)
                    ids.push_back(trigrams_[at]);
        }
    }
    // Postings list their calls in order; the calls added since the build follow.
    const size_t inOrder = ids.size();
    for (auto id = indexed_; id < calls_.size(); ++id)
        if (text(id).find(q) != std::string_view::npos)
            ids.push_back(id);
    return ranked(ids, inOrder, band, mode, limit);
}

QList<KnownCall> PartialCheckIndex::neighbours(QStringView typed, QStringView band,
                                               QStringView mode, int limit) const {
    const QByteArray wanted = typed.toLatin1();
    const std::string_view q = view(wanted);
    if (q.size() < 2)
        return {};
    std::vector<quint32> ids;
    if (indexed_ > 0) {
        int bits = 0;
        while ((size_t(1) << bits) < variantStart_.size() - 1)
            ++bits;
        const auto look = [&](quint32 h) {
            const quint32 k = spread(h, bits);
            for (quint32 at = variantStart_[k]; at < variantStart_[k + 1]; ++at)
                if (oneApart(q, text(variants_[at])))
                    ids.push_back(variants_[at]);
        };
        look(fnv(q));
        for (qsizetype i = 0; i < qsizetype(q.size()); ++i)
            look(fnv(q, i));
        unique(ids);
    }
    const size_t inOrder = ids.size();
    for (auto id = indexed_; id < calls_.size(); ++id)
        if (oneApart(q, text(id)))
            ids.push_back(id);
    return ranked(ids, inOrder, band, mode, limit);
}

} // namespace zep
