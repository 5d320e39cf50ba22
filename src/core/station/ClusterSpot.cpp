#include "core/station/ClusterSpot.h"

#include <cmath>

namespace zep::cluster {

namespace {

// Telnet command bytes (RFC 854).
constexpr unsigned char iac = 255, dont = 254, doVerb = 253, wont = 252, will = 251, sb = 250,
                        se = 240;

/// A text reduced to what a cluster line may carry: printable ASCII, single blanks.
QString clusterText(const QString &text) {
    QString out;
    for (const QChar c : text.normalized(QString::NormalizationForm_KD)) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue; // the accent of a decomposed letter
        // C0, DEL, C1, the line ends and the invisible marks (a direction mark, a zero-width
        // blank) part words as a blank does.
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c.isSpace())
            out += QLatin1Char(' ');
        else if (c.unicode() < 0x80)
            out += c;
        else
            out += QLatin1Char('?');
    }
    return out.simplified();
}

} // namespace

QByteArray dxLine(const Spot &spot) {
    QString line = QStringLiteral("DX ") + kilohertzText(spot.kHz) + QLatin1Char(' ') +
                   clusterText(spot.call).remove(QLatin1Char(' ')).toUpper();
    const QString comment = clusterText(spot.comment);
    if (!comment.isEmpty())
        line += QLatin1Char(' ') + comment;
    return line.toLatin1();
}

QByteArray loginText(const QString &login) {
    const QString clean = clusterText(login);
    const qsizetype blank = clean.indexOf(QLatin1Char(' '));
    return (blank < 0 ? clean : clean.left(blank)).left(maxLoginLength).toUpper().toLatin1();
}

std::optional<double> parseKilohertz(const QString &typed) {
    QString text = typed;
    text.remove(QLatin1Char(' '));
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double kHz = text.toDouble(&ok);
    if (!ok || !std::isfinite(kHz) || kHz < 100.0 || kHz > 300e6)
        return std::nullopt;
    return std::round(kHz * 10.0) / 10.0;
}

QString kilohertzText(double kHz) {
    return QString::number(kHz, 'f', 1);
}

TelnetDecoder::Result TelnetDecoder::feed(const QByteArray &bytes) {
    Result out;
    out.text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char ch = bytes.at(i);
        const auto b = static_cast<unsigned char>(ch);
        switch (state_) {
        case State::Text: {
            // The text up to the next command goes in one piece.
            qsizetype end = bytes.indexOf(static_cast<char>(iac), i);
            if (end < 0)
                end = bytes.size();
            out.text.append(bytes.constData() + i, end - i);
            i = end;
            if (end < bytes.size())
                state_ = State::Command;
            break;
        }
        case State::Command:
            if (b == iac) { // a doubled IAC is the byte 255 itself
                out.text += ch;
                state_ = State::Text;
            } else if (b >= will && b <= dont) {
                verb_ = b;
                state_ = State::Option;
            } else if (b == sb) {
                state_ = State::Sub;
            } else {
                state_ = State::Text; // NOP, GA, AYT...: nothing to do
            }
            break;
        case State::Option: {
            // We stay in the "off" state of every option: a request to turn one on is refused,
            // a report that one is off needs no answer.
            const int key = (verb_ << 8) | b;
            if ((verb_ == doVerb || verb_ == will) && !refused_.contains(key)) {
                refused_.insert(key);
                out.reply += static_cast<char>(iac);
                out.reply += static_cast<char>(verb_ == doVerb ? wont : dont);
                out.reply += ch;
            }
            state_ = State::Text;
            break;
        }
        case State::Sub:
            if (b == iac)
                state_ = State::SubCommand;
            break;
        case State::SubCommand:
            state_ = b == se ? State::Text : State::Sub;
            break;
        }
    }
    return out;
}

} // namespace zep::cluster
