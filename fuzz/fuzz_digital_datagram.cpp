// The datagrams of the FT8 and FT4 programs, fed whatever a network may carry: the reader
// never reads past the datagram, keeps every string within its bound, and a QSO it lets
// through the checks has a call sign's shape, a mode of at most four characters, a band of
// the log and a date within a day of the clock. The same bytes as gpsd's stream keep the
// line reader within its bound.
// Input: the datagram's bytes.

#include "FuzzSupport.h"
#include "core/digital/ArrivedQso.h"
#include "core/digital/DigitalMessage.h"
#include "core/digital/StationLocator.h"

using namespace zep::digital;
using namespace zep::fuzz;

namespace {

const QDateTime now(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC);
const QStringList rows{"1.8", "3.5", "7", "10", "14", "18", "21", "24", "28", "50", "144"};

void checkQso(const Checked &c) {
    check(c.qso.has_value() != !c.refusal.isEmpty(), "neither a QSO nor a refusal");
    if (!c.qso)
        return;
    const ArrivedQso &q = *c.qso;
    check(isCallSign(q.call), "a call sign of no shape", q.call);
    check(!q.mode.isEmpty() && q.mode.size() <= 4, "a mode too long", q.mode);
    check(rows.contains(q.band) && rows.at(q.bandRow) == q.band, "a band not of the log", q.band);
    check(std::llabs(q.on.secsTo(now)) <= 24 * 3600 + 60, "a date beyond a day", q.date());
    check(q.reportSent.size() <= 3 && q.reportReceived.size() <= 3, "a report too long");
    check(q.grid.size() <= 8, "a locator too long", q.grid);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArrayView bytes = view(data, size);
    const Read r = readDatagram(bytes);
    check(r.ok() == r.refusal.isEmpty(), "neither a message nor a refusal");
    if (r.ok()) {
        const Message &m = *r.message;
        check(m.id.size() <= maxShortField, "an id over its bound");
        check(m.adif.size() <= maxLongField, "an ADIF text over its bound");
        if (m.qsoLogged) {
            check(m.qsoLogged->dxCall.size() <= maxShortField, "a call over its bound");
            check(m.qsoLogged->comments.size() <= maxLongField, "a comment over its bound");
            checkQso(checkQsoLogged(*m.qsoLogged, m.id, now, rows));
        }
        if (m.type == Type::LoggedAdif)
            checkQso(checkLoggedAdif(m.adif, m.id, now, rows));
    }
    GpsdStream gpsd;
    (void)gpsd.received(bytes);
    check(gpsd.kept() <= GpsdStream::maxLine, "gpsd's line over its bound");
    return 0;
}
