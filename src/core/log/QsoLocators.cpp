#include "core/log/QsoLocators.h"

#include "core/io/TextFile.h"

namespace zep {

namespace {

constexpr int gridWidth = 8;
const QString scratchName = QStringLiteral("Temporaire.loc");

} // namespace

QsoLocators::QsoLocators(const QString &logPath) : path_(pathFor(logPath)) {}

QString QsoLocators::pathFor(const QString &logPath) {
    QString base = logPath;
    if (base.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive))
        base.chop(4);
    return base + QStringLiteral(".loc");
}

QString QsoLocators::fileLine(const QString &line, const QString &grid) {
    return grid.leftJustified(gridWidth, QLatin1Char(' '), true) + QLatin1Char(' ') + line;
}

std::optional<QString> QsoLocators::Reading::of(const QString &line) const {
    const auto it = byLine.constFind(line);
    if (it == byLine.constEnd())
        return std::nullopt;
    return *it;
}

QsoLocators::Reading QsoLocators::read() const {
    Reading reading;
    const TextLines file = readTextFile(path_);
    if (file.missing)
        return reading;
    if (!file.status) {
        reading.status = file.status;
        return reading;
    }
    for (const QString &l : file.lines) {
        // A line not of the form (damaged, edited by hand) is passed over.
        if (l.size() <= gridWidth + 1 || l.at(gridWidth) != QLatin1Char(' '))
            continue;
        const QString grid = l.left(gridWidth).trimmed();
        if (!grid.isEmpty())
            reading.byLine.insert(l.mid(gridWidth + 1), grid);
    }
    return reading;
}

IoResult QsoLocators::append(const QString &line, const QString &grid) {
    if (grid.isEmpty())
        return IoResult::success();
    return appendTextLine(path_, fileLine(line, grid));
}

IoResult QsoLocators::copyTo(const QString &otherLogPath) const {
    const QString other = pathFor(otherLogPath);
    if (!fileExists(path_))
        return fileExists(other) ? removeFile(other) : IoResult::success();
    return copyFileSafely(path_, other, scratchName);
}

} // namespace zep
