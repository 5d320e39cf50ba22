#include "core/FirstNames.h"

#include "core/ActivityLog.h"
#include "core/QsoLine.h"
#include "core/TextFile.h"

#include <QList>

#include <algorithm>
#include <cstring>

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

/// Next occurrence of `what` from `from`, or -1 (the C library's search is the fastest at hand).
qsizetype search(QByteArrayView bytes, QByteArrayView what, qsizetype from) {
    if (from >= bytes.size())
        return -1;
    const void *hit = ::memmem(bytes.data() + from, size_t(bytes.size() - from), what.data(),
                               size_t(what.size()));
    return hit ? static_cast<const char *>(hit) - bytes.data() : -1;
}

/// The line holding the byte at `pos`.
LineSpan lineAround(QByteArrayView bytes, qsizetype pos) {
    LineSpan span{pos, pos};
    while (span.start > 0 && bytes.at(span.start - 1) != '\n')
        --span.start;
    span.end = bytes.indexOf('\n', pos);
    if (span.end < 0)
        span.end = bytes.size();
    else if (span.end > span.start && bytes.at(span.end - 1) == '\r')
        --span.end;
    return span;
}

/// The entries whose call-sign columns hold `call`, blanks trimmed. The file is searched for
/// the call sign itself, so a large memory costs hardly more than reading it.
QList<LineSpan> entriesOf(QByteArrayView bytes, const QByteArray &call) {
    QList<LineSpan> found;
    const auto holdsCall = [&](const LineSpan &span) {
        const QByteArrayView line = bytes.sliced(span.start, span.end - span.start);
        return trimBlanks(line.first(std::min<qsizetype>(callColumns, line.size()))) == call;
    };
    if (call.isEmpty()) { // a blank call sign: only a line-by-line look will do
        qsizetype start = 0;
        while (start < bytes.size()) {
            const LineSpan span = lineAround(bytes, start);
            if (holdsCall(span))
                found.append(span);
            const qsizetype next = bytes.indexOf('\n', span.end);
            start = next < 0 ? bytes.size() : next + 1;
        }
        return found;
    }
    qsizetype pos = 0;
    while ((pos = search(bytes, call, pos)) >= 0) {
        const LineSpan span = lineAround(bytes, pos);
        if (pos - span.start + call.size() <= callColumns && holdsCall(span))
            found.append(span);
        pos = std::max(pos + 1, span.end); // a line is one entry at most
    }
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
    const QList<LineSpan> entries = entriesOf(file.bytes, wanted);
    if (entries.isEmpty())
        return found;
    // The last entry of a call sign wins.
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

    QByteArray bytes;
    if (!cp1252::encode(line, bytes))
        return rawfile::unencodable(path_, line);
    const rawfile::Bytes file = rawfile::read(path_);
    if (!file.status && !file.missing)
        return file.status;

    // Every entry whose first 12 columns are the new entry's is replaced; the rest is copied
    // as it is.
    const QByteArray key = bytes.first(callColumns);
    const QByteArrayView all(file.bytes);
    QList<LineSpan> entries;
    qsizetype pos = 0;
    while ((pos = search(all, key, pos)) >= 0) {
        const LineSpan span = lineAround(all, pos);
        if (span.start == pos)
            entries.append(span);
        pos = std::max(pos + 1, span.end);
    }
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

DuplicateResult Cherche_Doublon(const QStringList &logLines, const QString &call,
                                const QString &band, const QString &mode) {
    DuplicateResult result;
    for (const QString &line : logLines) {
        const QStringView view(line);
        if (view.mid(qsocol::call - 1, qsocol::callWidth).trimmed() != call ||
            view.mid(qsocol::band - 1, qsocol::bandWidth).trimmed() != band ||
            view.mid(qsocol::mode - 1, qsocol::modeWidth).trimmed() != mode)
            continue;
        result.found = true;
        result.date = line.left(qsocol::dateWidth);
        result.time = line.mid(qsocol::time - 1, qsocol::timeWidth);
        result.firstName = line.mid(qsocol::firstName - 1, qsocol::firstNameWidth).trimmed();
        break; // the first earlier QSO is the one shown
    }
    return result;
}

QString duplicateQuestion(const QString &call, const DuplicateResult &d, const QString &band) {
    return call + QLatin1Char(' ') + d.firstName + QStringLiteral(" Deja contacté le ") + d.date +
           QStringLiteral(" a ") + d.time + QStringLiteral(" sur ") + band +
           QStringLiteral(" Mhz. Annuler la saisie ?");
}

} // namespace zep
