#include "entry/EntryWindowFixture.h"

#include "cluster/Annonce_Cluster.h"
#include "cluster/ClusterMenus.h"
#include "cluster/Setup_Cluster.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"
#include "support/FloodingNode.h"
#include "support/MenuItems.h"
#include "support/QStringPrint.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

using namespace zep;
using namespace std::chrono_literals;
using zep::testing::FloodingNode;

namespace {

/// A DX cluster node on 127.0.0.1 played by the test: it records what it receives and answers
/// as a node does (login prompt, node prompt, the spot back), or hangs up, or keeps silent.
class FakeCluster : public QObject {
public:
    enum Behaviour { Node, Silent, HangsUp };

    explicit FakeCluster(Behaviour behaviour) {
        EXPECT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        connect(&server, &QTcpServer::newConnection, this, [this, behaviour] {
            QTcpSocket *peer = server.nextPendingConnection();
            ++connections;
            if (behaviour == HangsUp)
                peer->close();
            if (behaviour != Node)
                return;
            connect(peer, &QTcpSocket::readyRead, this, [this, peer] { answer(peer); });
            peer->write("\xff\xfb\x01Welcome to the test node\r\n\r\nlogin: "); // IAC WILL ECHO
        });
    }

    QStringList lines() const {
        QStringList all = QString::fromLatin1(received).split(QStringLiteral("\r\n"));
        all.removeAll(QString());
        return all;
    }

    QTcpServer server;
    QByteArray received;
    int connections = 0;

private:
    void answer(QTcpSocket *peer) {
        received += peer->readAll();
        if (!received.endsWith("\r\n"))
            return;
        const QStringList l = lines();
        if (l.size() == 1) // the call sign, after the telnet refusal
            peer->write(l.first().mid(3).toLatin1() + " de TEST 7-Dec-2026 1407Z node >");
        else if (l.size() == 2) // "DX <kHz> <call> <comment>" comes back as a spot
            peer->write("DX de " + l.first().mid(3).toLatin1() + ":  " +
                        l.last().mid(3).toLatin1() + "  1407Z\a\a\r\nnode >");
    }
};

class ClusterFromEntry : public zep::testing::EntryWindowTest {
protected:
    void openWithCluster(std::optional<double> radio = std::nullopt, int clusterPort = 0) {
        if (clusterPort) {
            settings.write(keys::clusterHote, QStringLiteral("127.0.0.1"));
            settings.writeInt(keys::clusterPort, clusterPort);
        }
        connectCluster(open(), services, [radio] { return radio; }, {1500ms, 200ms});
    }

    /// Ctrl+S from wherever the focus is in the entry window.
    Annonce_Cluster *announce() {
        press(Qt::Key_S, Qt::ControlModifier);
        auto *w = window->findChild<Annonce_Cluster *>();
        EXPECT_TRUE(w && QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }));
        return w;
    }

    /// Waits for the window to show the outcome; the time it took.
    static qint64 waitForAnswer(Annonce_Cluster *w) {
        QElapsedTimer t;
        t.start();
        EXPECT_TRUE(QTest::qWaitFor([w] { return !w->sending(); }, 5000));
        return t.elapsed();
    }

    ScriptedFileChooser files;
    RecordingPrintService printing;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
};

TEST_F(ClusterFromEntry, CtrlSOpensTheAnnouncementFilledFromTheRadioAndTheActivation) {
    for (const std::optional<double> radio : {std::optional<double>(14285.04), {}}) {
        openWithCluster(radio);
        EXPECT_TRUE(window->filesMenu->actions().contains(
            zep::testing::menuItem(*window, "Mnu_Annonce_Cluster")));
        EXPECT_EQ(zep::testing::menuItem(*window, "Mnu_Annonce_Cluster")->text(),
                  QStringLiteral("Annoncer sur le cluster…"));
        window->Mode_Q->setCurrentText(QStringLiteral("CW"));
        window->Indi_Q->setFocus();

        Annonce_Cluster *w = announce();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Annonce sur le cluster"));
        EXPECT_EQ(w->Frequence->text(), radio ? QStringLiteral("14285.0") : QString());
        EXPECT_EQ(w->Indicatif->text(), QStringLiteral("F4ABC"));
        EXPECT_EQ(w->Commentaire->text(), QStringLiteral("DFCF-21-001 CW"));
        // Without a radio, the frequency is what is left to type.
        EXPECT_EQ(focusName(), radio ? QStringLiteral("Envoyer") : QStringLiteral("Frequence"));
        TearDown();
    }
}

