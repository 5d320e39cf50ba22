#include "core/digital/ArrivedQso.h"

#include "core/adif/AdifData.h"
#include "core/adif/AdifReader.h"
#include "core/exchange/AdifAwardExport.h"
#include "core/station/RadioReading.h"

#include <cmath>

namespace zep::digital {

namespace {

constexpr qint64 oneDaySeconds = 24 * 60 * 60;
constexpr int maxReportDb = 50;

struct Given {
    QDateTime on;
    QString call, grid, mode, reportSent, reportReceived, comments;
    qint64 hz = 0;
    std::optional<int> bandRow; ///< from the ADIF band when no frequency came
};

Checked refuse(const QString &why) {
    return {std::nullopt, why};
}

Checked check(const Given &g, const QString &sender, const QDateTime &nowUtc,
              const QStringList &bandRows) {
    ArrivedQso q;
    q.sender = sender;
    q.call = g.call.trimmed().toUpper();
    if (!isCallSign(q.call))
        return refuse(QStringLiteral("indicatif « %1 » refusé").arg(q.call.left(20)));
    if (!g.on.isValid())
        return refuse(QStringLiteral("QSO sans date"));
    if (std::llabs(g.on.secsTo(nowUtc)) > oneDaySeconds)
        return refuse(QStringLiteral("date à plus d'un jour de l'horloge"));
    const QDateTime utc = g.on.toUTC();
    q.on = QDateTime(utc.date(), QTime(utc.time().hour(), utc.time().minute()), Qt::UTC);

    std::optional<int> row = g.bandRow;
    if (g.hz > 0) {
        row = radio::bandRow(g.hz, bandRows);
        q.hz = g.hz;
    }
    if (!row)
        return refuse(QStringLiteral("fréquence hors des bandes du log"));
    q.bandRow = *row;
    q.band = bandRows.at(*row);

    q.mode = g.mode.trimmed().toUpper();
    if (q.mode.isEmpty() || q.mode.size() > 4 ||
        !std::all_of(q.mode.begin(), q.mode.end(),
                     [](QChar c) { return c.isDigit() || (c >= u'A' && c <= u'Z'); }))
        return refuse(QStringLiteral("mode « %1 » refusé").arg(q.mode.left(20)));

    const auto sent = reportText(g.reportSent);
    const auto received = reportText(g.reportReceived);
    if (!sent || !received)
        return refuse(QStringLiteral("report refusé"));
    q.reportSent = *sent;
    q.reportReceived = *received;
    // A locator that is none is left out; the QSO still counts.
    if (const auto grid = adif3::gridSquare(g.grid))
        q.grid = *grid;
    q.comments = g.comments.simplified();
    return {q, {}};
}

/// ADIF's QSO_DATE (yyyymmdd) and TIME_ON (hhmm or hhmmss) as a UTC date and time.
QDateTime adifStamp(const QByteArray &date, const QByteArray &time) {
    const QDate d = QDate::fromString(QString::fromLatin1(date), QStringLiteral("yyyyMMdd"));
    QTime t;
    if (time.size() == 4)
        t = QTime::fromString(QString::fromLatin1(time), QStringLiteral("HHmm"));
    else if (time.size() == 6)
        t = QTime::fromString(QString::fromLatin1(time), QStringLiteral("HHmmss"));
    if (!d.isValid() || !t.isValid())
        return {};
    return QDateTime(d, t, Qt::UTC);
}

} // namespace

QString ArrivedQso::key() const {
    return call + QLatin1Char(' ') + on.toString(QStringLiteral("yyyyMMddhhmm")) +
           QLatin1Char(' ') + band + QLatin1Char(' ') + mode;
}

bool isCallSign(const QString &call) {
    if (call.size() < 3 || call.size() > 12 || call.startsWith(u'/') || call.endsWith(u'/') ||
        call.contains(QStringLiteral("//")))
        return false;
    bool letter = false, digit = false;
    for (const QChar c : call) {
        if (c >= u'A' && c <= u'Z')
            letter = true;
        else if (c.isDigit() && c.unicode() < 0x80)
            digit = true;
        else if (c != u'/')
            return false;
    }
    return letter && digit;
}

std::optional<QString> reportText(const QString &sent) {
    const QString t = sent.trimmed();
    if (t.isEmpty())
        return QString();
    bool ok = false;
    const int db = t.toInt(&ok);
    if (!ok || db < -maxReportDb || db > maxReportDb)
        return std::nullopt;
    return QStringLiteral("%1%2")
        .arg(db < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(std::abs(db), 2, 10, QLatin1Char('0'));
}

Checked checkQsoLogged(const QsoLogged &m, const QString &sender, const QDateTime &nowUtc,
                       const QStringList &bandRows) {
    Given g;
    g.on = m.on.isValid() ? m.on : m.off;
    g.call = m.dxCall;
    g.grid = m.dxGrid;
    g.mode = m.mode;
    g.reportSent = m.reportSent;
    g.reportReceived = m.reportReceived;
    g.comments = m.comments;
    if (m.txHz > quint64(std::numeric_limits<qint64>::max()))
        return refuse(QStringLiteral("fréquence hors des bandes du log"));
    g.hz = qint64(m.txHz);
    return check(g, sender, nowUtc, bandRows);
}

Checked checkLoggedAdif(QByteArrayView adifText, const QString &sender, const QDateTime &nowUtc,
                        const QStringList &bandRows) {
    const adif::ReadResult read = adif::readAdi(adifText);
    if (read.brokenTags || read.records.size() != 1)
        return refuse(QStringLiteral("ADIF sans un QSO"));
    const adif::Record &r = read.records.first();
    Given g;
    g.call = QString::fromUtf8(r.value("CALL"));
    g.on = adifStamp(r.value("QSO_DATE"), r.value("TIME_ON"));
    const QByteArray submode = r.value("SUBMODE");
    // FT4 is a submode of MFSK in ADIF; the log names it by the submode.
    g.mode = QString::fromLatin1(submode.isEmpty() ? r.value("MODE") : submode);
    g.reportSent = QString::fromUtf8(r.value("RST_SENT"));
    g.reportReceived = QString::fromUtf8(r.value("RST_RCVD"));
    g.grid = QString::fromUtf8(r.value("GRIDSQUARE"));
    g.comments = QString::fromUtf8(r.value("COMMENT"));
    bool ok = false;
    const double mhz = r.value("FREQ").toDouble(&ok);
    if (ok && std::isfinite(mhz) && mhz > 0 && mhz < 1e6) {
        g.hz = std::llround(mhz * 1e6);
    } else if (const auto limits = adif::bandLimits(r.value("BAND").toLower())) {
        g.bandRow = radio::bandRow(std::llround(limits->lowerMHz * 1e6), bandRows);
        if (!g.bandRow)
            return refuse(QStringLiteral("fréquence hors des bandes du log"));
    }
    return check(g, sender, nowUtc, bandRows);
}

bool RecentQsos::alreadyMet(const ArrivedQso &qso) {
    const QString key = qso.key();
    if (keys_.contains(key))
        return true;
    keys_.append(key);
    if (keys_.size() > capacity_)
        keys_.removeFirst();
    return false;
}

} // namespace zep::digital
