// What a cluster node sends to the staying connection, cut in reads of any size: the feed
// keeps within its bound, sends only its telnet refusals and whole ASCII lines, and every spot
// it reads has a call sign, a frequency in range, a time of day and no control character; the
// references found in any comment are a bounded number of plain words.
// Input: one byte for the read size (1 to 64), then the node's bytes.

#include "FuzzSupport.h"
#include "core/adif/ReferenceShapes.h"
#include "core/station/ClusterFeed.h"

using namespace zep;
using namespace zep::fuzz;

namespace {

bool plain(const QString &text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    const QByteArray input = view(data, size).toByteArray();
    const qsizetype readSize = (static_cast<unsigned char>(input.at(0)) % 64) + 1;
    const QByteArray node = input.mid(1);

    cluster::FeedSession session(QStringLiteral("F4ABC"));
    for (qsizetype at = 0; at < node.size(); at += readSize) {
        const cluster::FeedSession::Step step = session.received(node.mid(at, readSize));
        check(session.keptLength() <= cluster::maxLineLength + cluster::maxAnswerLength,
              "kept more than the bound");
        // Telnet refusals (IAC, WONT or DONT, the option) and plain ASCII lines.
        for (qsizetype i = 0; i < step.send.size(); ++i) {
            const auto b = static_cast<unsigned char>(step.send[i]);
            if (b == 0xFF) {
                check(i + 2 < step.send.size(), "a cut telnet refusal");
                i += 2;
                continue;
            }
            check(b == '\r' || b == '\n' || (b >= 0x20 && b < 0x7F), "sent a control character",
                  QString::fromLatin1(step.send.toHex()));
        }
        for (spots::Spot spot : step.spots) {
            check(!spot.call.isEmpty() && spot.call.size() <= 15, "a spot without its call");
            check(spot.kHz >= 100 && spot.kHz <= 300e6, "a frequency out of range");
            check(spot.utcMinutes >= 0 && spot.utcMinutes < 24 * 60, "no time of day");
            check(plain(spot.comment) && plain(spot.spotter), "a control character shown",
                  spot.comment);
            spots::recognise(spot, {QStringLiteral("DFCF")});
            const QList<adif::FoundReference> found = adif::findReferences(spot.comment);
            check(found.size() <= adif::maxFoundReferences, "too many references");
            for (const adif::FoundReference &f : found)
                check(!f.reference.contains(QLatin1Char(' ')) && plain(f.reference),
                      "a reference of several words", f.reference);
        }
    }
    return 0;
}