TEST_F(ClusterFromEntry, NodeGetsTheLoginThenTheDxLineAndItsAnswerShows) {
    for (const QString &login : {QStringLiteral("F4ABC"), QStringLiteral("F5XYZ")}) {
        FakeCluster node(FakeCluster::Node);
        settings.write(keys::clusterIndicatif, login == QLatin1String("F4ABC") ? "" : login);
        openWithCluster(std::nullopt, node.server.serverPort());
        Annonce_Cluster *w = announce();
        ASSERT_NE(w, nullptr);
        type(QStringLiteral("14285"));
        enter(); // "Envoyer" is the default button
        EXPECT_TRUE(w->sending());
        waitForAnswer(w);

        // The node's offer to echo is refused before the call sign goes.
        EXPECT_EQ(node.lines(), (QStringList{QStringLiteral("\xff\xfe\x01") + login,
                                             QStringLiteral("DX 14285.0 F4ABC DFCF-21-001 SSB"),
                                             QStringLiteral("BYE")}));
        EXPECT_EQ(w->Reponse->toPlainText(),
                  QStringLiteral("DX de %1:  14285.0 F4ABC DFCF-21-001 SSB  1407Z").arg(login));
        EXPECT_TRUE(w->Envoyer->isEnabled());
        EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.last().toStdString();
        TearDown();
    }
}

TEST_F(ClusterFromEntry, FailuresShowTheirFrenchCauseInTimeWhileEntryGoesOn) {
    const std::pair<std::optional<FakeCluster::Behaviour>, QString> cases[] = {
        {std::nullopt, QStringLiteral("connexion refusée")}, // a closed port
        {FakeCluster::HangsUp, QStringLiteral("connexion coupée")},
        {FakeCluster::Silent, QStringLiteral("pas de réponse du cluster")},
    };
    for (const auto &[behaviour, cause] : cases) {
        std::unique_ptr<FakeCluster> peer;
        quint16 port = 0;
        if (behaviour) {
            peer = std::make_unique<FakeCluster>(*behaviour);
            port = peer->server.serverPort();
        } else {
            QTcpServer closed;
            ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
            port = closed.serverPort();
        }
        openWithCluster(7074.0, port);
        Annonce_Cluster *w = announce();
        ASSERT_NE(w, nullptr);

        QElapsedTimer click;
        click.start();
        QTest::mouseClick(w->Envoyer, Qt::LeftButton);
        EXPECT_LT(click.elapsed(), 200) << "the click never waits for the network";
        EXPECT_TRUE(w->sending());
        // The entry window takes a call sign while the cluster is being reached.
        QApplication::setActiveWindow(window.get());
        window->Indi_Q->setFocus();
        type(QStringLiteral("DL1ABC"));
        EXPECT_EQ(window->Indi_Q->text(), QStringLiteral("DL1ABC"));

        EXPECT_LT(waitForAnswer(w), 2500) << cause.toStdString();
        EXPECT_EQ(w->Reponse->toPlainText(), cause);
        EXPECT_EQ(peer ? peer->connections : 1, 1);
        EXPECT_TRUE(dialogs.texts().isEmpty()) << "no message box";
        TearDown();
    }
}

