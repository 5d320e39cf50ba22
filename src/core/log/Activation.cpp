#include "core/log/Activation.h"

#include "core/io/ProgramDirectory.h"
#include "core/io/TextFile.h"

#include <QSet>

namespace zep {

namespace {

// Column layout of a list line, counted from 0 (the file counts from 1).
struct Column {
    int start;
    int width;
};
constexpr Column kNumber{0, 12};
constexpr int kMarkColumn = 12;
constexpr Column kActivator{13, 10};
constexpr Column kName{24, 35};
constexpr Column kCanton{60, 4};
constexpr Column kPostalCode{65, 5};
constexpr Column kType{71, 12};
constexpr Column kDate{84, 8};
constexpr Column kCommune{93, 35};
constexpr Column kPartner{129, 3};
constexpr Column kLogger{133, 10};

QString field(const QString &line, Column c) {
    if (c.start >= line.size())
        return {};
    return line.mid(c.start, c.width).trimmed();
}

/// The text as typed, cut or filled with blanks to exactly `width` characters.
QString fitted(const QString &text, int width) {
    return text.left(width).leftJustified(width, QLatin1Char(' '));
}

/// Partner values compare as numbers; a blank field counts as 0.
int partnerValue(const QString &line) {
    bool ok = false;
    const int value = field(line, kPartner).toInt(&ok);
    return ok && value > 0 ? value : 0;
}

bool hasPartnerField(const QString &line) {
    return !field(line, kPartner).isEmpty();
}

QString marked(QString line) {
    if (line.size() <= kMarkColumn)
        line = line.leftJustified(kMarkColumn + 1, QLatin1Char(' '));
    line[kMarkColumn] = QLatin1Char('*');
    return line;
}

/// The list lines; a missing file is an empty list.
TextLines readList(const QString &path) {
    TextLines read = readTextFile(path);
    if (read.missing) {
        read.status = IoResult::success();
        read.lines.clear();
    }
    return read;
}

} // namespace

QString formatActivationLine(const ActivationRecord &r, int partnerPosition) {
    QString line;
    line.reserve(kActivationLineLength);
    const auto put = [&line](const QString &text, int width) {
        line += fitted(text, width);
        line += QLatin1Char(' ');
    };
    put(r.number, kNumber.width);
    put(r.activator, kActivator.width);
    put(r.name, kName.width);
    put(r.canton, kCanton.width);
    put(r.postalCode, kPostalCode.width);
    put(r.type, kType.width);
    put(r.date, kDate.width);
    put(r.commune, kCommune.width);
    if (partnerPosition >= 1 && partnerPosition <= kMaxPartnerPosition)
        line += QString::number(partnerPosition).rightJustified(kPartner.width, QLatin1Char(' '));
    else
        line += QString(kPartner.width, QLatin1Char(' '));
    line += QLatin1Char(' ');
    line += fitted(r.logger, kLogger.width);
    return line;
}

ActivationRecord decodeActivationLine(const QString &line) {
    ActivationRecord r;
    r.number = field(line, kNumber);
    r.deleted = line.size() > kMarkColumn && line.at(kMarkColumn) == QLatin1Char('*');
    r.activator = field(line, kActivator);
    r.name = field(line, kName);
    r.canton = field(line, kCanton);
    r.postalCode = field(line, kPostalCode);
    r.type = field(line, kType);
    r.date = field(line, kDate);
    r.commune = field(line, kCommune);
    r.partner = partnerValue(line);
    r.logger = field(line, kLogger);
    return r;
}

QString activationNumberOf(const QString &line) {
    return field(line, kNumber);
}

QString activityLogFileName(const QString &number) {
    return number.trimmed() + QStringLiteral(".txt");
}

QString activityLogPath(const QString &programDir, const QString &number) {
    return dataFile(programDir, activityLogFileName(number));
}

namespace {
QString backupPath(const QString &programDir, const QString &number) {
    return dataFile(programDir, number.trimmed() + QStringLiteral(".bak"));
}
} // namespace

ActivationList::ActivationList(QString programDir) : dir_(std::move(programDir)) {}

QString ActivationList::path() const {
    return dataFile(dir_, QStringLiteral("Liste_Activite.txt"));
}

IoResult ActivationList::ensureExists() {
    return ensureFileExists(path());
}

ActivationList::Numbers ActivationList::numbers() const {
    const TextLines read = readList(path());
    Numbers result{read.status, {}};
    result.numbers.reserve(read.lines.size());
    for (const QString &line : read.lines)
        result.numbers.append(activationNumberOf(line));
    return result;
}

bool ActivationList::contains(const QString &number) const {
    const TextLines read = readList(path());
    for (const QString &line : read.lines)
        if (activationNumberOf(line) == number)
            return true;
    return false;
}

LoadedActivation ActivationList::load(const QString &number) const {
    const TextLines read = readList(path());
    LoadedActivation result;
    result.status = read.status;
    for (const QString &line : read.lines) {
        if (activationNumberOf(line) == number) {
            result.first = decodeActivationLine(line);
            result.found = true;
        }
    }
    // The partner is found by its position: the line there is the other reference, whatever
    // other line may carry the same number.
    if (result.found && result.first.partner > 0 && result.first.partner <= read.lines.size())
        result.second = decodeActivationLine(read.lines.at(result.first.partner - 1));
    return result;
}

IoResult ActivationList::append(const QString &line) {
    const QString number = activationNumberOf(line);
    if (number.isEmpty())
        return IoResult::failure(QStringLiteral("Numéro d'activité manquant."));
    // The number names the log file in the program directory: it must not lead elsewhere.
    if (number.contains(QLatin1Char('/')) || number.contains(QLatin1Char('\\')))
        return IoResult::failure(
            QStringLiteral("Le numéro d'activité ne doit contenir ni \"/\" ni \"\\\"."));
    if (IoResult appended = appendTextLine(path(), line); !appended)
        return appended;
    return ensureFileExists(activityLogPath(dir_, number));
}

IoResult ActivationList::upgrade() {
    const TextLines read = readTextFile(path());
    if (read.missing)
        return ensureExists();
    if (!read.status)
        return read.status;
    QStringList lines = read.lines;
    bool changed = false;
    for (QString &line : lines) {
        if (line.size() == kOldActivationLineLength) {
            line += QStringLiteral("   ");
            changed = true;
        }
    }
    if (!changed)
        return IoResult::success();
    return writeTextFile(path(), lines, QStringLiteral("Temporaire.txt"));
}

ActivationList::Deletion ActivationList::remove(const QString &number, Dialogs &dialogs) {
    Deletion result;
    const QString wanted = number.trimmed();
    if (wanted.isEmpty()) {
        dialogs.message(QStringLiteral("Cliquez sur une activité pour la selectionner"));
        return result;
    }
    const TextLines read = readList(path());
    if (!read.status) {
        result.status = read.status;
        return result;
    }

    QStringList lines = read.lines;
    QStringList chosen;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (activationNumberOf(lines.at(i)) != wanted)
            continue;
        if (!hasPartnerField(lines.at(i))) {
            if (dialogs.question(
                    QStringLiteral("Voulez vous effacer l'activité %1 ?").arg(wanted))) {
                lines[i] = marked(lines.at(i));
                chosen.append(wanted);
            }
            continue;
        }
        if (!dialogs.question(QStringLiteral("Activation double, éffacer les deux activités ?"))) {
            return result; // abandoned: nothing at all changes
        }
        const bool hasNext = i + 1 < lines.size();
        if (hasNext && partnerValue(lines.at(i + 1)) + 1 == partnerValue(lines.at(i))) {
            lines[i] = marked(lines.at(i));
            lines[i + 1] = marked(lines.at(i + 1));
            chosen.append(wanted);
            chosen.append(activationNumberOf(lines.at(i + 1)));
        } else {
            dialogs.message(
                QStringLiteral("Selectionnez la premiere reference de la double activité"));
        }
        ++i; // the partner line has been dealt with along with this one
    }
    if (lines == read.lines)
        return result;

    QStringList numbers;
    QSet<QString> seen;
    for (const QString &n : std::as_const(chosen)) {
        if (!n.isEmpty() && !seen.contains(n)) {
            seen.insert(n);
            numbers.append(n);
        }
    }

    // 1. Set every log aside as ".bak" while the list still names it as active.
    for (const QString &n : std::as_const(numbers)) {
        const QString log = activityLogPath(dir_, n);
        if (!fileExists(log))
            continue;
        if (IoResult copied = copyFileSafely(log, backupPath(dir_, n)); !copied) {
            result.status = copied;
            return result;
        }
    }
    // 2. Mark the lines.
    if (IoResult written = writeTextFile(path(), lines, QStringLiteral("Temporaire.txt"));
        !written) {
        result.status = written;
        return result;
    }
    result.changed = true;
    result.deletedNumbers = numbers;
    // 3. Only now, with a ".bak" safely on disk, remove the logs.
    for (const QString &n : std::as_const(numbers)) {
        const QString log = activityLogPath(dir_, n);
        if (!fileExists(log))
            continue;
        if (IoResult removed = removeFile(log); !removed && result.status)
            result.status = removed;
    }
    return result;
}

} // namespace zep
