// The radio through Hamlib, for real: the dummy radio in process, a rigctld daemon whose dial
// is turned with rigctl, killed and started again, a peer that never answers and a refused
// port. The caller's thread never waits on the radio.

#include "platform/HamlibRig.h"
#include "support/Rigctld.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace zep;
using zep::testing::Rigctld;
using zep::testing::SilentPeer;

namespace {

using State = RigReading::State;

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

TEST(HamlibRig, DummyRadioInProcessIsFollowedTestedAndListed) {
    HamlibRig rig;
    LastReading reading(rig);
    rig.follow(direct(1));
    // Hamlib's dummy radio starts on 145 MHz FM.
    QTRY_VERIFY_WITH_TIMEOUT(reading.last.answering(), 3000);
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
    QTRY_COMPARE_WITH_TIMEOUT(reading.last.state, State::NoLink, 1000);
}

TEST(HamlibRig, RigctldDialIsFollowedAndTheLinkComesBackAfterTheDaemonRestarts) {
    if (!Rigctld::available())
        GTEST_SKIP() << "rigctld and rigctl (libhamlib-utils) are not installed";
    Rigctld daemon;
    ASSERT_TRUE(daemon.start());
    HamlibRig rig;
    LastReading reading(rig);
    rig.follow(network(daemon.port()));
    QTRY_VERIFY_WITH_TIMEOUT(reading.last.answering(), 3000);

    ASSERT_TRUE(daemon.rigctl({QStringLiteral("F"), QStringLiteral("14285000")}));
    ASSERT_TRUE(
        daemon.rigctl({QStringLiteral("M"), QStringLiteral("USB"), QStringLiteral("2400")}));
    QTRY_VERIFY_WITH_TIMEOUT(reading.last.hz == 14'285'000 && reading.last.mode == "USB", 3000);

    daemon.kill();
    QTRY_COMPARE_WITH_TIMEOUT(reading.last.state, State::Silent, 2000);
    ASSERT_TRUE(daemon.start());
    // The dead link is dropped and opened again within the 5 s of reconnection.
    QElapsedTimer back;
    back.start();
    QTRY_VERIFY_WITH_TIMEOUT(reading.last.answering(), 8000);
    EXPECT_LT(back.elapsed(), 7000);
}

TEST(HamlibRig, APeerThatNeverAnswersNeitherFreezesTheCallerNorDelaysTheEnd) {
    SilentPeer peer;
    QElapsedTimer clock;
    clock.start();
    auto rig = std::make_unique<HamlibRig>();
    LastReading reading(*rig);
    rig->follow(network(peer.port()));
    EXPECT_LT(clock.elapsed(), 50);
    QTRY_COMPARE_WITH_TIMEOUT(reading.last.state, State::Silent, 3000);
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

TEST(HamlibRig, TheCausesOfAFailedTestAreFrench) {
    HamlibRig rig;
    QSignalSpy tested(&rig, &RigControl::tested);
    const quint16 closed = zep::testing::freePort();
    rig.test(network(closed));
    rig.test(direct(999'999));
    QTRY_COMPARE_WITH_TIMEOUT(tested.size(), 2, 3000);
    QStringList causes = {tested.at(0).at(1).toString(), tested.at(1).at(1).toString()};
    causes.sort();
    EXPECT_EQ(causes, (QStringList{"liaison impossible : connexion refusée, ou périphérique "
                                   "absent ou occupé",
                                   "modèle de poste inconnu"}));
    EXPECT_EQ(tested.at(0).at(0).value<RigReading>().state, State::Silent);
}
