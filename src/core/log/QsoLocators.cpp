#include "core/log/QsoLocators.h"

#include "core/io/TextFile.h"
#include "core/log/SideFile.h"

namespace zep {

namespace {

constexpr int gridWidth = 8;
const QString scratchName = QStringLiteral("Temporaire.loc");

} // namespace

QsoLocators::QsoLocators(const QString &logPath) : path_(pathFor(logPath)) {}

QString QsoLocators::pathFor(const QString &logPath) {
    return sidefile::pathFor(logPath, QStringLiteral(".loc"));
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
    reading.status = sidefile::read(
        path_, reading.byLine, [](const QString &l) -> std::optional<std::pair<QString, QString>> {
            if (l.size() <= gridWidth + 1 || l.at(gridWidth) != QLatin1Char(' '))
                return std::nullopt;
            const QString grid = l.left(gridWidth).trimmed();
            if (grid.isEmpty())
                return std::nullopt;
            return std::pair{l.mid(gridWidth + 1), grid};
        });
    if (!reading.status)
        reading.byLine.clear();
    return reading;
}

IoResult QsoLocators::append(const QString &line, const QString &grid) {
    if (grid.isEmpty())
        return IoResult::success();
    return appendTextLine(path_, fileLine(line, grid));
}

IoResult QsoLocators::copyTo(const QString &otherLogPath) const {
    return sidefile::copy(path_, pathFor(otherLogPath), scratchName);
}

} // namespace zep
