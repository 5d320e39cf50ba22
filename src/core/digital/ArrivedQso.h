#pragma once

#include "core/digital/DigitalMessage.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace zep::digital {

/// A QSO logged by the FT8 or FT4 program, every field checked and put in the log's terms:
/// ready to become a line of the activation.
struct ArrivedQso {
    QDateTime on;   ///< UTC, to the minute the log keeps
    QString call;   ///< capitals, a call sign's shape
    QString mode;   ///< "FT8", "FT4"... at most four characters
    int bandRow = 0;
    QString band;   ///< the band box's text for that row ("14")
    qint64 hz = 0;  ///< the dial frequency, 0 when the sender gave only the band
    QString reportSent, reportReceived; ///< "-12", "+05" (blank when not given)
    QString grid;     ///< the station's locator as ADIF writes it ("JN18du"), or empty
    QString comments; ///< as sent; the log line cuts it to its column
    QString sender;   ///< the sender's id

    QString date() const { return on.toString(QStringLiteral("dd/MM/yy")); }
    QString time() const { return on.toString(QStringLiteral("hh:mm")); }
    /// What makes two messages one QSO: call, minute, band and mode.
    QString key() const;
};

struct Checked {
    std::optional<ArrivedQso> qso;
    QString refusal; ///< French, for the count of messages refused
};

/// The QSO a QSO Logged message tells, taken when each field holds: a call sign's shape, a
/// start (or, without one, an end) within a day of `nowUtc`, a frequency in one of the log's
/// bands (`bandRows`, the band box's texts), a mode of one to four letters and digits.
Checked checkQsoLogged(const QsoLogged &q, const QString &sender, const QDateTime &nowUtc,
                       const QStringList &bandRows);

/// The same from the one-record ADIF file of a Logged ADIF message (CALL, QSO_DATE, TIME_ON,
/// FREQ or BAND, MODE or SUBMODE, RST_SENT, RST_RCVD, GRIDSQUARE, COMMENT).
Checked checkLoggedAdif(QByteArrayView adif, const QString &sender, const QDateTime &nowUtc,
                        const QStringList &bandRows);

/// Whether `call` has a call sign's shape: 3 to 12 capitals, digits and "/", with a letter
/// and a digit, no "/" at either end or twice in a row.
bool isCallSign(const QString &call);

/// A report in dB as the log writes it: sign and two digits ("-12", "+05", "+00"); the empty
/// report stays empty; nothing when it is no number of dB (-50 to +50).
std::optional<QString> reportText(const QString &sent);

/// The calls of the messages met recently, so that the QSO Logged and Logged ADIF messages of
/// one QSO make one line. Keeps the last `capacity` keys.
class RecentQsos {
public:
    explicit RecentQsos(int capacity = 64) : capacity_(capacity) {}
    /// True when `qso` was already met (and is then not taken again), else remembers it.
    bool alreadyMet(const ArrivedQso &qso);

private:
    int capacity_;
    QList<QString> keys_;
};

} // namespace zep::digital
