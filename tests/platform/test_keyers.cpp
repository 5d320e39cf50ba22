#include "platform/DeviceKeyers.h"
#include "support/CwDaemon.h"
#include "support/TryWait.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "support/QStringPrint.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

using namespace zep;
using zep::testing::CwDaemon;

namespace {

KeyerTiming quick() {
    KeyerTiming t;
    t.openWaitMs = 500;
    t.marginMs = 800;
    return t;
}

/// The other end of a WinKeyer's serial port: a pseudo-terminal whose master side the test
/// reads and writes as the keyer would.
class KeyerPeer {
public:
    KeyerPeer() {
        int slave = -1;
        char name[256] = {};
        if (openpty(&master_, &slave, name, nullptr, nullptr) == 0) {
            device_ = QString::fromLocal8Bit(name);
            // Kept open so that the master never sees the line hang up between two openings.
            slave_ = slave;
            fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        }
    }
    ~KeyerPeer() {
        if (master_ >= 0)
            ::close(master_);
        if (slave_ >= 0)
            ::close(slave_);
    }
    const QString &device() const { return device_; }

    /// Bytes the program wrote, gathered until `enough` of them came or `ms` passed; Qt's
    /// events are served meanwhile.
    QByteArray read(int enough, int ms = 3000) {
        QElapsedTimer t;
        t.start();
        while (received_.size() < enough && t.elapsed() < ms) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 10) > 0) {
                char buffer[256];
                const ssize_t n = ::read(master_, buffer, sizeof buffer);
                if (n > 0)
                    received_.append(buffer, n);
            }
            QCoreApplication::processEvents();
        }
        const QByteArray out = received_.left(enough);
        received_.remove(0, out.size());
        return out;
    }
    void answer(std::initializer_list<unsigned char> bytes) {
        for (unsigned char b : bytes)
            ASSERT_EQ(::write(master_, &b, 1), 1);
    }

private:
    int master_ = -1;
    int slave_ = -1;
    QString device_;
    QByteArray received_;
};

} // namespace

TEST(CwDaemonKeyer, ARealCwdaemonKeysTheTextAtItsSpeedAndTellsItsEnd) {
    if (!CwDaemon::available())
        GTEST_SKIP() << "cwdaemon is not installed (scripts/setup.sh installs it)";
    CwDaemon daemon;
    ASSERT_TRUE(daemon.start());
    CwDaemonKeyer keyer(QStringLiteral("127.0.0.1"), daemon.port(), quick());
    QSignalSpy finished(&keyer, &CwKeyer::finished);
    QSignalSpy failed(&keyer, &CwKeyer::failed);

    keyer.send(QStringLiteral("TU 73"), 45);
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(daemon.texts(), QStringList{QStringLiteral("TU 73")});
    EXPECT_EQ(daemon.speeds(), QStringList{QStringLiteral("45")});

    // A message stopped in its middle: the abort reaches it, and no end is reported.
    keyer.send(QStringLiteral("CQ DFCF 76054 DE F4ABC/P F4ABC/P K"), 20);
    ASSERT_TRUE(QTest::qWaitFor([&] { return daemon.texts().size() == 2; }, 3000));
    keyer.setSpeed(22);
    keyer.abort();
    ASSERT_TRUE(QTest::qWaitFor([&] { return daemon.aborts() == 1; }, 3000));
    EXPECT_EQ(daemon.speeds().last(), QStringLiteral("22"));
    // No end is told for it: the next message's end is the only one after it.
    keyer.send(QStringLiteral("E"), 45);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.size() >= 2; }, 5000));
    EXPECT_EQ(daemon.texts().last(), QStringLiteral("E"));
    EXPECT_EQ(finished.size(), 2);
    EXPECT_EQ(failed.size(), 0);
}

TEST(CwDaemonKeyer, ASilentOrAbsentDaemonIsOneFailureNotAHang) {
    if (!CwDaemon::available())
        GTEST_SKIP() << "cwdaemon is not installed";
    // Nothing listens on the port: the message fails, once, with the place it was sent to.
    CwDaemon nobody; // its port, never started
    CwDaemonKeyer keyer(QStringLiteral("127.0.0.1"), nobody.port(), quick());
    QSignalSpy failed(&keyer, &CwKeyer::failed);
    keyer.send(QStringLiteral("TU"), 40);
    ASSERT_TRUE(failed.wait(4000));
    EXPECT_EQ(failed.first().first().toString(),
              QStringLiteral("cwdaemon ne répond pas (127.0.0.1:%1).").arg(nobody.port()));
    QTest::qWait(1200);
    EXPECT_EQ(failed.size(), 1);

    // A daemon stopped in the middle of a message never tells its end: the keyer says so
    // once the message should long have ended.
    CwDaemon daemon;
    ASSERT_TRUE(daemon.start());
    CwDaemonKeyer again(QStringLiteral("127.0.0.1"), daemon.port(), quick());
    QSignalSpy failedAgain(&again, &CwKeyer::failed);
    again.send(QStringLiteral("CQ CQ"), 60);
    ASSERT_TRUE(QTest::qWaitFor([&] { return daemon.texts().size() == 1; }, 3000));
    daemon.kill();
    ASSERT_TRUE(failedAgain.wait(6000));

    // An unknown host is said too, from the keyer's thread.
    CwDaemonKeyer lost(QStringLiteral("no-such-host.invalid"), 6789, quick());
    QSignalSpy lostFailed(&lost, &CwKeyer::failed);
    lost.send(QStringLiteral("TU"), 40);
    ASSERT_TRUE(lostFailed.wait(8000));
    EXPECT_TRUE(lostFailed.first().first().toString().contains(QStringLiteral("inconnu")));

    // An address no datagram may go to (a broadcast) is refused at once, at every message.
    CwDaemonKeyer everyone(QStringLiteral("255.255.255.255"), 6789, quick());
    QSignalSpy refused(&everyone, &CwKeyer::failed);
    everyone.send(QStringLiteral("TU"), 40);
    everyone.send(QStringLiteral("73"), 40);
    ZEP_TRY_COMPARE(refused.size(), 2, 3000);
    for (const QList<QVariant> &failure : refused)
        EXPECT_TRUE(failure.first().toString().startsWith(
            QStringLiteral("cwdaemon : 255.255.255.255:6789 ne peut être joint (")))
            << failure.first().toString().toStdString();
}

