// Keying through the radio's CAT link, for real: a rigctld with Hamlib's dummy radio, its PTT
// read back with rigctl and the Morse commands it received read from its own log; the helper
// program in between, killed while it keys the transmitter.

#include "platform/CatKeyer.h"
#include "platform/HelperRig.h"
#include "support/Rigctld.h"
#include "support/TryWait.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
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
