#include "core/awards/ValidityCount.h"

#include "core/log/QsoLine.h"

namespace zep {

namespace {

QStringView column(const QString &line, int first, int width) {
    const qsizetype at = first - 1;
    if (at >= line.size())
        return {};
    return QStringView(line).sliced(at, std::min<qsizetype>(width, line.size() - at)).trimmed();
}

/// The UTC day of a QSO line as yyyymmdd; 0 when its date cannot be read.
qint64 dayOf(const QString &line) {
    const std::optional<qint64> minute = qsoOrderingNumber(line);
    return minute ? *minute / 10000 : 0;
}

} // namespace

void ValidityCounter::add(const QString &line, int delta) {
    const QStringView call = column(line, qsocol::call, qsocol::callWidth);
    if (call.isEmpty())
        return;
    const qint64 day = rule_.perDay ? dayOf(line) : 0;
    QString key = call.toString().toUpper();
    if (rule_.perBandAndMode) {
        key += QChar(u'\x1f');
        key += column(line, qsocol::band, qsocol::bandWidth);
        key += QChar(u'\x1f');
        key += column(line, qsocol::mode, qsocol::modeWidth).toString().toUpper();
    }
    if (rule_.perDay) {
        key += QChar(u'\x1f');
        key += QString::number(day);
    }
    int &lines = lines_[key];
    const int before = lines;
    lines = std::max(0, lines + delta);
    if (before == 0 && lines > 0) {
        ++distinct_;
        ++keysByDay_[day];
    } else if (before > 0 && lines == 0) {
        --distinct_;
        const auto it = keysByDay_.find(day);
        if (it != keysByDay_.end() && --it->second <= 0)
            keysByDay_.erase(it);
        lines_.remove(key);
    } else if (lines == 0) {
        lines_.remove(key);
    }
}

void ValidityCounter::clear() {
    lines_.clear();
    keysByDay_.clear();
    distinct_ = 0;
}

int ValidityCounter::count() const {
    if (!rule_.perDay)
        return distinct_;
    return keysByDay_.empty() ? 0 : keysByDay_.rbegin()->second;
}

void ValidityFollower::setReferences(const QList<ReferenceValidity> &references) {
    references_.clear();
    counters_.clear();
    for (const ReferenceValidity &r : references) {
        references_.append(r.reference);
        counters_.append(ValidityCounter(r.rule));
    }
    seen_ = 0;
}

void ValidityFollower::follow(const LogReading &log) {
    followLogLines(
        seen_, log,
        [this](const QString &line, int delta) {
            for (ValidityCounter &counter : counters_)
                counter.add(line, delta);
        },
        [this] {
            for (ValidityCounter &counter : counters_)
                counter.clear();
        });
}

QList<ReferenceValidity> ValidityFollower::figures() const {
    QList<ReferenceValidity> out;
    for (qsizetype i = 0; i < counters_.size(); ++i)
        out.append({references_[i], counters_[i].rule(), counters_[i].count()});
    return out;
}

QList<ReferenceValidity> countValidity(const QStringList &lines,
                                       const QList<ReferenceValidity> &references) {
    QList<ReferenceValidity> out;
    for (const ReferenceValidity &r : references) {
        ValidityCounter counter(r.rule);
        counter.reserve(lines.size());
        for (const QString &line : lines)
            counter.add(line, 1);
        out.append({r.reference, r.rule, counter.count()});
    }
    return out;
}

QString validityText(const QList<ReferenceValidity> &figures) {
    if (figures.isEmpty())
        return {};
    QStringList parts;
    for (const ReferenceValidity &f : figures) {
        QString part = f.reference.trimmed() + u' ' + QString::number(f.count);
        if (f.rule.minimum)
            part += u'/' + QString::number(*f.rule.minimum);
        parts.append(part);
    }
    return QStringLiteral("Validité : ") + parts.join(QStringLiteral(", "));
}

} // namespace zep