TEST(WinKeyerKeyer, OpensAsHostSendsSpeedAndTextAndEndsOnItsStatus) {
    KeyerPeer peer;
    ASSERT_FALSE(peer.device().isEmpty());
    WinKeyerKeyer keyer(peer.device(), quick());
    QSignalSpy finished(&keyer, &CwKeyer::finished);
    QSignalSpy failed(&keyer, &CwKeyer::failed);

    keyer.send(QStringLiteral("CQ DE F4ABC/P"), 30);
    EXPECT_EQ(peer.read(2), QByteArray("\x00\x02", 2)); // host open
    // Nothing more before the keyer gives its revision.
    EXPECT_EQ(peer.read(1, 200), QByteArray());
    peer.answer({30}); // revision 3.0
    EXPECT_EQ(peer.read(15), QByteArray("\x02\x1e"
                                        "CQ DE F4ABC/P",
                                        15));
    peer.answer({0xc4});       // busy: no end yet
    peer.answer({0x9f, 0xc0}); // a turn of the speed knob, then idle
    ASSERT_TRUE(finished.wait(2000));
    EXPECT_EQ(finished.size(), 1);

    // The speed while a message is keyed, then Escape: the buffer is cleared.
    keyer.send(QStringLiteral("TEST"), 30);
    EXPECT_EQ(peer.read(6), QByteArray("\x02\x1e"
                                       "TEST",
                                       6));
    peer.answer({0xc4});
    keyer.setSpeed(32);
    EXPECT_EQ(peer.read(2), QByteArray("\x02\x20", 2));
    keyer.abort();
    EXPECT_EQ(peer.read(1), QByteArray("\x0a", 1));
    peer.answer({0xc0});
    // An aborted message has no end to tell: the next message's end is the only one after it.
    keyer.send(QStringLiteral("E"), 30);
    EXPECT_TRUE(peer.read(3).endsWith('E'));
    peer.answer({0xc4});
    peer.answer({0xc0});
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.size() >= 2; }, 2000));
    EXPECT_EQ(finished.size(), 2);
    EXPECT_EQ(failed.size(), 0);
}

TEST(WinKeyerKeyer, WaitsWhileItsBufferIsFullAndFailsWhenSilent) {
    KeyerPeer peer;
    WinKeyerKeyer keyer(peer.device(), quick());
    QSignalSpy finished(&keyer, &CwKeyer::finished);
    const QString text(60, QLatin1Char('E'));
    keyer.send(text, 25);
    EXPECT_EQ(peer.read(2).size(), 2);
    peer.answer({23});
    const QByteArray first = peer.read(4);
    EXPECT_EQ(first.left(2), QByteArray("\x02\x19", 2));
    peer.answer({0xc5}); // busy, buffer more than two thirds full: the host waits
    QTest::qWait(100);
    QByteArray keyed = first.mid(2) + peer.read(1000, 300); // what was already on its way
    EXPECT_EQ(peer.read(1, 300), QByteArray());
    EXPECT_LT(keyed.size(), 60);
    peer.answer({0xc4}); // room again: the rest comes
    keyed += peer.read(60 - int(keyed.size()), 5000);
    EXPECT_EQ(keyed, QByteArray(60, 'E'));
    peer.answer({0xc0});
    ASSERT_TRUE(finished.wait(2000));

    // A port where no keyer answers the host opening.
    KeyerPeer mute;
    WinKeyerKeyer silent(mute.device(), quick());
    QSignalSpy failed(&silent, &CwKeyer::failed);
    silent.send(QStringLiteral("TU"), 25);
    ASSERT_TRUE(failed.wait(3000));
    EXPECT_EQ(failed.first().first().toString(),
              QStringLiteral("WinKeyer : aucun manipulateur ne répond sur %1.").arg(mute.device()));

    // A port that is not there.
    WinKeyerKeyer gone(QStringLiteral("/dev/zep-no-such-port"), quick());
    QSignalSpy goneFailed(&gone, &CwKeyer::failed);
    gone.send(QStringLiteral("TU"), 25);
    ASSERT_TRUE(goneFailed.wait(2000));
    EXPECT_TRUE(goneFailed.first().first().toString().startsWith(
        QStringLiteral("WinKeyer : /dev/zep-no-such-port ne s'ouvre pas")));
}
