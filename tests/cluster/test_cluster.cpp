#include "entry/EntryWindowFixture.h"

#include "cluster/Annonce_Cluster.h"
#include "cluster/ClusterMenus.h"
#include "cluster/Setup_Cluster.h"
#include "entry/WindowServices.h"
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

/// A DX cluster node on 127.0.0.1 played by the test: it records every byte it receives and
/// answers as a node does (login prompt, node prompt, the spot back), or not at all.
class FakeCluster : public QObject {
public:
    enum class Behaviour { Node, Silent, HangsUp };

    explicit FakeCluster(Behaviour behaviour) : behaviour_(behaviour) {
        EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] { accept(); });
    }
    quint16 port() const { return server_.serverPort(); }

    QByteArray received;
    int connections = 0;
    QStringList lines() const {
        QString text = QString::fromLatin1(received);
        QStringList all = text.split(QStringLiteral("\r\n"));
        all.removeAll(QString());
        return all;
    }

private:
    void accept() {
        QTcpSocket *peer = server_.nextPendingConnection();
        ++connections;
        if (behaviour_ == Behaviour::HangsUp) {
            peer->close();
            return;
        }
        QObject::connect(peer, &QTcpSocket::readyRead, this, [this, peer] { read(peer); });
        if (behaviour_ == Behaviour::Node)
            peer->write("\xff\xfb\x01Welcome to the test node\r\n\r\nlogin: "); // IAC WILL ECHO
    }

    void read(QTcpSocket *peer) {
        received += peer->readAll();
        if (behaviour_ != Behaviour::Node)
            return;
        const QStringList l = lines();
        if (l.size() == 1 && received.endsWith("\r\n")) {
            login_ = l.first();
            // Drop the telnet refusal the client sends before its call sign.
            login_.remove(0, login_.lastIndexOf(QChar(0xFE)) + 2);
            peer->write((QStringLiteral("Hello\r\n") + login_ +
                         QStringLiteral(" de TEST 7-Dec-2026 1407Z node >"))
                            .toLatin1());
        } else if (l.size() == 2 && l.last().startsWith(QLatin1String("DX "))) {
            const QStringList words = l.last().split(QLatin1Char(' '));
            peer->write(QStringLiteral("DX de %1:  %2  %3  %4  1407Z\a\a\r\n%1 de TEST >")
                            .arg(login_, words.value(1), words.value(2),
                                 words.mid(3).join(QLatin1Char(' ')))
                            .toLatin1());
        }
    }

    Behaviour behaviour_;
    QTcpServer server_;
    QString login_;
};

class ClusterFromEntry : public zep::testing::EntryWindowTest {
protected:
    Saisie_QSO &openWithCluster(FrequencySource radio = {}) {
        Saisie_QSO &entry = open();
        connectCluster(entry, services, std::move(radio), timings);
        return entry;
    }

    void useCluster(quint16 port) {
        settings.write(keys::clusterHote, QStringLiteral("127.0.0.1"));
        settings.writeInt(keys::clusterPort, port);
    }

    /// Ctrl+S from wherever the focus is in the entry window.
    Annonce_Cluster *announce() {
        press(Qt::Key_S, Qt::ControlModifier);
        auto *w = window->findChild<Annonce_Cluster *>();
        if (w) {
            EXPECT_TRUE(QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }));
        }
        return w;
    }

    /// Waits for the window to show the outcome; the time it took.
    qint64 waitForAnswer(Annonce_Cluster *w) {
        QElapsedTimer t;
        t.start();
        EXPECT_TRUE(QTest::qWaitFor([w] { return !w->sending(); }, 5000));
        return t.elapsed();
    }

    ClusterTimings timings{1500ms, 200ms};
    ScriptedFileChooser files;
    RecordingPrintService printing;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
};

