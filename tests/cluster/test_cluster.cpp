#include "entry/EntryWindowFixture.h"

#include "cluster/Annonce_Cluster.h"
#include "cluster/ClusterMenus.h"
#include "cluster/Setup_Cluster.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"
#include "support/QStringPrint.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QTcpServer>
#include <QTcpSocket>

using namespace zep;
using namespace std::chrono_literals;

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
        EXPECT_TRUE(window->Mnu_Fichier->actions().contains(window->Mnu_Annonce_Cluster));
        EXPECT_EQ(window->Mnu_Annonce_Cluster->text(), QStringLiteral("Annoncer sur le cluster…"));
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
        EXPECT_EQ(w->Reponse->text(),
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
        EXPECT_EQ(w->Reponse->text(), cause);
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
    QTest::qWait(100);
    EXPECT_EQ(node.connections, 0);
}

TEST_F(ClusterFromEntry, SetupClusterKeepsTheNodeAndALoginThatFollowsTheActivator) {
    openWithCluster();
    EXPECT_TRUE(window->Mnu_Setup->actions().contains(window->Mnu_Cluster));
    EXPECT_EQ(window->Mnu_Cluster->text(), QStringLiteral("Cluster…"));
    const auto openSetup = [this] {
        window->Mnu_Cluster->trigger();
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
    setup.activation.activeur = QStringLiteral("TM5ZZZ");
    EXPECT_EQ(openSetup()->Cluster_Indicatif->text(), QStringLiteral("TM5ZZZ"));
}

} // namespace
