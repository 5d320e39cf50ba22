#include "core/ActivityLog.h"

#include "core/QsoLine.h"
#include "core/TextFile.h"

#include <QFileInfo>

namespace zep {

namespace {

const QString scratchName = QStringLiteral("Temporaire.txt");
const QString insertionScratchName = QStringLiteral("Temporaire6.txt");

/// A line holding a line end would come back from the file as two lines, the QSO cut in two.
bool holdsLineEnd(const QString &line) {
    return line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r'));
}

IoResult lineEndRefused() {
    return IoResult::failure(
        QStringLiteral("La ligne du QSO contient un saut de ligne : le journal reste inchangé."));
}

} // namespace

ActivityLog::ActivityLog(QString path) : path_(std::move(path)) {}

ActivityLog::Lines ActivityLog::read() const {
    TextLines text = readTextFile(path_);
    if (text.missing)
        return {IoResult::success(), {}}; // no QSO logged yet
    return {text.status, std::move(text.lines)};
}

IoResult ActivityLog::append(const QString &line) {
    if (holdsLineEnd(line))
        return lineEndRefused();
    return appendTextLine(path_, line);
}

IoResult ActivityLog::replace(const QString &newLine, const QString &oldLine) {
    if (holdsLineEnd(newLine))
        return lineEndRefused();
    TextLines text = readTextFile(path_);
    if (!text.status)
        return text.status;
    bool found = false;
    for (QString &line : text.lines) {
        if (line == oldLine) {
            line = newLine;
            found = true;
        }
    }
    // An edit whose QSO has left the file would otherwise vanish without a word.
    if (!found)
        return IoResult::failure(
            QStringLiteral("Le QSO à modifier est introuvable dans le journal \"%1\" : le "
                           "journal reste inchangé.")
                .arg(QFileInfo(path_).fileName()));
    if (newLine == oldLine)
        return IoResult::success();
    return writeTextFile(path_, text.lines, scratchName);
}

IoResult ActivityLog::remove(const QString &line) {
    TextLines text = readTextFile(path_);
    if (!text.status)
        return text.status;
    const qsizetype removed = text.lines.removeAll(line);
    if (removed == 0)
        return IoResult::success(); // the QSO is already gone: nothing to rewrite
    return writeTextFile(path_, text.lines, scratchName);
}

IoResult ActivityLog::insertChronologically(const QString &line) {
    if (holdsLineEnd(line))
        return lineEndRefused();
    const std::optional<qint64> key = qsoOrderingNumber(line);
    if (!key)
        return IoResult::failure(
            QStringLiteral("La date \"%1\" ou l'heure \"%2\" du QSO n'est pas valide : le QSO "
                           "n'est pas inséré et le journal reste inchangé.")
                .arg(line.left(qsocol::dateWidth).trimmed(),
                     line.mid(qsocol::time - 1, qsocol::timeWidth).trimmed()));

    TextLines text = readTextFile(path_);
    if (!text.status && !text.missing)
        return text.status;

    // The new QSO goes before the first one of the same minute or later. A line whose date or
    // time cannot be read stays where it is and takes no part in the comparison.
    qsizetype at = text.lines.size();
    for (qsizetype i = 0; i < text.lines.size(); ++i) {
        const std::optional<qint64> other = qsoOrderingNumber(text.lines.at(i));
        if (other && *other >= *key) {
            at = i;
            break;
        }
    }
    if (at == text.lines.size())
        return appendTextLine(path_, line); // every QSO is earlier: no need to rewrite the log
    text.lines.insert(at, line);
    return writeTextFile(path_, text.lines, insertionScratchName);
}

} // namespace zep
