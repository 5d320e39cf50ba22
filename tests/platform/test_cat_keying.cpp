// Keying through the radio's CAT link, for real: a rigctld with Hamlib's dummy radio, its PTT
// read back with rigctl and the Morse commands it received read from its own log; the helper
// program in between, killed while it keys the transmitter.

#include "platform/CatKeyer.h"
#include "platform/HelperRig.h"
#include "support/Rigctld.h"
#include "support/TryWait.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/types.h>

using namespace zep;
using zep::testing::Rigctld;

namespace {

const QString helper = QStringLiteral(ZEP_POSTE_PROGRAM);

RigLink network(quint16 port) {
    RigLink link;
    link.kind = RigLink::Kind::Rigctld;
    link.port = port;
    return link;
}

/// A keyable dummy radio behind rigctld, its log in a scratch folder.
struct KeyedRadio {
    bool start() {
        return dir.isValid() &&
               daemon.start({QStringLiteral("-P"), QStringLiteral("RIG"), QStringLiteral("-vvvvv")},
                            log());
    }
    QString log() const { return dir.filePath(QStringLiteral("rigctld.log")); }
    QByteArray logged() const {
        QFile f(log());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString ptt() const { return daemon.rigctlOutput({QStringLiteral("t")}); }
    QTemporaryDir dir;
    Rigctld daemon;
};

/// The connections to 127.0.0.1:`port` that are up, as the daemon listening there holds them.
int linksTo(quint16 port) {
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray local = ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    int links = 0;
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        const QByteArray established = "01";
        if (fields.size() > 3 && fields[1].endsWith(local) && fields[3] == established)
            ++links;
    }
    return links;
}

RigTiming quick() {
    RigTiming t;
    t.pollMs = 100;
    t.firstBackoffMs = 100;
    return t;
}

} // namespace

TEST(CatKeying, PttGoesOnThenOffAndTheWatchdogReleasesAForgottenOne) {
    if (!Rigctld::available())
        GTEST_SKIP() << "rigctld and rigctl (libhamlib-utils) are not installed";
    KeyedRadio radio;
    ASSERT_TRUE(radio.start());
    HelperRig rig(helper, quick());
    QSignalSpy done(&rig, &HelperRig::keyingDone);
    QSignalSpy failed(&rig, &HelperRig::keyingFailed);
    QSignalSpy released(&rig, &HelperRig::pttReleased);
    rig.follow(network(radio.daemon.port()));
    QTest::qWait(500);

    const quint64 on = rig.setPtt(true);
    ZEP_TRY_COMPARE(done.size(), 1, 3000);
    EXPECT_EQ(done.at(0).at(0).toULongLong(), on);
    EXPECT_TRUE(rig.pttOn());
    EXPECT_EQ(radio.ptt(), QStringLiteral("1"));

    rig.setPtt(false);
    ZEP_TRY_COMPARE(done.size(), 2, 3000);
    EXPECT_FALSE(rig.pttOn());
    EXPECT_EQ(radio.ptt(), QStringLiteral("0"));

    // Keyed for 300 ms and never released by the caller: released 2 s after the time asked.
    QElapsedTimer clock;
    clock.start();
    rig.setPtt(true, 300);
    ZEP_TRY_COMPARE(done.size(), 3, 3000);
    EXPECT_EQ(radio.ptt(), QStringLiteral("1"));
    ZEP_TRY_COMPARE(released.size(), 1, 4000);
    EXPECT_GE(clock.elapsed(), 2300);
    EXPECT_LT(clock.elapsed(), 3500);
    EXPECT_FALSE(rig.pttOn());
    ZEP_TRY_COMPARE(done.size(), 4, 3000);
    EXPECT_EQ(radio.ptt(), QStringLiteral("0"));
    EXPECT_EQ(failed.size(), 0);

    // Without a followed radio nothing is keyed, and the caller hears why.
    rig.follow(RigLink{});
    rig.setPtt(true);
    ZEP_TRY_COMPARE(failed.size(), 1, 1000);
    EXPECT_TRUE(failed.at(0).at(1).toString().contains(QStringLiteral("aucune liaison")));
}

