// The radio through Hamlib in the helper program, for real: Hamlib's dummy radio, a rigctld
// daemon whose dial is turned with rigctl, killed and started again, a peer that never answers,
// a refused port, a peer that floods the link; the helper killed, stopped, left without its
// program; the helper's lines taken as input. The caller's thread never waits on the radio.

#include "platform/HelperRig.h"
#include "support/Rigctld.h"
#include "support/TryWait.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/stat.h>
#include <sys/types.h>
#include <thread>

using namespace zep;
using zep::testing::FloodingPeer;
using zep::testing::Rigctld;
using zep::testing::SilentPeer;

namespace {

using State = RigReading::State;

const QString helper = QStringLiteral(ZEP_POSTE_PROGRAM);

RigLink direct(int model) {
    RigLink link;
    link.kind = RigLink::Kind::Direct;
    link.model = model;
    return link;
}

RigLink network(quint16 port) {
    RigLink link;
    link.kind = RigLink::Kind::Rigctld;
    link.port = port;
    return link;
}

/// Follows the last reading `rig` reported.
struct LastReading {
    explicit LastReading(RigControl &rig) {
        QObject::connect(&rig, &RigControl::readingChanged, &context, [this](const RigReading &r) {
            last = r;
            ++count;
        });
    }
    QObject context;
    RigReading last;
    int count = 0;
};

/// Whether process `pid` still runs (a zombie waiting for its parent runs no more).
bool running(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype end = line.lastIndexOf(')');
    return end > 0 && line.size() > end + 2 && line.at(end + 2) != 'Z';
}

/// A helper program gone wrong, written as a shell script in `dir`.
QString fakeHelper(const QTemporaryDir &dir, const char *name, const QByteArray &body) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly) || script.write("#!/bin/sh\n" + body) < 0)
        return QString();
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

/// The worst delay of a 5 ms timer of this thread while `ms` milliseconds go by.
qint64 worstTimerDelay(int ms) {
    QElapsedTimer clock;
    clock.start();
    qint64 previous = 0, worst = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        worst = std::max(worst, now - previous - 5);
        previous = now;
    });
    tick.start();
    // The thread's own loop: QTest::qWait would sleep between its rounds.
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return worst;
}

} // namespace

TEST(HelperRig, DummyRadioIsFollowedTestedAndListed) {
    HelperRig rig(helper);
    LastReading reading(rig);
    rig.follow(direct(1));
    // Hamlib's dummy radio starts on 145 MHz FM.
    ZEP_TRY_VERIFY(reading.last.answering(), 3000);
    EXPECT_EQ(reading.last.hz, 145'000'000);
    EXPECT_EQ(reading.last.mode, QStringLiteral("FM"));
    // A reading is reported when it changes, not at every poll.
    const int reported = reading.count;
    QTest::qWait(1200);
    EXPECT_EQ(reading.count, reported);

    QSignalSpy tested(&rig, &RigControl::tested);
    rig.test(direct(1));
    ASSERT_TRUE(tested.wait(3000));
    EXPECT_EQ(tested.at(0).at(0).value<RigReading>().hz, 145'000'000);
    EXPECT_EQ(tested.at(0).at(1).toString(), QString());

    QSignalSpy listed(&rig, &RigControl::modelsListed);
    rig.listModels();
    ASSERT_TRUE(listed.wait(5000));
    const auto models = listed.at(0).at(0).value<QList<RigModel>>();
    EXPECT_GT(models.size(), 100);
    const auto dummy =
        std::find_if(models.begin(), models.end(), [](const RigModel &m) { return m.number == 1; });
    ASSERT_NE(dummy, models.end());
    EXPECT_EQ(dummy->name, QStringLiteral("Dummy"));
    EXPECT_TRUE(std::is_sorted(models.begin(), models.end(), [](const auto &a, const auto &b) {
        return QString::compare(a.maker, b.maker, Qt::CaseInsensitive) < 0;
    }));

    rig.follow(RigLink{});
    ZEP_TRY_COMPARE(reading.last.state, State::NoLink, 1000);
}

