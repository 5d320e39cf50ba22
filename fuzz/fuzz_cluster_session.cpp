// The exchange with a DX cluster node, fed whatever a node may send, cut in reads of any size:
// what the session keeps stays within its bound, everything it sends is its telnet refusals and
// lines of plain ASCII ended by CR LF (whatever login and comment it was given), one outcome
// comes and nothing is sent after it.
// Input: one byte for the read size (1 to 64), the login and comment up to a NUL byte, then
// the node's bytes; a read that begins with byte 01 is followed by a silence.

#include "FuzzSupport.h"
#include "core/station/ClusterSession.h"

using namespace zep::cluster;
using namespace zep::fuzz;

namespace {

/// The bytes sent are telnet refusals (IAC WONT/DONT option) and whole lines of printable
/// ASCII, each ended by CR LF.
bool sentIsPlain(const QByteArray &sent) {
    bool inLine = false;
    for (qsizetype i = 0; i < sent.size(); ++i) {
        const auto b = static_cast<unsigned char>(sent.at(i));
        if (b == 0xFF) {
            if (inLine || i + 2 >= sent.size())
                return false;
            const auto verb = static_cast<unsigned char>(sent.at(i + 1));
            if (verb != 0xFC && verb != 0xFE)
                return false;
            i += 2;
        } else if (b == '\r') {
            if (i + 1 >= sent.size() || sent.at(i + 1) != '\n')
                return false;
            ++i;
            inLine = false;
        } else if (b < 0x20 || b >= 0x7F) {
            return false;
        } else {
            inLine = true;
        }
    }
    return !inLine;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    const QByteArray input = view(data, size).toByteArray();
    const qsizetype readSize = (static_cast<unsigned char>(input.at(0)) % 64) + 1;
    qsizetype nul = input.indexOf('\0', 1);
    if (nul < 0)
        nul = input.size();
    const QString words = QString::fromLatin1(input.mid(1, nul - 1));
    const QByteArray node = input.mid(nul + 1);

    Session session(words, {14285.0, words, words});
    constexpr qsizetype bound = 2 * maxLineLength + maxAnswerLength;
    QByteArray sent;
    int outcomes = 0;
    const auto take = [&](const Step &step) {
        if (outcomes > 0 && !step.send.isEmpty())
            fail("bytes sent after the outcome", QString::fromLatin1(step.send));
        sent += step.send;
        if (step.outcome) {
            ++outcomes;
            check(step.outcome->text.size() <= maxAnswerLength &&
                      step.outcome->text.count(QLatin1Char('\n')) < maxAnswerLines,
                  "answer over its bound");
            for (const QChar c : step.outcome->text)
                check(c == QLatin1Char('\n') || (c.unicode() >= 0x20 && c.unicode() != 0x7F &&
                                                 (c.unicode() < 0x80 || c.unicode() >= 0xA0)),
                      "a control character in the outcome", step.outcome->text);
        }
        check(session.keptLength() <= bound, "kept more than the bound");
    };
    take(session.connected());
    for (qsizetype at = 0; at < node.size(); at += readSize) {
        const QByteArray read = node.mid(at, readSize);
        take(session.received(read));
        if (read.startsWith('\x01'))
            take(session.quiet());
    }
    take(session.timedOut());
    check(outcomes == 1, "not exactly one outcome");
    check(session.finished(), "not finished after the time out");
    check(sentIsPlain(sent), "sent a control character or a cut line",
          QString::fromLatin1(sent.toHex()));
    return 0;
}