TEST(CatKeying, TheTransmitterIsReleasedWhenTheHelperDiesOrTheProgramStops) {
    if (!Rigctld::available())
        GTEST_SKIP() << "rigctld and rigctl (libhamlib-utils) are not installed";
    KeyedRadio radio;
    ASSERT_TRUE(radio.start());
    {
        HelperRig rig(helper, quick());
        QSignalSpy done(&rig, &HelperRig::keyingDone);
        QSignalSpy released(&rig, &HelperRig::pttReleased);
        rig.follow(network(radio.daemon.port()));
        QTest::qWait(500);
        rig.setPtt(true);
        ZEP_TRY_COMPARE(done.size(), 1, 3000);
        ASSERT_EQ(radio.ptt(), QStringLiteral("1"));

        // Killed outright, the helper could release nothing: its successor does.
        const qint64 pid = rig.helperPid();
        ASSERT_EQ(::kill(pid_t(pid), SIGKILL), 0);
        ZEP_TRY_COMPARE(released.size(), 1, 3000);
        EXPECT_FALSE(rig.pttOn());
        ZEP_TRY_VERIFY(rig.helperPid() != 0 && rig.helperPid() != pid, 3000);
        ZEP_TRY_COMPARE(radio.ptt(), QStringLiteral("0"), 5000);

        // Keyed again, then the program goes: the helper releases before it ends.
        rig.setPtt(true);
        ZEP_TRY_COMPARE(done.size(), 2, 3000);
        ASSERT_EQ(radio.ptt(), QStringLiteral("1"));
    }
    EXPECT_EQ(radio.ptt(), QStringLiteral("0"));
}

TEST(CatKeying, TheRadioKeysTheTextAtItsSpeedAndStopsWhenAsked) {
    if (!Rigctld::available())
        GTEST_SKIP() << "rigctld and rigctl (libhamlib-utils) are not installed";
    KeyedRadio radio;
    ASSERT_TRUE(radio.start());
    HelperRig rig(helper, quick());
    rig.follow(network(radio.daemon.port()));
    QTest::qWait(500);
    CatKeyer keyer(rig);
    QSignalSpy finished(&keyer, &CwKeyer::finished);
    QSignalSpy failed(&keyer, &CwKeyer::failed);

    keyer.send(QStringLiteral("CQ F4XYZ"), 40);
    ZEP_TRY_VERIFY(radio.logged().contains("dummy_send_morse"), 3000);
    EXPECT_TRUE(radio.logged().contains("KEYSPD 40"));
    // The end is reckoned from the text's length: CQ F4XYZ is about 2 s at 40 wpm.
    EXPECT_TRUE(finished.wait(4000));
    EXPECT_EQ(failed.size(), 0);

    keyer.send(QStringLiteral("CQ CQ CQ DE F4XYZ F4XYZ DFCF 76054 K"), 20);
    QTest::qWait(300);
    keyer.abort();
    ZEP_TRY_VERIFY(radio.logged().contains("cmd=stop_morse"), 3000);
    // The dummy radio has no stop: the refusal is one French line, and no end is reported.
    ZEP_TRY_COMPARE(failed.size(), 1, 3000);
    EXPECT_EQ(failed.at(0).at(0).toString(),
              QStringLiteral("Manipulateur (CAT) : ce poste ne le permet pas par sa liaison CAT."));
    QTest::qWait(500);
    EXPECT_EQ(finished.size(), 1);
}