TEST(HelperRig, RigctldDialIsFollowedAndTheLinkComesBackAfterTheDaemonRestarts) {
    if (!Rigctld::available())
        GTEST_SKIP() << "rigctld and rigctl (libhamlib-utils) are not installed";
    Rigctld daemon;
    ASSERT_TRUE(daemon.start());
    HelperRig rig(helper);
    LastReading reading(rig);
    rig.follow(network(daemon.port()));
    ZEP_TRY_VERIFY(reading.last.answering(), 3000);

    ASSERT_TRUE(daemon.rigctl({QStringLiteral("F"), QStringLiteral("14285000")}));
    ASSERT_TRUE(
        daemon.rigctl({QStringLiteral("M"), QStringLiteral("USB"), QStringLiteral("2400")}));
    ZEP_TRY_VERIFY(reading.last.hz == 14'285'000 && reading.last.mode == "USB", 3000);

    daemon.kill();
    ZEP_TRY_COMPARE(reading.last.state, State::Silent, 2000);
    ASSERT_TRUE(daemon.start());
    // The dead link is dropped and opened again within the 5 s of reconnection.
    QElapsedTimer back;
    back.start();
    ZEP_TRY_VERIFY(reading.last.answering(), 8000);
    EXPECT_LT(back.elapsed(), 7000);
}

TEST(HelperRig, APeerThatNeverAnswersNeitherFreezesTheCallerNorDelaysTheEnd) {
    SilentPeer peer;
    QElapsedTimer clock;
    clock.start();
    auto rig = std::make_unique<HelperRig>(helper);
    LastReading reading(*rig);
    rig->follow(network(peer.port()));
    EXPECT_LT(clock.elapsed(), 50);
    ZEP_TRY_COMPARE(reading.last.state, State::Silent, 3000);
    EXPECT_LT(worstTimerDelay(1500), 50);

    QSignalSpy tested(rig.get(), &RigControl::tested);
    rig->test(network(peer.port()));
    ASSERT_TRUE(tested.wait(4000));
    EXPECT_EQ(tested.at(0).at(1).toString(), QStringLiteral("le poste ne répond pas"));

    // The worker is now in the middle of opening a link that hangs: the end does not wait.
    rig->follow(network(peer.port()));
    QTest::qWait(100);
    clock.restart();
    rig.reset();
    EXPECT_LT(clock.elapsed(), 1000);
}