TEST_F(ClusterFromEntry, CtrlSOpensTheAnnouncementFilledFromTheRadioAndTheActivation) {
    struct Case {
        const char *what;
        std::optional<double> radio;
        QString frequency;
        QString focus;
    };
    const Case cases[] = {
        {"radio on 20 m", 14285.04, QStringLiteral("14285.0"), QStringLiteral("Envoyer")},
        {"no radio: the operator types it", std::nullopt, QString(), QStringLiteral("Frequence")},
    };
    for (const Case &c : cases) {
        Saisie_QSO &entry = openWithCluster([&c] { return c.radio; });
        EXPECT_EQ(entry.Mnu_Annonce_Cluster->text(), QStringLiteral("Annoncer sur le cluster…"));
        EXPECT_TRUE(entry.Mnu_Fichier->actions().contains(entry.Mnu_Annonce_Cluster));
        entry.Mode_Q->setCurrentIndex(entry.Mode_Q->findText(QStringLiteral("CW")));
        entry.Indi_Q->setFocus();

        Annonce_Cluster *w = announce();
        ASSERT_NE(w, nullptr) << c.what;
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->windowTitle(), QStringLiteral("Annonce sur le cluster"));
        EXPECT_EQ(w->Frequence->text(), c.frequency) << c.what;
        EXPECT_EQ(w->Indicatif->text(), QStringLiteral("F4ABC"));
        EXPECT_EQ(w->Commentaire->text(), QStringLiteral("DFCF-21-001 CW"));
        EXPECT_EQ(focusName(), c.focus) << c.what;
        TearDown();
    }
}

TEST_F(ClusterFromEntry, NodeGetsTheLoginThenTheDxLineAndItsAnswerShows) {
    struct Case {
        QString loginSetting;
        QString login;
    };
    const Case cases[] = {{QString(), QStringLiteral("F4ABC")},
                          {QStringLiteral("F5XYZ"), QStringLiteral("F5XYZ")}};
    for (const Case &c : cases) {
        FakeCluster node(FakeCluster::Behaviour::Node);
        useCluster(node.port());
        settings.write(keys::clusterIndicatif, c.loginSetting);
        openWithCluster();
        Annonce_Cluster *w = announce();
        ASSERT_NE(w, nullptr);
        type(QStringLiteral("14285"));
        enter(); // "Envoyer" is the default button
        EXPECT_TRUE(w->sending());
        waitForAnswer(w);

        // The node's offer to echo is refused before the call sign goes.
        EXPECT_TRUE(node.received.startsWith("\xff\xfe\x01")) << node.received.toHex().data();
        EXPECT_EQ(node.lines().mid(1),
                  (QStringList{QStringLiteral("DX 14285.0 F4ABC DFCF-21-001 SSB"),
                               QStringLiteral("BYE")}));
        EXPECT_TRUE(node.lines().value(0).endsWith(c.login)) << c.login.toStdString();
        EXPECT_EQ(w->Reponse->text(),
                  QStringLiteral("DX de ") + c.login +
                      QStringLiteral(":  14285.0  F4ABC  DFCF-21-001 SSB  1407Z"));
        EXPECT_TRUE(w->Envoyer->isEnabled());
        EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.last().toStdString();
        TearDown();
    }
}

TEST_F(ClusterFromEntry, FailuresShowTheirFrenchCauseWithinTheBound) {
    struct Case {
        const char *what;
        std::optional<FakeCluster::Behaviour> peer; // nothing: a closed port
        QString cause;
    };
    const Case cases[] = {
        {"closed port", std::nullopt, QStringLiteral("connexion refusée")},
        {"peer that hangs up", FakeCluster::Behaviour::HangsUp, QStringLiteral("connexion coupée")},
        {"peer that never answers", FakeCluster::Behaviour::Silent,
         QStringLiteral("pas de réponse du cluster")},
    };
    for (const Case &c : cases) {
        std::unique_ptr<FakeCluster> peer;
        quint16 port = 0;
        if (c.peer) {
            peer = std::make_unique<FakeCluster>(*c.peer);
            port = peer->port();
        } else {
            QTcpServer closed;
            ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
            port = closed.serverPort();
        }
        useCluster(port);
        openWithCluster([] { return std::optional<double>(7074.0); });
        Annonce_Cluster *w = announce();
        ASSERT_NE(w, nullptr);

        QElapsedTimer click;
        click.start();
        QTest::mouseClick(w->Envoyer, Qt::LeftButton);
        EXPECT_LT(click.elapsed(), 200) << c.what << ": the click never waits for the network";
        EXPECT_TRUE(w->sending());
        if (peer && *c.peer == FakeCluster::Behaviour::Silent) {
            // The entry window takes a call sign while the node keeps silent.
            QApplication::setActiveWindow(window.get());
            window->Indi_Q->setFocus();
            type(QStringLiteral("DL1ABC"));
            EXPECT_EQ(window->Indi_Q->text(), QStringLiteral("DL1ABC"));
            EXPECT_TRUE(w->sending());
        }
        const qint64 took = waitForAnswer(w);
        EXPECT_EQ(w->Reponse->text(), c.cause) << c.what;
        EXPECT_LT(took, timings.overall.count() + 1000) << c.what;
        if (peer) {
            EXPECT_EQ(peer->connections, 1) << c.what;
        }
        EXPECT_TRUE(dialogs.texts().isEmpty()) << "no message box: " << c.what;
        TearDown();
    }
}

