#include "core/station/KeyerMessages.h"

#include <QDir>
#include <QHash>
#include <QRegularExpression>

namespace zep::keyer {

namespace {

const QStringList &fieldNames() {
    static const QStringList names = {QStringLiteral("MONINDICATIF"), QStringLiteral("INDICATIF"),
                                      QStringLiteral("REFERENCE"),    QStringLiteral("REFERENCE2"),
                                      QStringLiteral("RST"),          QStringLiteral("PRENOM")};
    return names;
}

QString fieldList() {
    QStringList braced;
    for (const QString &name : fieldNames())
        braced.append(QLatin1Char('{') + name + QLatin1Char('}'));
    return braced.join(QStringLiteral(", "));
}

/// Morse signs in dots and dashes, for the duration of a text.
const QHash<QChar, const char *> &signs() {
    static const QHash<QChar, const char *> table = {
        {QLatin1Char('A'), ".-"},     {QLatin1Char('B'), "-..."},   {QLatin1Char('C'), "-.-."},
        {QLatin1Char('D'), "-.."},    {QLatin1Char('E'), "."},      {QLatin1Char('F'), "..-."},
        {QLatin1Char('G'), "--."},    {QLatin1Char('H'), "...."},   {QLatin1Char('I'), ".."},
        {QLatin1Char('J'), ".---"},   {QLatin1Char('K'), "-.-"},    {QLatin1Char('L'), ".-.."},
        {QLatin1Char('M'), "--"},     {QLatin1Char('N'), "-."},     {QLatin1Char('O'), "---"},
        {QLatin1Char('P'), ".--."},   {QLatin1Char('Q'), "--.-"},   {QLatin1Char('R'), ".-."},
        {QLatin1Char('S'), "..."},    {QLatin1Char('T'), "-"},      {QLatin1Char('U'), "..-"},
        {QLatin1Char('V'), "...-"},   {QLatin1Char('W'), ".--"},    {QLatin1Char('X'), "-..-"},
        {QLatin1Char('Y'), "-.--"},   {QLatin1Char('Z'), "--.."},   {QLatin1Char('0'), "-----"},
        {QLatin1Char('1'), ".----"},  {QLatin1Char('2'), "..---"},  {QLatin1Char('3'), "...--"},
        {QLatin1Char('4'), "....-"},  {QLatin1Char('5'), "....."},  {QLatin1Char('6'), "-...."},
        {QLatin1Char('7'), "--..."},  {QLatin1Char('8'), "---.."},  {QLatin1Char('9'), "----."},
        {QLatin1Char('/'), "-..-."},  {QLatin1Char('?'), "..--.."}, {QLatin1Char('.'), ".-.-.-"},
        {QLatin1Char(','), "--..--"}, {QLatin1Char('='), "-...-"}};
    return table;
}

bool hasSign(QChar c) {
    return c == QLatin1Char(' ') || signs().contains(c);
}

/// Capitals without accents: "é" is sent as "E", "ç" as "C".
QString plainCapitals(const QString &text) {
    QString out;
    for (const QChar c : text.normalized(QString::NormalizationForm_D)) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        out.append(c.toUpper());
    }
    return out;
}

} // namespace

QString defaultText(int key) {
    switch (key) {
    case 1:
        return QStringLiteral("CQ {REFERENCE} DE {MONINDICATIF} {MONINDICATIF} K");
    case 2:
        return QStringLiteral("{INDICATIF} {RST} {RST}");
    case 3:
        return QStringLiteral("TU 73");
    case 4:
        return QStringLiteral("{MONINDICATIF}");
    case 5:
        return QStringLiteral("{REFERENCE} {REFERENCE}");
    case 6:
        return QStringLiteral("AGN ?");
    case 7:
        return QStringLiteral("QRZ ? DE {MONINDICATIF} K");
    default:
        return QString();
    }
}

TextCheck checkText(const QString &text) {
    if (text.size() > maxTextChars)
        return {false,
                QStringLiteral("Le message ne peut dépasser %1 caractères.").arg(maxTextChars)};
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('{')) {
            const qsizetype end = text.indexOf(QLatin1Char('}'), i + 1);
            if (end < 0)
                return {false, QStringLiteral("Une accolade « { » n'est pas fermée.")};
            const QString name = text.mid(i + 1, end - i - 1);
            if (!fieldNames().contains(name.toUpper()))
                return {false, QStringLiteral("Le champ {%1} n'existe pas. Champs possibles : %2.")
                                   .arg(name, fieldList())};
            i = end + 1;
            continue;
        }
        if (c == QLatin1Char('}'))
            return {false, QStringLiteral("Une accolade « } » n'est pas ouverte.")};
        const QString plain = plainCapitals(QString(c));
        for (const QChar p : plain)
            if (!hasSign(p))
                return {false, QStringLiteral("Le caractère « %1 » ne se transmet pas en CW.")
                                   .arg(c.isPrint() ? QString(c) : QStringLiteral("?"))};
        ++i;
    }
    return {};
}

QString morseText(const QString &text) {
    QString out;
    for (const QChar c : plainCapitals(text)) {
        if (hasSign(c))
            out.append(c);
        else if (c.isSpace() || c == QLatin1Char('-') || c == QLatin1Char('_'))
            out.append(QLatin1Char(' ')); // "Jean-Paul" is sent as JEAN PAUL
    }
    return out.simplified();
}

QString fill(const QString &text, const FieldValues &values) {
    const QHash<QString, QString> byName = {{QStringLiteral("MONINDICATIF"), values.ownCall},
                                            {QStringLiteral("INDICATIF"), values.call},
                                            {QStringLiteral("REFERENCE"), values.reference},
                                            {QStringLiteral("REFERENCE2"), values.reference2},
                                            {QStringLiteral("RST"), values.rst},
                                            {QStringLiteral("PRENOM"), values.firstName}};
    QString out;
    qsizetype i = 0;
    while (i < text.size() && out.size() <= maxSentChars) {
        if (text.at(i) == QLatin1Char('{')) {
            const qsizetype end = text.indexOf(QLatin1Char('}'), i + 1);
            if (end > i) {
                // The values are the operator's typing: capped so that no field floods a
                // message.
                out += byName.value(text.mid(i + 1, end - i - 1).toUpper()).left(maxSentChars);
                i = end + 1;
                continue;
            }
        }
        out += text.at(i);
        ++i;
    }
    return morseText(out).left(maxSentChars).trimmed();
}

qint64 morseDurationMs(const QString &text, int wpm) {
    if (wpm <= 0)
        return 0;
    // Units: dot 1, dash 3, gap in a sign 1, between letters 3, between words 7.
    qint64 units = 0;
    bool afterLetter = false;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ')) {
            units += afterLetter ? 4 : 0; // 3 already counted after the letter
            afterLetter = false;
            continue;
        }
        const auto found = signs().constFind(c);
        if (found == signs().constEnd())
            continue;
        for (const char *s = found.value(); *s; ++s)
            units += (*s == '.' ? 1 : 3) + 1;
        units += 2; // the gap after the last element becomes a letter gap
        afterLetter = true;
    }
    return units * 1200 / wpm;
}

QString recordingPath(const QString &programDir, int key) {
    return QDir(programDir).filePath(QStringLiteral("Messages/F%1.wav").arg(key));
}

} // namespace zep::keyer
