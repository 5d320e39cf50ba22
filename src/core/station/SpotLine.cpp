#include "core/station/SpotLine.h"

#include "core/adif/ReferenceShapes.h"

#include <algorithm>
#include <array>

namespace zep::spots {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\a' || c == '\r' || c == '\n' || c == '\0';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

/// Reads the word starting at `at` (after blanks) up to a blank or `stop`.
QByteArrayView wordAt(QByteArrayView line, qsizetype &at, char stop = ' ') {
    while (at < line.size() && isBlank(line[at]))
        ++at;
    const qsizetype start = at;
    while (at < line.size() && !isBlank(line[at]) && line[at] != stop)
        ++at;
    return line.sliced(start, at - start);
}

std::optional<double> kilohertz(QByteArrayView word) {
    qsizetype dots = 0;
    for (const char c : word) {
        if (c == '.')
            ++dots;
        else if (!isDigit(c))
            return std::nullopt;
    }
    if (word.isEmpty() || dots > 1 || word.size() > 12 || !isDigit(word[0]))
        return std::nullopt;
    bool ok = false;
    const double kHz = word.toByteArray().toDouble(&ok);
    if (!ok || kHz < 100 || kHz > 300e6)
        return std::nullopt;
    return kHz;
}

/// A call sign: letters, digits and "/", with a letter and a digit, 3 to 15 characters.
bool isCall(QByteArrayView word) {
    bool letter = false, digit = false;
    for (const char c : word) {
        if (isLetter(c))
            letter = true;
        else if (isDigit(c))
            digit = true;
        else if (c != '/')
            return false;
    }
    return letter && digit && word.size() >= 3 && word.size() <= 15;
}

/// "1234Z": minutes of the day, or -1.
int timeOf(QByteArrayView word) {
    if (word.size() != 5 || (word[4] != 'Z' && word[4] != 'z'))
        return -1;
    for (int i = 0; i < 4; ++i)
        if (!isDigit(word[i]))
            return -1;
    const int h = (word[0] - '0') * 10 + (word[1] - '0');
    const int m = (word[2] - '0') * 10 + (word[3] - '0');
    return h < 24 && m < 60 ? h * 60 + m : -1;
}

bool isLocator(QByteArrayView w) {
    if (w.size() != 4 && w.size() != 6)
        return false;
    const auto upper = [](char c) { return char(c >= 'a' && c <= 'z' ? c - 32 : c); };
    if (upper(w[0]) < 'A' || upper(w[0]) > 'R' || upper(w[1]) < 'A' || upper(w[1]) > 'R' ||
        !isDigit(w[2]) || !isDigit(w[3]))
        return false;
    return w.size() == 4 ||
           (upper(w[4]) >= 'A' && upper(w[4]) <= 'X' && upper(w[5]) >= 'A' && upper(w[5]) <= 'X');
}

struct Segment {
    double from, to;
    const char *mode;
};
/// The telegraphy and telephony parts of the IARU Region 1 band plan; beacons, digital
/// windows and the mixed parts are in none.
constexpr std::array<Segment, 22> segments{{
    {1810, 1838, "CW"},      {1843, 2000, "SSB"},    {3500, 3570, "CW"},    {3600, 3800, "SSB"},
    {7000, 7040, "CW"},      {7060, 7200, "SSB"},    {10100, 10130, "CW"},  {14000, 14070, "CW"},
    {14101, 14350, "SSB"},   {18068, 18095, "CW"},   {18111, 18168, "SSB"}, {21000, 21070, "CW"},
    {21151, 21450, "SSB"},   {24890, 24915, "CW"},   {24931, 24990, "SSB"}, {28000, 28070, "CW"},
    {28320, 29000, "SSB"},   {29520, 29700, "FM"},   {50000, 50100, "CW"},  {144000, 144150, "CW"},
    {144150, 144400, "SSB"}, {145200, 145800, "FM"},
}};

/// The mode words a comment may hold, and the mode box text each stands for.
struct ModeWord {
    const char *word, *mode;
};
constexpr std::array<ModeWord, 15> modeWords{{
    {"CW", "CW"},
    {"SSB", "SSB"},
    {"USB", "SSB"},
    {"LSB", "SSB"},
    {"FM", "FM"},
    {"FT8", "FT8"},
    {"FT4", "FT4"},
    {"RTTY", "RTTY"},
    {"PSK31", "PSK31"},
    {"PSK", "PSK31"},
    {"JS8", "JS8"},
    {"SSTV", "SSTV"},
    {"OLIVIA", "OLIVIA"},
    {"MFSK", "MFSK"},
    {"PHONE", "SSB"},
}};

} // namespace