TEST_F(ClusterFromEntry, NothingIsSentWithoutAFrequencyACallOrACluster) {
    struct Case {
        const char *what;
        QString frequency;
        QString call;
        bool clusterSet;
        QString message;
    };
    const QString askFrequency =
        QStringLiteral("Indiquez la fréquence en kHz, par exemple 14285.0");
    const Case cases[] = {
        {"empty frequency", QString(), QStringLiteral("F4ABC"), true, askFrequency},
        {"MHz typed", QStringLiteral("14.285"), QStringLiteral("F4ABC"), true, askFrequency},
        {"no call sign", QStringLiteral("14285"), QStringLiteral(" "), true,
         QStringLiteral("Indiquez l'indicatif à annoncer")},
        {"no cluster set", QStringLiteral("14285"), QStringLiteral("F4ABC"), false,
         QStringLiteral("Indiquez le cluster (hôte et port) dans Setup > Cluster…")},
    };
    for (const Case &c : cases) {
        FakeCluster node(FakeCluster::Behaviour::Node);
        settings.write(keys::clusterHote, QString());
        if (c.clusterSet)
            useCluster(node.port());
        openWithCluster();
        Annonce_Cluster *w = announce();
        ASSERT_NE(w, nullptr);
        w->Frequence->setText(c.frequency);
        w->Indicatif->setText(c.call);
        QTest::mouseClick(w->Envoyer, Qt::LeftButton);
        EXPECT_EQ(dialogs.texts(), QStringList{c.message}) << c.what;
        EXPECT_FALSE(w->sending());
        QTest::qWait(100);
        EXPECT_EQ(node.connections, 0) << c.what;
        dialogs.clear();
        TearDown();
    }
}

TEST_F(ClusterFromEntry, SetupClusterKeepsTheNodeAndALoginThatFollowsTheActivator) {
    Saisie_QSO &entry = openWithCluster();
    EXPECT_EQ(entry.Mnu_Cluster->text(), QStringLiteral("Cluster…"));
    EXPECT_TRUE(entry.Mnu_Setup->actions().contains(entry.Mnu_Cluster));
    const auto openSetup = [&] {
        entry.Mnu_Cluster->trigger();
        auto *w = window->findChild<Setup_Cluster *>();
        EXPECT_NE(w, nullptr);
        return w;
    };

    Setup_Cluster *w = openSetup();
    EXPECT_EQ(w->Cluster_Hote->text(), QString());
    EXPECT_EQ(w->Cluster_Port->text(), QStringLiteral("7300"));
    EXPECT_EQ(w->Cluster_Indicatif->text(), QStringLiteral("F4ABC"));

    // A port that is no port saves nothing.
    w->Cluster_Hote->setText(QStringLiteral(" dx.example.net "));
    for (const char *bad : {"70000", "0", "abc", ""}) {
        w->Cluster_Port->setText(QString::fromLatin1(bad));
        QTest::mouseClick(w->Enregistrer, Qt::LeftButton);
        EXPECT_EQ(dialogs.last(),
                  QStringLiteral("Le port du cluster doit être un nombre de 1 à 65535."))
            << bad;
        EXPECT_FALSE(settings.contains(keys::clusterHote)) << bad;
    }

    w->Cluster_Port->setText(QStringLiteral("7373"));
    w->Cluster_Indicatif->setText(QStringLiteral("f5xyz"));
    QTest::mouseClick(w->Enregistrer, Qt::LeftButton);
    EXPECT_EQ(settings.read(keys::clusterHote, {}), QStringLiteral("dx.example.net"));
    EXPECT_EQ(settings.read(keys::clusterPort, {}), QStringLiteral("7373"));
    EXPECT_EQ(settings.read(keys::clusterIndicatif, {}), QStringLiteral("F5XYZ"));

    // Left as the activator's call sign, the login follows the next activator.
    w = openSetup();
    EXPECT_EQ(w->Cluster_Indicatif->text(), QStringLiteral("F5XYZ"));
    w->Cluster_Indicatif->setText(QStringLiteral("F4ABC"));
    QTest::mouseClick(w->Enregistrer, Qt::LeftButton);
    setup.activation.activeur = QStringLiteral("TM5ZZZ");
    w = openSetup();
    EXPECT_EQ(w->Cluster_Indicatif->text(), QStringLiteral("TM5ZZZ"));
    EXPECT_EQ(w->Cluster_Port->text(), QStringLiteral("7373"));
}

} // namespace
