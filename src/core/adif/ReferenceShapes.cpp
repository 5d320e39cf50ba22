#include "core/adif/ReferenceShapes.h"

#include <algorithm>

namespace zep::adif {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isUpperLetter(char c) {
    return c >= 'A' && c <= 'Z';
}
bool isUpperAlnum(char c) {
    return isDigit(c) || isUpperLetter(c);
}
/// A reference is a word of its own: what comes before or after it is no letter, digit or
/// "/" (a call sign such as "F5XYZ" or "F4ABC/P" is one word).
bool isWordCharacter(char c) {
    return isUpperAlnum(c) || (c >= 'a' && c <= 'z') || c == '/';
}

qsizetype runOf(QByteArrayView text, qsizetype at, bool (*kind)(char)) {
    qsizetype end = at;
    while (end < text.size() && kind(text[end]))
        ++end;
    return end - at;
}

/// After `at`: a hyphen then `digits` to `upTo` digits ending the word; the position past
/// them, or -1.
qsizetype hyphenDigitsAt(QByteArrayView text, qsizetype at, qsizetype digits, qsizetype upTo) {
    if (at >= text.size() || text[at] != '-')
        return -1;
    const qsizetype n = runOf(text, at + 1, isDigit);
    const qsizetype end = at + 1 + n;
    if (n < digits || n > upTo || (end < text.size() && isWordCharacter(text[end])))
        return -1;
    return end;
}

/// The programme's reference starting at `at` ("DFCF 76054", "DFCF-76-054"), or 0.
qsizetype programmeReferenceAt(QByteArrayView text, qsizetype at, QByteArrayView letters,
                               QByteArray &written) {
    const qsizetype size = text.size();
    if (letters.isEmpty() || at + letters.size() > size ||
        text.sliced(at, letters.size()) != letters)
        return 0;
    qsizetype digitsAt = at + letters.size();
    if (digitsAt + 1 < size && (text[digitsAt] == ' ' || text[digitsAt] == '-') &&
        isDigit(text[digitsAt + 1]))
        ++digitsAt;
    qsizetype end = digitsAt, count = 0, groups = 1;
    while (end < size &&
           (isDigit(text[end]) || (text[end] == '-' && end + 1 < size && isDigit(text[end + 1])))) {
        if (isDigit(text[end]))
            ++count;
        else
            ++groups;
        ++end;
    }
    if (count < 2 || (end < size && isWordCharacter(text[end])))
        return 0;
    written = letters.toByteArray();
    if (groups == 1)
        written += ' ' + text.sliced(digitsAt, end - digitsAt).toByteArray();
    else
        written += text.sliced(at + letters.size(), end - at - letters.size()).toByteArray();
    return end - at;
}

} // namespace

qsizetype schemeReferenceAt(QByteArrayView text, qsizetype at, Scheme scheme) {
    const qsizetype prefix = runOf(text, at, isUpperAlnum);
    const QByteArrayView word = text.sliced(at, prefix);
    const bool hasLetter = std::any_of(word.begin(), word.end(), isUpperLetter);
    const bool endsInFF = word.endsWith("FF");
    qsizetype end = -1;
    switch (scheme) {
    case Scheme::Wwff:
        if (prefix >= 3 && prefix <= 6 && endsInFF)
            end = hyphenDigitsAt(text, at + prefix, 4, 4);
        break;
    case Scheme::Pota:
        if (prefix >= 1 && prefix <= 3 && hasLetter && !(prefix == 3 && endsInFF))
            end = hyphenDigitsAt(text, at + prefix, 4, 5);
        break;
    case Scheme::Sota: {
        const qsizetype slash = at + prefix;
        if (prefix >= 1 && prefix <= 4 && hasLetter && slash < text.size() && text[slash] == '/' &&
            runOf(text, slash + 1, isUpperAlnum) == 2)
            end = hyphenDigitsAt(text, slash + 3, 3, 3);
        break;
    }
    case Scheme::Other:
        break;
    }
    return end < 0 ? 0 : end - at;
}

QList<FoundReference> findReferences(QStringView text, const QStringList &programmes) {
    // Capitals, and every character outside ASCII as a blank: a reference is plain ASCII.
    QByteArray upper(text.size(), ' ');
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80)
            upper[i] = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : char(c);
    }
    QList<QByteArray> letters;
    for (const QString &p : programmes) {
        const QByteArray l = p.trimmed().toUpper().toLatin1();
        if (!l.isEmpty() && std::all_of(l.begin(), l.end(), isUpperLetter) && !letters.contains(l))
            letters.append(l);
    }
    QList<FoundReference> found;
    const auto add = [&found](Scheme scheme, const QByteArray &reference) {
        const FoundReference f{scheme, QString::fromLatin1(reference)};
        if (!found.contains(f))
            found.append(f);
    };
    const QByteArrayView t(upper);
    for (qsizetype at = 0; at < t.size() && found.size() < maxFoundReferences; ++at) {
        if (!isUpperAlnum(t[at]) || (at > 0 && isWordCharacter(t[at - 1])))
            continue;
        bool matched = false;
        for (const Scheme scheme : {Scheme::Wwff, Scheme::Pota, Scheme::Sota}) {
            if (const qsizetype n = schemeReferenceAt(t, at, scheme)) {
                add(scheme, t.sliced(at, n).toByteArray());
                at += n - 1;
                matched = true;
                break;
            }
        }
        for (qsizetype i = 0; !matched && i < letters.size(); ++i) {
            QByteArray written;
            if (const qsizetype n = programmeReferenceAt(t, at, letters[i], written)) {
                add(Scheme::Other, written);
                at += n - 1;
                matched = true;
            }
        }
    }
    return found;
}

} // namespace zep::adif