std::optional<Spot> parseSpotLine(QByteArrayView line) {
    while (!line.isEmpty() && isBlank(line.back()))
        line.chop(1);
    while (!line.isEmpty() && isBlank(line.front()))
        line = line.sliced(1);
    if (line.size() < 6 || (line[0] != 'D' && line[0] != 'd') ||
        (line[1] != 'X' && line[1] != 'x') || line[2] != ' ' ||
        (line[3] != 'd' && line[3] != 'D') || (line[4] != 'e' && line[4] != 'E') || line[5] != ' ')
        return std::nullopt;
    qsizetype at = 6;
    const QByteArrayView spotter = wordAt(line, at, ':');
    if (spotter.isEmpty() || spotter.size() > 16 ||
        !std::all_of(spotter.begin(), spotter.end(), [](char c) { return c > ' ' && c < 0x7F; }))
        return std::nullopt;
    if (at < line.size() && line[at] == ':')
        ++at;
    const std::optional<double> kHz = kilohertz(wordAt(line, at));
    if (!kHz)
        return std::nullopt;
    const QByteArrayView call = wordAt(line, at);
    if (!isCall(call))
        return std::nullopt;

    // From the end: the locator or the spotter's state, then the time; the comment lies
    // between the call and the time.
    qsizetype end = line.size();
    int minutes = -1;
    QByteArrayView locator;
    for (int word = 0; word < 2 && minutes < 0; ++word) {
        qsizetype start = end;
        while (start > at && !isBlank(line[start - 1]))
            --start;
        const QByteArrayView w = line.sliced(start, end - start);
        minutes = timeOf(w);
        if (minutes < 0 && word == 0 && isLocator(w))
            locator = w;
        end = start;
        while (end > at && isBlank(line[end - 1]))
            --end;
    }
    if (minutes < 0)
        return std::nullopt;
    Spot spot;
    spot.spotter = QString::fromLatin1(spotter).toUpper();
    spot.kHz = *kHz;
    spot.call = QString::fromLatin1(call).toUpper();
    spot.comment = QString::fromLatin1(line.sliced(at, std::max<qsizetype>(end - at, 0))).trimmed();
    // Controls that a node passes on from a spotter's comment are shown as blanks.
    for (QChar &c : spot.comment)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    spot.utcMinutes = minutes;
    spot.locator = QString::fromLatin1(locator).toUpper();
    if (spot.locator.size() == 6) {
        spot.locator[4] = spot.locator[4].toLower();
        spot.locator[5] = spot.locator[5].toLower();
    }
    return spot;
}

QString modeOf(QStringView comment, double kHz) {
    qsizetype at = 0;
    while (at < comment.size()) {
        while (at < comment.size() && !comment[at].isLetterOrNumber())
            ++at;
        const qsizetype start = at;
        while (at < comment.size() && comment[at].isLetterOrNumber())
            ++at;
        const QStringView word = comment.sliced(start, at - start);
        for (const ModeWord &m : modeWords)
            if (word.compare(QLatin1String(m.word), Qt::CaseInsensitive) == 0)
                return QLatin1String(m.mode);
    }
    for (const Segment &s : segments)
        if (kHz >= s.from && kHz < s.to)
            return QLatin1String(s.mode);
    return {};
}

void recognise(Spot &spot, const QStringList &programmes) {
    if (spot.mode.isEmpty())
        spot.mode = modeOf(spot.comment, spot.kHz);
    if (spot.reference.isEmpty()) {
        const QList<adif::FoundReference> found = adif::findReferences(spot.comment, programmes);
        if (!found.isEmpty())
            spot.reference = found.first().reference;
    }
}

void LineSplitter::feed(QByteArrayView bytes,
                        const std::function<void(QByteArrayView line)> &take) {
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (skipping_)
                ++skipped_;
            else if (!line_.isEmpty())
                take(line_);
            line_.clear();
            skipping_ = false;
        } else if (skipping_) {
            continue;
        } else if (line_.size() >= max_) {
            line_.clear();
            skipping_ = true;
        } else {
            line_.append(c);
        }
    }
}

} // namespace zep::spots
