#include "core/awards/ActivationRules.h"

#include "core/exchange/AdifAwardExport.h"
#include "core/io/Settings.h"

#include <QFile>

namespace zep {

namespace {

std::optional<int> wholeNumber(QStringView text, int largest) {
    if (text.isEmpty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > largest)
        return std::nullopt;
    return value;
}

} // namespace

ActivationRules ActivationRules::parse(QByteArrayView bytes) {
    ActivationRules result;
    if (bytes.size() > maxFileBytes) {
        result.tooLarge_ = true;
        return result;
    }
    const QString text = QString::fromUtf8(bytes);
    const QList<QStringView> lines = QStringView(text).split(u'\n');
    int lineNumber = 0;
    for (QStringView line : lines) {
        ++lineNumber;
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (result.rules_.size() >= maxRows) {
            result.skipped_.append(lineNumber);
            continue;
        }
        const QList<QStringView> cells = line.split(u';');
        if (cells.size() < 5) {
            result.skipped_.append(lineNumber);
            continue;
        }
        ProgrammeRule rule;
        rule.programme = cells[0].trimmed().toString().toUpper();
        const QStringView minimum = cells[1].trimmed();
        const QStringView duplicate = cells[2].trimmed();
        const QStringView period = cells[3].trimmed();
        // The source may itself hold ";": it runs to the end of the line.
        rule.source = line.sliced(cells[4].data() - line.data()).trimmed().toString();
        bool ok = !rule.programme.isEmpty();
        if (minimum != u"?") {
            rule.minimum = wholeNumber(minimum, largestMinimum);
            ok = ok && rule.minimum.has_value() && *rule.minimum > 0;
        }
        if (duplicate == u"indicatif")
            rule.perBandAndMode = false;
        else if (duplicate != u"indicatif+bande+mode")
            ok = false;
        if (period == u"jour")
            rule.perDay = true;
        else if (period != u"activation")
            ok = false;
        if (!ok || result.find(rule.programme)) {
            result.skipped_.append(lineNumber);
            continue;
        }
        result.rules_.append(rule);
    }
    return result;
}

ActivationRules ActivationRules::builtIn() {
    static const ActivationRules rules = [] {
        QFile file(QStringLiteral(":/rules/Regles_Validite.csv"));
        if (!file.open(QIODevice::ReadOnly))
            return ActivationRules();
        return parse(file.read(maxFileBytes + 1));
    }();
    return rules;
}

std::optional<ProgrammeRule> ActivationRules::find(const QString &programme) const {
    for (const ProgrammeRule &rule : rules_)
        if (rule.programme.compare(programme, Qt::CaseInsensitive) == 0)
            return rule;
    return std::nullopt;
}

ProgrammeRule ActivationRules::ruleFor(const QString &reference,
                                       const SettingsStore *settings) const {
    const QString programme = programmeOfReference(reference);
    ProgrammeRule rule;
    if (const auto known = find(programme))
        rule = *known;
    rule.programme = programme;
    if (settings && !programme.isEmpty())
        if (const auto chosen =
                minimumFromSettings(settings->read(validityKey(programme), QString()).trimmed()))
            rule.minimum = *chosen;
    return rule;
}

QString programmeOfReference(const QString &reference) {
    return adif3::defaultProgramme(reference.trimmed());
}

QString validityKey(const QString &programme) {
    return QStringLiteral("Validite ") + programme;
}

std::optional<std::optional<int>> minimumFromSettings(const QString &value) {
    const std::optional<int> number = wholeNumber(value, ActivationRules::largestMinimum);
    if (!number)
        return std::nullopt;
    if (*number == 0)
        return std::optional<int>();
    return number;
}

} // namespace zep