TEST(HelperRig, TheCausesOfAFailedTestAreFrench) {
    HelperRig rig(helper);
    QSignalSpy tested(&rig, &RigControl::tested);
    const quint16 closed = zep::testing::freePort();
    rig.test(network(closed));
    rig.test(direct(999'999));
    ZEP_TRY_COMPARE(tested.size(), 2, 3000);
    QStringList causes = {tested.at(0).at(1).toString(), tested.at(1).at(1).toString()};
    causes.sort();
    EXPECT_EQ(causes, (QStringList{"liaison impossible : connexion refusée, ou périphérique "
                                   "absent ou occupé",
                                   "modèle de poste inconnu"}));
    EXPECT_EQ(tested.at(0).at(0).value<RigReading>().state, State::Silent);
}

TEST(HelperRig, APeerThatAnswersFiftyKilobytesLeavesTheProgramStandingUntilARealDaemonIsBack) {
    if (!Rigctld::available())
        GTEST_SKIP() << "rigctld and rigctl (libhamlib-utils) are not installed";
    RigTiming timing;
    timing.maxBackoffMs = 2000;
    auto peer = std::make_unique<FloodingPeer>();
    const quint16 port = peer->port();
    HelperRig rig(helper, timing);
    LastReading reading(rig);
    int answers = 0;
    QObject::connect(&rig, &RigControl::readingChanged, &reading.context,
                     [&](const RigReading &r) { answers += r.answering() ? 1 : 0; });
    rig.follow(network(port));
    ZEP_TRY_COMPARE(reading.last.state, State::Silent, 5000);
    // Whatever the library makes of the flood (the helper dies of it, or reads nothing), the
    // line says the radio does not answer, and keeps saying it.
    QTest::qWait(3000);
    EXPECT_EQ(radio::stateLine(reading.last, false), QStringLiteral("Poste : pas de réponse"));
    EXPECT_EQ(answers, 0);

    peer.reset();
    Rigctld daemon(port);
    ASSERT_TRUE(daemon.start());
    ZEP_TRY_VERIFY(reading.last.answering(), 12000);
    EXPECT_EQ(reading.last.hz, 145'000'000);
}

TEST(HelperRig, AHelperKilledOrStoppedMidRunIsReplacedAndTheReadingComesBack) {
    if (!Rigctld::available())
        GTEST_SKIP() << "rigctld and rigctl (libhamlib-utils) are not installed";
    Rigctld daemon;
    ASSERT_TRUE(daemon.start());
    HelperRig rig(helper);
    LastReading reading(rig);
    rig.follow(network(daemon.port()));
    const struct {
        int signal;
        const char *what;
    } cases[] = {
        {SIGKILL, "killed"},
        {SIGSTOP, "stopped: a hang"},
        {SIGSEGV, "crashed"},
        {SIGKILL, "killed again, after a good run"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ZEP_TRY_VERIFY(reading.last.answering(), 6000);
        const qint64 pid = rig.helperPid();
        ASSERT_GT(pid, 0);
        ASSERT_EQ(::kill(pid_t(pid), c.signal), 0);
        ZEP_TRY_COMPARE(reading.last.state, State::Silent, 4000);
        ZEP_TRY_VERIFY(rig.helperPid() != 0 && rig.helperPid() != pid, 4000);
        ZEP_TRY_VERIFY(reading.last.answering(), 6000);
        EXPECT_EQ(reading.last.hz, 145'000'000);
        // The stopped one is killed, not left behind.
        ZEP_TRY_VERIFY(!running(pid), 2000);
    }
    EXPECT_EQ(rig.starts(), 5);
}

TEST(HelperRig, AHelperThatKeepsDyingIsStartedAgainLaterEachTimeUpToTheCap) {
    const QString dies = QStandardPaths::findExecutable(QStringLiteral("false"));
    ASSERT_FALSE(dies.isEmpty());
    QTemporaryDir dir;
    // Its greeting is no proof that it works: only a reading of the radio is.
    const QString greetsAndDies = fakeHelper(dir, "greets-and-dies", "echo 'HELLO 1'\n");
    const QString programs[] = {dies, QStringLiteral("/nonexistent/zep-rozadovev-poste"),
                                greetsAndDies};
    for (const QString &program : programs) {
        RigTiming timing;
        timing.firstBackoffMs = 200;
        timing.maxBackoffMs = 400;
        HelperRig rig(program, timing);
        LastReading reading(rig);
        QElapsedTimer clock;
        QList<qint64> starts;
        QObject::connect(&rig, &HelperRig::helperStarted, &reading.context,
                         [&] { starts.append(clock.elapsed()); });
        clock.start();
        rig.follow(network(4532));
        ZEP_TRY_VERIFY(starts.size() >= 5, 6000);
        EXPECT_EQ(reading.last.state, State::Silent) << program.toStdString();
        // 0.2 s, 0.4 s, then never more than the cap (doubling would give 0.8 s, 1.6 s).
        const qint64 waits[] = {200, 400, 400};
        for (int i = 0; i < 3; ++i)
            EXPECT_GE(starts[i + 1] - starts[i], waits[i]) << program.toStdString() << " " << i;
        EXPECT_LT(starts[4] - starts[3], 1600) << program.toStdString();
        // Following nothing, nothing is restarted.
        rig.follow(RigLink{});
        const qsizetype count = starts.size();
        QTest::qWait(1000);
        EXPECT_EQ(starts.size(), count) << program.toStdString();
        EXPECT_EQ(reading.last.state, State::NoLink);
    }
}

TEST(HelperRig, AHelperThatAnswersItsPingsButNeverReadsTheRadioIsReplacedWithinTheWatch) {
    QTemporaryDir dir;
    const QString stuck = fakeHelper(dir, "stuck-in-the-library", R"(echo "HELLO 1"
while read -r verb id rest; do
    [ "$verb" = PING ] && echo "PONG $id"
done
)");
    RigTiming timing;
    timing.pingMs = 100;
    timing.answerMs = 1000;
    timing.followMs = 1500;
    timing.firstBackoffMs = 200;
    HelperRig rig(stuck, timing);
    LastReading reading(rig);
    QElapsedTimer clock;
    QList<qint64> starts;
    QObject::connect(&rig, &HelperRig::helperStarted, &reading.context,
                     [&] { starts.append(clock.elapsed()); });
    clock.start();
    rig.follow(network(4532));
    // It answers every sign of life, so only the missing readings can tell it is stuck.
    ZEP_TRY_VERIFY(starts.size() >= 2, 4000);
    EXPECT_GE(starts[1] - starts[0], timing.followMs);
    EXPECT_LE(starts[1] - starts[0], timing.followMs + timing.firstBackoffMs + 1000);
    EXPECT_EQ(reading.last.state, State::Silent);
}

TEST(HelperRig, TheHelpersLinesAreCheckedAndWhatIsNoReadingIsDropped) {
    QTemporaryDir dir;
    // A helper gone wrong: it answers the link with a flood and readings out of bounds, one
    // good reading among them.
    const QString fake = fakeHelper(dir, "fake-poste", R"(echo "HELLO 1"
read -r verb id rest
head -c 60000 /dev/zero | tr '\0' x; echo
for f in nan -nan inf -14285000 0 300000000001 99999999999999999999999 1.5e7 14285000x; do
    printf 'READING %s %s USB\n' "$id" "$f"
done
printf 'READING %s 14285000 US%%20B\n' "$id"
printf 'READING %s 14285000\n' "$id"
printf 'READING 999 21000000 USB\n'
printf 'SOMETHING %s 14285000 USB\n' "$id"
printf 'READING %s 7030000 CW\n' "$id"
exec cat >/dev/null
)");
    ASSERT_FALSE(fake.isEmpty());

    HelperRig rig(fake);
    QList<RigReading> answers;
    QObject::connect(&rig, &RigControl::readingChanged, &rig, [&](const RigReading &r) {
        if (r.answering())
            answers.append(r);
    });
    rig.follow(network(4532));
    ZEP_TRY_VERIFY(!answers.isEmpty(), 3000);
    QTest::qWait(300);
    const RigReading cw{State::Answering, 7'030'000, QStringLiteral("CW")};
    EXPECT_EQ(answers, QList<RigReading>{cw});
    // It never answers PING: it is taken for a hung helper and replaced.
    ZEP_TRY_VERIFY(rig.starts() >= 2, 5000);
}

TEST(HelperRig, TheHelperEndsWhenTheProgramGoes) {
    SilentPeer peer;
    const struct {
        const char *what;
        bool following;
    } inputClosed[] = {{"idle", false}, {"in a link that hangs", true}};
    for (const auto &c : inputClosed) {
        QProcess p;
        p.start(helper);
        ASSERT_TRUE(p.waitForReadyRead(5000)) << c.what;
        EXPECT_EQ(p.readLine(), QByteArray("HELLO 1\n")) << c.what;
        if (c.following) {
            p.write("FOLLOW 1 NET 127.0.0.1 " + QByteArray::number(peer.port()) + "\n");
            QTest::qWait(300);
        }
        p.closeWriteChannel();
        ASSERT_TRUE(p.waitForFinished(3000)) << c.what;
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << c.what;
        EXPECT_EQ(p.exitCode(), 0) << c.what;
    }

    // The program killed outright: the helper's input stays open (a pipe it holds both ends
    // of), yet it goes with its parent.
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("input"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QProcess shell;
    shell.start(
        QStringLiteral("sh"),
        {QStringLiteral("-c"), QStringLiteral("\"$0\" <>\"$1\" & echo $!; wait"), helper, pipe});
    ASSERT_TRUE(shell.waitForReadyRead(5000));
    const qint64 child = shell.readLine().trimmed().toLongLong();
    ASSERT_GT(child, 0);
    ZEP_TRY_VERIFY(running(child), 2000);
    QTest::qWait(200);
    ASSERT_TRUE(running(child));
    shell.kill();
    ASSERT_TRUE(shell.waitForFinished(3000));
    ZEP_TRY_VERIFY(!running(child), 3000);
}

TEST(HelperRig, AWindowThatHeldItsThreadForSecondsDoesNotTakeTheSoundHelperForHung) {
    HelperRig rig(helper);
    LastReading reading(rig);
    rig.follow(direct(1));
    ZEP_TRY_VERIFY(reading.last.answering(), 3000);
    const qint64 pid = rig.helperPid();
    // The helper's lines wait in the pipe meanwhile, unread.
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    QTest::qWait(1500);
    EXPECT_EQ(rig.helperPid(), pid);
    EXPECT_EQ(rig.starts(), 1);
    EXPECT_TRUE(reading.last.answering());
}