TEST_F(ClusterFromEntry, NothingIsSentWithoutAFrequencyInKilohertzOrACluster) {
    FakeCluster node(FakeCluster::Node);
    const std::pair<int, QString> cases[] = {
        {node.server.serverPort(),
         QStringLiteral("Indiquez la fréquence en kHz, par exemple 14285.0")},
        {0, QStringLiteral("Indiquez le cluster (hôte et port) dans Setup > Cluster…")},
    };
    for (const auto &[port, message] : cases) {
        openWithCluster(14.285, port); // a radio read in MHz by mistake
        Annonce_Cluster *w = announce();
        ASSERT_NE(w, nullptr);
        if (!port)
            w->Frequence->setText(QStringLiteral("14285"));
        QTest::mouseClick(w->Envoyer, Qt::LeftButton);
        EXPECT_EQ(dialogs.texts(), QStringList{message});
        EXPECT_FALSE(w->sending());
        settings.write(keys::clusterHote, QString());
        dialogs.clear();
        TearDown();
    }
    // Then one that goes: once its line reaches the node, nothing of the refused ones came
    // before it.
    openWithCluster(std::nullopt, node.server.serverPort());
    Annonce_Cluster *w = announce();
    ASSERT_NE(w, nullptr);
    w->Frequence->setText(QStringLiteral("14285"));
    QTest::mouseClick(w->Envoyer, Qt::LeftButton);
    waitForAnswer(w);
    EXPECT_EQ(node.lines().filter(QStringLiteral("DX ")),
              QStringList{QStringLiteral("DX 14285.0 F4ABC DFCF-21-001 SSB")});
    EXPECT_EQ(node.connections, 1);
}

TEST_F(ClusterFromEntry, SetupClusterKeepsTheNodeAndALoginThatFollowsTheActivator) {
    openWithCluster();
    EXPECT_TRUE(
        window->setupMenu->actions().contains(zep::testing::menuItem(*window, "Mnu_Cluster")));
    EXPECT_EQ(zep::testing::menuItem(*window, "Mnu_Cluster")->text(), QStringLiteral("Cluster…"));
    const auto openSetup = [this] {
        zep::testing::menuItem(*window, "Mnu_Cluster")->trigger();
        return window->findChild<Setup_Cluster *>();
    };
    Setup_Cluster *w = openSetup();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Cluster_Port->text(), QStringLiteral("7300"));
    EXPECT_EQ(w->Cluster_Indicatif->text(), QStringLiteral("F4ABC"));

    w->Cluster_Hote->setText(QStringLiteral(" dx.example.net "));
    w->Cluster_Port->setText(QStringLiteral("70000"));
    settings.clearLog();
    QTest::mouseClick(w->Enregistrer, Qt::LeftButton);
    EXPECT_EQ(dialogs.texts(),
              QStringList{QStringLiteral("Le port du cluster doit être un nombre de 1 à 65535.")});
    EXPECT_TRUE(settings.writtenKeys().isEmpty()) << "a port that is no port saves nothing";

    w->Cluster_Port->setText(QStringLiteral("7373"));
    w->Cluster_Indicatif->setText(QStringLiteral("f5xyz"));
    QTest::mouseClick(w->Enregistrer, Qt::LeftButton);
    EXPECT_EQ(settings.read(keys::clusterHote, {}), QStringLiteral("dx.example.net"));
    EXPECT_EQ(settings.read(keys::clusterPort, {}), QStringLiteral("7373"));
    EXPECT_EQ(settings.read(keys::clusterIndicatif, {}), QStringLiteral("F5XYZ"));

    // Left as the activator's call sign, the login follows the next activator.
    w = openSetup();
    w->Cluster_Indicatif->setText(QStringLiteral("F4ABC"));
    QTest::mouseClick(w->Enregistrer, Qt::LeftButton);
    setup.activation.activator = QStringLiteral("TM5ZZZ");
    EXPECT_EQ(openSetup()->Cluster_Indicatif->text(), QStringLiteral("TM5ZZZ"));
}

constexpr qint64 megabyte = 1024 * 1024;
constexpr qint64 endless = qint64(1) << 50;
/// The most the client may hold of a node's words at once.
constexpr qsizetype keptBound =
    clusterReadChunk + cluster::maxAnswerLength + 2 * cluster::maxLineLength;