TEST(CatKeying, TheTransmitterIsReleasedWhenTheLinkChangesOrIsCleared) {
    if (!Rigctld::available())
        GTEST_SKIP() << "rigctld and rigctl (libhamlib-utils) are not installed";
    Rigctld other;
    ASSERT_TRUE(other.start());
    const struct {
        const char *what;
        RigLink to;
        bool programCloses;
    } cases[] = {
        {"cleared", RigLink{}, false},
        {"changed to another radio", network(other.port()), false},
        {"cleared, the program closing at once", RigLink{}, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        KeyedRadio radio;
        ASSERT_TRUE(radio.start());
        auto rig = std::make_unique<HelperRig>(helper, quick());
        QSignalSpy done(rig.get(), &HelperRig::keyingDone);
        QSignalSpy released(rig.get(), &HelperRig::pttReleased);
        rig->follow(network(radio.daemon.port()));
        QTest::qWait(500);
        rig->setPtt(true);
        ZEP_TRY_COMPARE(done.size(), 1, 3000);
        ASSERT_EQ(radio.ptt(), QStringLiteral("1"));

        ASSERT_GE(linksTo(radio.daemon.port()), 1);

        rig->follow(c.to);
        EXPECT_FALSE(rig->pttOn());
        EXPECT_EQ(released.size(), 1);
        if (c.programCloses)
            rig.reset();
        // What the program says is what the radio does, and the radio left is let go: no
        // worker of the helper keeps its link (a serial port would stay held).
        ZEP_TRY_COMPARE(radio.ptt(), QStringLiteral("0"), 3000);
        ZEP_TRY_COMPARE(linksTo(radio.daemon.port()), 0, 3000);
    }
}

TEST(CatKeying, TheRadioIsTunedToTheDialAndModeAskedAndWhatItCannotTakeIsRefused) {
    if (!Rigctld::available())
        GTEST_SKIP() << "rigctld and rigctl (libhamlib-utils) are not installed";
    KeyedRadio radio;
    ASSERT_TRUE(radio.start());
    HelperRig rig(helper, quick());
    QSignalSpy refused(&rig, &RigControl::tuneFailed);
    RigReading last;
    QObject::connect(&rig, &RigControl::readingChanged, &rig,
                     [&](const RigReading &r) { last = r; });
    const auto dial = [&] { return radio.daemon.rigctlOutput({QStringLiteral("f")}); };
    const auto mode = [&] {
        return radio.daemon.rigctlOutput({QStringLiteral("m")}).section(QLatin1Char('\n'), 0, 0);
    };
    rig.follow(network(radio.daemon.port()));
    ZEP_TRY_VERIFY(last.answering(), 3000);

    // From the call to the radio holding the dial, as a second program reads it back.
    const struct {
        qint64 hz;
        const char *mode;
        const char *modeRead; ///< an empty mode keeps the radio's
    } tunings[] = {{7'030'000, "CW", "CW"},    {14'285'000, "USB", "USB"},
                   {3'760'000, "LSB", "LSB"},  {14'074'000, "PKTUSB", "PKTUSB"},
                   {21'074'000, "", "PKTUSB"}, {145'500'000, "FM", "FM"}};
    QList<qint64> delays;
    for (const auto &t : tunings) {
        QElapsedTimer clock;
        clock.start();
        rig.tune(t.hz, QString::fromLatin1(t.mode));
        ZEP_TRY_COMPARE(dial(), QString::number(t.hz), 3000);
        delays.append(clock.elapsed());
        ZEP_TRY_COMPARE(mode(), QString::fromLatin1(t.modeRead), 1000);
        ZEP_TRY_VERIFY(last.hz == t.hz && last.mode == QString::fromLatin1(t.modeRead), 3000);
    }
    std::sort(delays.begin(), delays.end());
    std::printf("tune to read back by rigctl: median %lld ms, worst %lld ms\n",
                delays[delays.size() / 2], delays.last());
    EXPECT_LT(delays[delays.size() / 2], 1000);
    EXPECT_EQ(refused.size(), 0);

    // Each refusal is one French line, and the radio stays where it was.
    const struct {
        qint64 hz;
        const char *mode;
        bool keyed;
        const char *cause;
    } refusals[] = {
        {0, "USB", false, "fréquence ou mode impossible"},
        {300'000'000'001, "USB", false, "fréquence ou mode impossible"},
        {7'100'000, "usb", false, "fréquence ou mode impossible"},
        {7'100'000, "NONSENSE", false, "demande refusée par le poste"},
        {7'100'000, "LSB", true, "le poste émet"},
    };
    for (const auto &r : refusals) {
        SCOPED_TRACE(r.mode);
        if (r.keyed)
            rig.setPtt(true);
        rig.tune(r.hz, QString::fromLatin1(r.mode));
        ASSERT_TRUE(refused.wait(3000));
        EXPECT_EQ(refused.takeFirst().at(0).toString(), QString::fromUtf8(r.cause));
        if (r.keyed)
            rig.setPtt(false);
        EXPECT_EQ(dial(), QStringLiteral("145500000"));
    }
    rig.follow(RigLink{});
    rig.tune(7'100'000, QStringLiteral("LSB"));
    ASSERT_TRUE(refused.wait(3000));
    EXPECT_EQ(refused.takeFirst().at(0).toString(),
              QStringLiteral("aucune liaison avec le poste n'est choisie"));
}
