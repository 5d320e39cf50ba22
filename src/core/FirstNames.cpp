#include "core/FirstNames.h"

#include "core/QsoLine.h"
#include "core/TextFile.h"

#include <algorithm>

namespace zep {

namespace {

constexpr int callColumns = 12;
constexpr int departmentColumn = 14; // 1-based
constexpr int firstNameColumn = 17;

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

FirstNameLookup FirstNameMemory::find(const QString &call) const {
    FirstNameLookup found;
    const TextLines text = readTextFile(path_);
    if (!text.status)
        return found; // a memory that cannot be read knows nobody
    const QString *last = nullptr;
    for (const QString &line : text.lines)
        if (QStringView(line).left(callColumns).trimmed() == call)
            last = &line; // the scan goes on: the last entry of a call sign wins
    if (!last)
        return found;
    found.known = true;
    found.department = last->mid(departmentColumn - 1, 2);
    if (found.department == QLatin1String("  "))
        found.department.clear();
    found.firstName = last->mid(firstNameColumn - 1);
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

    TextLines text = readTextFile(path_);
    if (!text.status && !text.missing)
        return text.status;
    const QStringView key = QStringView(line).left(callColumns);
    bool matched = false;
    bool changed = false;
    for (QString &existing : text.lines) {
        if (QStringView(existing).left(callColumns) != key)
            continue;
        matched = true;
        if (existing != line) {
            existing = line;
            changed = true;
        }
    }
    // The entry has left the file since the lookup (edited by hand): record it again.
    if (!matched)
        return appendTextLine(path_, line);
    if (!changed)
        return IoResult::success();
    return writeTextFile(path_, text.lines, QStringLiteral("Temporaire.txt"));
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