TEST(ClusterClient, AFloodingNodeGetsTheOutcomeInTimeAndLittleIsKept) {
    const std::pair<FloodingNode::Flood, qint64> floods[] = {
        {FloodingNode::Flood::ShortLines, endless},
        {FloodingNode::Flood::NoLineEnd, 100 * megabyte},
    };
    for (const auto &[flood, total] : floods) {
        FloodingNode node(flood, total);
        ASSERT_NE(node.port(), 0);
        ClusterClient client({1500ms, 200ms});
        std::optional<std::pair<bool, QString>> outcome;
        QObject::connect(
            &client, &ClusterClient::finished,
            [&outcome](bool answered, const QString &text) { outcome.emplace(answered, text); });
        QElapsedTimer t;
        t.start();
        client.announce({QStringLiteral("127.0.0.1"),
                         node.port(),
                         QStringLiteral("F4ABC"),
                         {14285.0, QStringLiteral("F4ABC"), QStringLiteral("DFCF-21-001 SSB")}});
        ASSERT_TRUE(QTest::qWaitFor([&outcome] { return outcome.has_value(); }, 10000));
        EXPECT_LT(t.elapsed(), 2500);
        EXPECT_TRUE(node.flooding());
        // More lines than the answer keeps, more bytes than one read.
        EXPECT_GT(node.flooded(), flood == FloodingNode::Flood::ShortLines
                                      ? 4 * cluster::maxAnswerLines
                                      : clusterReadChunk);
        EXPECT_GT(client.peakKept(), 0);
        EXPECT_LE(client.peakKept(), keptBound);
        if (flood == FloodingNode::Flood::ShortLines) {
            // The answer ends on the part kept, the node's lines as they came.
            EXPECT_TRUE(outcome->first);
            EXPECT_EQ(outcome->second.count(QLatin1Char('\n')), cluster::maxAnswerLines - 1);
            EXPECT_TRUE(outcome->second.startsWith(QStringLiteral("73\n73\n")));
        } else {
            EXPECT_EQ(*outcome, std::make_pair(false, QStringLiteral("pas de réponse du cluster")));
        }
    }
}

TEST_F(ClusterFromEntry, AFloodingNodeNeitherFreezesTheWindowNorOutlastsTheBound) {
    const std::pair<FloodingNode::Flood, qint64> floods[] = {
        {FloodingNode::Flood::ShortLines, endless},
        {FloodingNode::Flood::NoLineEnd, 100 * megabyte},
    };
    for (const auto &[flood, total] : floods) {
        FloodingNode node(flood, total);
        ASSERT_NE(node.port(), 0);
        openWithCluster(7074.0, node.port());
        Annonce_Cluster *w = announce();
        ASSERT_NE(w, nullptr);

        // The GUI thread's longest wait between two ticks of a 5 ms timer: the longest the
        // operator's keys could have waited.
        qint64 longest = 0;
        int ticks = 0;
        QElapsedTimer sinceTick;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        QObject::connect(&probe, &QTimer::timeout, [&longest, &ticks, &sinceTick] {
            longest = qMax(longest, sinceTick.restart());
            ++ticks;
        });
        sinceTick.start();
        probe.start(5);

        QTest::mouseClick(w->Envoyer, Qt::LeftButton);
        QApplication::setActiveWindow(window.get());
        window->Indi_Q->setFocus();
        type(QStringLiteral("DL1ABC"));
        EXPECT_LT(waitForAnswer(w), 2500);
        // The answer laid out and drawn: the probe ticks on after it.
        const int ticksAtAnswer = ticks;
        EXPECT_TRUE(QTest::qWaitFor([&ticks, ticksAtAnswer] { return ticks >= ticksAtAnswer + 20; },
                                    30000));
        probe.stop();

        EXPECT_TRUE(node.flooding());
        EXPECT_LT(longest, 500) << "the window stays responsive";
        EXPECT_EQ(window->Indi_Q->text(), QStringLiteral("DL1ABC"));
        if (flood == FloodingNode::Flood::ShortLines)
            EXPECT_TRUE(w->Reponse->toPlainText().startsWith(QStringLiteral("73\n73\n")));
        else
            EXPECT_EQ(w->Reponse->toPlainText(), QStringLiteral("pas de réponse du cluster"));
        EXPECT_LE(w->height(), w->screen()->availableGeometry().height());
        TearDown();
    }
}

} // namespace
