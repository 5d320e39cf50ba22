#include "entry/EntryWindowFixture.h"

#include "cluster/Annonce_Cluster.h"
#include "cluster/Annonces.h"
#include "cluster/ClusterMenus.h"
#include "cluster/Setup_Cluster.h"
#include "cluster/SpotMenus.h"
#include "core/log/QsoLine.h"
#include "core/station/PotaSpots.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"
#include "platform/ScriptedRig.h"
#include "platform/StatusLabel.h"
#include "support/MenuItems.h"
#include "support/QStringPrint.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimeZone>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

using namespace zep;
using namespace std::chrono_literals;

namespace {

spots::Spot spot(const char *call, double kHz, const char *comment, const char *spotter = "F5ZZZ") {
    spots::Spot s;
    s.call = QLatin1String(call);
    s.kHz = kHz;
    s.comment = QLatin1String(comment);
    s.spotter = QLatin1String(spotter);
    s.utcMinutes = 14 * 60 + 7;
    s.seenMs = QDateTime(QDate(2026, 12, 7), QTime(14, 7), QTimeZone::utc()).toMSecsSinceEpoch();
    return s;
}

class SpotsFromEntry : public zep::testing::EntryWindowTest {
protected:
    Annonces &openWithSpots() {
        Saisie_QSO &entry = open();
        entry.attachRig(rig);
        connectCluster(entry, services);
        Annonces &w = connectSpots(entry, services, clock, [this](qint64 hz, const QString &mode) {
            tuned.append(QStringLiteral("%1 %2").arg(hz).arg(mode));
        });
        return w;
    }
    /// The rows as shown, cells joined by " | ".
    static QStringList rows(Annonces &w) {
        QStringList out;
        const QAbstractItemModel *m = w.Liste->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < m->columnCount(); ++c)
                cells.append(m->index(r, c).data().toString());
            out.append(cells.join(QStringLiteral(" | ")));
        }
        return out;
    }

    ScriptedFileChooser files;
    RecordingPrintService printing;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
    ScriptedRig rig;
    QStringList tuned;
};

TEST_F(SpotsFromEntry, TheListShowsEachSpotAsItIsToTheActivationAndFollowsItsFilters) {
    Annonces &w = openWithSpots();
    window->Indi_Q->setFocus();
    logQso(QStringLiteral("F5XYZ"), QStringLiteral("76"), QStringLiteral("Jean")); // 3.5, SSB
    w.addSpots({spot("F5XYZ", 3650.0, "tnx qso"), spot("F6ABC", 3655.0, "POTA FR-0123 ssb"),
                spot("F5XYZ", 14025.0, "cw"), spot("F4DEF", 3700.0, "DFCF 21-002 merci")});
    w.Form_Load();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Annonces"));
    EXPECT_EQ(w.Liste->accessibleName(), QStringLiteral("Liste des annonces"));
    EXPECT_EQ(w.Liste->model()->headerData(3, Qt::Horizontal).toString(),
              QStringLiteral("Référence"));
    // Newest first; the programme of the activation's reference is found as the others are.
    EXPECT_EQ(rows(w), (QStringList{
                           "14:07 | 3700.0 | F4DEF | DFCF 21-002 | DFCF 21-002 merci | F5ZZZ",
                           "14:07 | 14025.0 | F5XYZ |  | cw | F5ZZZ",
                           "14:07 | 3655.0 | F6ABC | FR-0123 | POTA FR-0123 ssb | F5ZZZ",
                           "14:07 | 3650.0 | F5XYZ |  | déjà contacté, tnx qso | F5ZZZ",
                       }));
    EXPECT_EQ(w.Liste->model()->index(3, 2).data(Qt::ForegroundRole).value<QBrush>().color(),
              QColor(Qt::gray));

    struct Case {
        bool band, references;
        const char *mode;
        QStringList calls;
    };
    const Case cases[] = {
        {true, false, "Tous les modes", {"F4DEF", "F6ABC", "F5XYZ"}},
        {false, true, "Tous les modes", {"F4DEF", "F6ABC"}},
        {false, false, "CW", {"F5XYZ"}},
        {true, true, "SSB", {"F4DEF", "F6ABC"}},
    };
    for (const Case &c : cases) {
        w.Bande_En_Cours->setChecked(c.band);
        w.References_Seulement->setChecked(c.references);
        w.Mode_Filtre->setCurrentText(QLatin1String(c.mode));
        QStringList calls;
        for (const QString &row : rows(w))
            calls.append(row.section(QStringLiteral(" | "), 2, 2));
        EXPECT_EQ(calls, c.calls) << c.band << c.references << c.mode;
    }
    // The band box changed: the filter follows it.
    w.Mode_Filtre->setCurrentIndex(0);
    w.References_Seulement->setChecked(false);
    window->Bande_Q->setCurrentText(QStringLiteral("14"));
    ASSERT_EQ(rows(w).size(), 1);
    EXPECT_TRUE(rows(w).first().contains(QStringLiteral("14025.0")));
}

TEST_F(SpotsFromEntry, EnterWorksTheSpotIntoTheEntryWindowAndTheRadio) {
    struct Case {
        const char *typed; ///< in Indi_Q before
        bool replace;      ///< the answer to the question, when one is asked
        bool radio;
        spots::Spot taken;
        const char *call, *remarks, *band, *mode, *tunedTo;
        int questions;
    };
    const Case cases[] = {
        {"", true, true, spot("F6ABC", 14285.0, "POTA FR-0123 ssb"), "F6ABC", "FR-0123", "14",
         "SSB", "14285000 SSB", 0},
        {"F4XX", false, false, spot("F6ABC", 7012.0, "cw K-0817"), "F4XX", "K-0817", "7", "CW", "",
         1},
        {"F4XX", true, true, spot("DL1AB", 10115.0, "tnx"), "DL1AB", "", "10", "CW", "10115000 CW",
         1},
        {"F6ABC", true, true, spot("F6ABC", 3650.0, ""), "F6ABC", "", "3.5", "SSB", "3650000 SSB",
         0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.taken.call.toStdString());
        Annonces &w = openWithSpots();
        if (c.radio)
            rig.answer(3600000, QStringLiteral("LSB"));
        window->Indi_Q->setText(QLatin1String(c.typed));
        dialogs.clear();
        dialogs.setNextAnswer(c.replace);
        tuned.clear();
        w.addSpots({c.taken});
        w.Form_Load();
        ASSERT_TRUE(QTest::qWaitFor([&w] { return QApplication::activeWindow() == &w; }));
        ASSERT_EQ(focused(), w.Liste);
        enter();
        EXPECT_EQ(window->Indi_Q->text(), QLatin1String(c.call));
        EXPECT_EQ(window->Observation_Q->text(), QLatin1String(c.remarks));
        EXPECT_EQ(window->Bande_Q->currentText(), QLatin1String(c.band));
        EXPECT_EQ(window->Mode_Q->currentText(), QLatin1String(c.mode));
        EXPECT_EQ(tuned, c.tunedTo[0] ? QStringList{QLatin1String(c.tunedTo)} : QStringList());
        EXPECT_EQ(int(dialogs.shown().size()), c.questions);
        EXPECT_TRUE(
            QTest::qWaitFor([this] { return QApplication::activeWindow() == window.get(); }));
        EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));
        TearDown();
    }
}

TEST_F(SpotsFromEntry, ASpotTakenIsLoggedWithItsReferenceInTheRemarksOnItsBand) {
    Annonces &w = openWithSpots();
    w.addSpots({spot("F6ABC", 14285.0, "POTA FR-0123 ssb")});
    w.Form_Load();
    ASSERT_TRUE(QTest::qWaitFor([&w] { return QApplication::activeWindow() == &w; }));
    enter();
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == window.get(); }));
    ASSERT_EQ(focusName(), QStringLiteral("Indi_Q"));
    enter(); // the call sign as taken
    ASSERT_EQ(focusName(), QStringLiteral("Dpt_Q"));
    replaceAndEnter(QStringLiteral("21"));
    replaceAndEnter(QStringLiteral("Jean"));
    enter();
    enter();
    ASSERT_EQ(focusName(), QStringLiteral("Observation_Q"));
    enter();
    ASSERT_EQ(focusName(), QStringLiteral("Valide_Q"));
    press(Qt::Key_Space);
    ASSERT_EQ(logLines().size(), 1);
    const QsoFields logged = readQsoLine(logLines().first());
    EXPECT_EQ(logged.call, QStringLiteral("F6ABC"));
    EXPECT_EQ(logged.band, QStringLiteral("14"));
    EXPECT_EQ(logged.mode, QStringLiteral("SSB"));
    EXPECT_EQ(logged.remarks, QStringLiteral("FR-0123"));
    // Logged: the spot is now greyed, already worked on its band and mode.
    EXPECT_TRUE(QTest::qWaitFor([&w] {
        return w.Liste->model()->index(0, 4).data().toString().startsWith(
            QStringLiteral("déjà contacté"));
    }));
}

TEST_F(SpotsFromEntry, EscapeDoubleClickAnnouncementsAndThePlaceKept) {
    Annonces &w = openWithSpots();
    QSignalSpy announced(w.Nouvelle_Annonce, &StatusLabel::announced);
    // 3.5 MHz is the band box's: a reference there is announced once; elsewhere, or without a
    // reference, not at all.
    w.addSpots({spot("F6ABC", 3655.0, "POTA FR-0123"), spot("F6ABC", 14255.0, "POTA FR-0124"),
                spot("F4DEF", 3700.0, "cq")});
    w.addSpots({spot("F6ABC", 3656.0, "POTA FR-0123 qsy")});
    ASSERT_EQ(announced.size(), 1);
    EXPECT_EQ(announced.first().first().toString(),
              QStringLiteral("Annonce : F6ABC FR-0123 sur 3655.0 kHz"));

    w.Form_Load();
    w.resize(640, 300);
    w.move(40, 50);
    ASSERT_TRUE(QTest::qWaitFor([&w] { return QApplication::activeWindow() == &w; }));
    press(Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == window.get(); }));

    // A double click takes the row clicked (the station spotted again is the newest).
    w.Form_Load();
    const QRect cell = w.Liste->visualRect(w.Liste->model()->index(2, 2));
    QTest::mouseClick(w.Liste->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(w.Liste->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(window->Indi_Q->text(), QStringLiteral("F6ABC"));
    EXPECT_EQ(window->Bande_Q->currentText(), QStringLiteral("14"));

    w.hide();
    const QStringList place = settings.read(keys::annoncesPosition, QString()).split(',');
    ASSERT_EQ(place.size(), 4);
    EXPECT_EQ(place[2].toInt(), 640);
    EXPECT_EQ(place[3].toInt(), 300);
    for (const char *bad : {"x,y,z", "0,0,5,5", "1,2,99999,300"}) {
        settings.write(keys::annoncesPosition, QLatin1String(bad));
        Annonces again(settings, clock, {}, {}, {});
        again.Form_Load();
        EXPECT_EQ(again.size(), QSize(760, 420)) << bad;
    }
}

/// A cluster node on 127.0.0.1 played by the test, on the test's thread (the feed has its own):
/// a login prompt, then a stream once the call sign came; it can drop the connection.
class ReplayNode : public QObject {
public:
    explicit ReplayNode(QByteArray stream, bool password = false) : stream_(std::move(stream)) {
        EXPECT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        connect(&server, &QTcpServer::newConnection, this, [this, password] {
            QTcpSocket *peer = server.nextPendingConnection();
            ++connections;
            last = peer;
            peer->write("Welcome\r\nlogin: ");
            connect(peer, &QTcpSocket::readyRead, this, [this, peer, password] {
                const QByteArray got = peer->readAll();
                received += got;
                if (!received.endsWith("\r\n"))
                    return;
                if (peer->property("in").toBool()) {
                    // An announcement comes back as a spot, as the network sends it.
                    for (const QByteArray &line : got.split('\n'))
                        if (line.startsWith("DX "))
                            peer->write("DX de F4ABC:  " + line.mid(3).trimmed() +
                                        "  1407Z\a\a\r\n");
                    return;
                }
                peer->setProperty("in", true);
                peer->write(password ? "password: " : "F4ABC de TEST node >\r\n" + stream_);
            });
        });
    }
    QTcpServer server;
    QByteArray received;
    int connections = 0;
    QPointer<QTcpSocket> last;

private:
    QByteArray stream_;
};

QByteArray nodeSamples() {
    QFile file(QStringLiteral(ZEP_SPOT_SAMPLES "/nodes.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll().replace("\n", "\r\n");
}

FeedTimings quickFeed() {
    FeedTimings t;
    t.batch = 50ms;
    t.quiet = 200ms;
    t.backoffSecond = 20ms;
    return t;
}

TEST(SpotFeed, ReplaysRecordedStreamsReconnectsWithBackOffAndStopsOnAPassword) {
    ReplayNode node(nodeSamples());
    SpotFeed feed(quickFeed());
    QStringList calls, statuses;
    QObject::connect(&feed, &SpotFeed::spotsArrived, [&](const QList<spots::Spot> &s) {
        for (const spots::Spot &x : s)
            calls.append(x.call);
    });
    QObject::connect(&feed, &SpotFeed::statusChanged,
                     [&](const QString &t) { statuses.append(t); });
    feed.start({QStringLiteral("127.0.0.1"), node.server.serverPort(), QStringLiteral("f4abc")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls.size() == 11; }, 5000)) << calls.size();
    EXPECT_EQ(node.received, "F4ABC\r\n");
    EXPECT_EQ(calls.first(), QStringLiteral("E51DWC"));
    EXPECT_TRUE(feed.loggedIn());
    EXPECT_TRUE(statuses.contains(QStringLiteral("Cluster : connecté à 127.0.0.1")));

    // The node drops us: back after 2 s (of the back-off's test seconds), logged in again.
    node.last->abort();
    ASSERT_TRUE(QTest::qWaitFor([&] { return node.connections == 2; }, 5000));
    EXPECT_TRUE(statuses.contains(QStringLiteral("Cluster : reconnexion dans 2 s")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls.size() == 22; }, 5000));

    // The node goes: every refusal doubles the wait.
    statuses.clear();
    node.server.close();
    node.last->abort();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return statuses.contains(QStringLiteral("Cluster : reconnexion dans 16 s")); },
        5000));
    QStringList waits = statuses.filter(QStringLiteral("reconnexion"));
    EXPECT_EQ(waits.mid(0, 4),
              (QStringList{"Cluster : reconnexion dans 2 s", "Cluster : reconnexion dans 4 s",
                           "Cluster : reconnexion dans 8 s", "Cluster : reconnexion dans 16 s"}));
    feed.stop();

    ReplayNode locked({}, true);
    SpotFeed second(quickFeed());
    QSignalSpy said(&second, &SpotFeed::statusChanged);
    second.start(
        {QStringLiteral("127.0.0.1"), locked.server.serverPort(), QStringLiteral("F4ABC")});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !said.isEmpty() &&
                   said.last().first().toString() ==
                       QStringLiteral("Cluster : le cluster demande un mot de passe");
        },
        5000));
    QTest::qWait(300);
    EXPECT_EQ(locked.connections, 1); // not asked again
}

TEST(SpotFeed, ASilentNodeIsSentAnEmptyLineThenLeftAndConnectedAgain) {
    ReplayNode node({});
    FeedTimings timings = quickFeed();
    timings.keepAlive = 150ms;
    SpotFeed feed(timings);
    QStringList statuses;
    QObject::connect(&feed, &SpotFeed::statusChanged,
                     [&](const QString &t) { statuses.append(t); });
    feed.start({QStringLiteral("127.0.0.1"), node.server.serverPort(), QStringLiteral("F4ABC")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return node.connections == 2; }, 5000));
    // The login, then the keep-alive's empty line, then the same again on the new connection.
    EXPECT_TRUE(node.received.startsWith("F4ABC\r\n\r\n")) << node.received.toStdString();
    EXPECT_TRUE(statuses.contains(QStringLiteral("Cluster : reconnexion dans 2 s")));
}

/// A node that floods spot lines at a steady rate from a thread of its own.
class FloodNode {
public:
    FloodNode(int linesPerSecond, std::chrono::milliseconds length) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        ::bind(listener_, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::listen(listener_, 1);
        ::getsockname(listener_, reinterpret_cast<sockaddr *>(&a), &n);
        port = ntohs(a.sin_port);
        thread_ = std::thread([this, linesPerSecond, length] {
            const int peer = ::accept(listener_, nullptr, nullptr);
            if (peer < 0)
                return;
            ::send(peer, "login: ", 7, MSG_NOSIGNAL);
            char buffer[64];
            ::recv(peer, buffer, sizeof buffer, 0);
            const auto start = std::chrono::steady_clock::now();
            qint64 sent = 0;
            while (!stop_ && std::chrono::steady_clock::now() - start < length) {
                const auto due =
                    qint64(std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                               .count() *
                           linesPerSecond);
                std::string chunk;
                for (; sent < due; ++sent)
                    chunk += "DX de W3LPL:      3525.1  E" + std::to_string(sent % 100000) +
                             "DW       POTA K-0817 Heard in WA        0919Z FM19\a\a\r\n";
                if (!chunk.empty() && ::send(peer, chunk.data(), chunk.size(), MSG_NOSIGNAL) < 0)
                    break;
                std::this_thread::sleep_for(5ms);
            }
            lines = sent;
            done = true;
            while (!stop_)
                std::this_thread::sleep_for(10ms);
            ::close(peer);
        });
    }
    ~FloodNode() {
        stop_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
    }
    quint16 port = 0;
    std::atomic<bool> done{false};
    std::atomic<qint64> lines{0};

private:
    int listener_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(SpotFeed, TenThousandLinesASecondForTenSecondsCostTimeNotMemoryNorTheCallersThread) {
    FloodNode node(10000, 10s);
    SpotFeed feed(quickFeed());
    qint64 received = 0;
    qsizetype biggest = 0;
    QObject::connect(&feed, &SpotFeed::spotsArrived, [&](const QList<spots::Spot> &s) {
        received += s.size();
        biggest = std::max(biggest, s.size());
    });
    feed.start({QStringLiteral("127.0.0.1"), node.port, QStringLiteral("F4ABC")});
    // The caller's thread keeps its pace: a 5 ms timer never waits long.
    QElapsedTimer gap;
    gap.start();
    qint64 worst = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { worst = std::max(worst, gap.restart()); });
    tick.start(5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return node.done.load(); }, 20000));
    QTest::qWait(500);
    EXPECT_GE(node.lines.load(), 90000);
    EXPECT_GT(received, 1000);
    EXPECT_LE(biggest, spots::maxBatch);
    EXPECT_LT(worst, 200) << "ms between two ticks";
    // What was read at once, the line begun and the batch waiting: far below the flood's size.
    EXPECT_LT(feed.peakKept(), 2 * 1024 * 1024);
}

/// POTA's interface played by the test: the spot list in the shape of the public one, the
/// self-spots recorded; it can answer an error, nonsense, or nothing.
class PotaStandIn : public QObject {
public:
    enum Answer { List, Error, Nonsense, Silent };
    explicit PotaStandIn(Answer answer) : answer_(answer) {
        EXPECT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        connect(&server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *peer = server.nextPendingConnection();
            auto request = std::make_shared<QByteArray>();
            connect(peer, &QTcpSocket::readyRead, this, [this, peer, request] {
                *request += peer->readAll();
                const qsizetype end = request->indexOf("\r\n\r\n");
                if (end < 0)
                    return;
                const QByteArray head = request->left(end);
                const qsizetype lengthAt = head.toLower().indexOf("content-length:");
                const int length =
                    lengthAt < 0 ? 0
                                 : head.mid(lengthAt + 15).split('\r').first().trimmed().toInt();
                if (request->size() < end + 4 + length)
                    return;
                requests.append(head.split('\r').first());
                if (head.startsWith("POST"))
                    bodies.append(request->mid(end + 4, length));
                reply(peer, head.startsWith("POST"));
            });
        });
    }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()); }
    QTcpServer server;
    QByteArrayList requests, bodies;

private:
    void reply(QTcpSocket *peer, bool post) {
        QByteArray status = "200 OK", body;
        switch (answer_) {
        case List:
            body =
                post
                    ? QByteArray("[]")
                    : QByteArray(
                          R"([{"spotId":1,"activator":"K8ABC","frequency":"14062.0","mode":"CW",)"
                          R"("reference":"US-1234","spotTime":"2026-12-07T14:05:00","spotter":"WE9V-#",)"
                          R"("comments":"RBN 19 dB","source":"RBN"},)"
                          R"({"spotId":2,"activator":"F4XYZ","frequency":"7144","mode":"SSB",)"
                          R"("reference":"FR-0001","spotTime":"2026-12-07T14:06:00","spotter":"F4XYZ",)"
                          R"("comments":"QRV","source":"Web"}])");
            break;
        case Error:
            status = "500 Internal Server Error";
            body = "Server down";
            break;
        case Nonsense:
            body = "[{\"activator\": ";
            break;
        case Silent:
            return;
        }
        peer->write("HTTP/1.1 " + status +
                    "\r\nContent-Type: application/json\r\nContent-Length: " +
                    QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        peer->disconnectFromHost();
    }
    Answer answer_;
};

PotaTimings quickPota() {
    PotaTimings t;
    t.period = 1s;
    t.requestLimit = 1s;
    return t;
}

TEST(PotaFeed, TheSpotListIsReadAndFailuresBackOffOnOneStatusLine) {
    {
        PotaStandIn pota(PotaStandIn::List);
        PotaFeed feed(quickPota());
        QList<spots::Spot> got;
        QObject::connect(&feed, &PotaFeed::spotsArrived,
                         [&](const QList<spots::Spot> &s) { got += s; });
        QSignalSpy said(&feed, &PotaFeed::statusChanged);
        feed.start(pota.base());
        ASSERT_TRUE(QTest::qWaitFor([&] { return got.size() == 2; }, 5000));
        EXPECT_EQ(pota.requests.first(), "GET /spot/activator HTTP/1.1");
        EXPECT_EQ(got[1].call, QStringLiteral("F4XYZ"));
        EXPECT_EQ(got[1].reference, QStringLiteral("FR-0001"));
        EXPECT_DOUBLE_EQ(got[1].kHz, 7144.0);
        EXPECT_EQ(said.last().first().toString(), QStringLiteral("POTA : 2 annonces"));
        // Read again after the period.
        ASSERT_TRUE(QTest::qWaitFor([&] { return got.size() == 4; }, 5000));
    }
    const std::pair<PotaStandIn::Answer, const char *> failures[] = {
        {PotaStandIn::Error, "erreur 500"},
        {PotaStandIn::Nonsense, "réponse illisible"},
        {PotaStandIn::Silent, "pas de réponse"},
    };
    for (const auto &[answer, cause] : failures) {
        PotaStandIn pota(answer);
        PotaFeed feed(quickPota());
        QStringList said;
        QObject::connect(&feed, &PotaFeed::statusChanged,
                         [&](const QString &t) { said.append(t); });
        feed.start(pota.base());
        ASSERT_TRUE(QTest::qWaitFor([&] { return said.size() >= 2; }, 8000)) << cause;
        EXPECT_EQ(
            said.mid(0, 2),
            (QStringList{
                QStringLiteral("POTA : %1, nouvel essai dans 1 s").arg(QString::fromUtf8(cause)),
                QStringLiteral("POTA : %1, nouvel essai dans 2 s").arg(QString::fromUtf8(cause))}));
        EXPECT_EQ(pota.requests.size(), 2); // no storm: one request per wait
    }
    PotaFeed nobody(quickPota());
    QSignalSpy said(&nobody, &PotaFeed::statusChanged);
    nobody.start(QStringLiteral("http://127.0.0.1:1"));
    ASSERT_TRUE(said.wait(5000));
    EXPECT_EQ(said.first().first().toString(),
              QStringLiteral("POTA : connexion refusée, nouvel essai dans 1 s"));
}

TEST_F(SpotsFromEntry, TheAnnouncementWindowSelfSpotsToPotaWithTheActivationsPotaReference) {
    PotaStandIn pota(PotaStandIn::List);
    settings.write(keys::potaAdresse, pota.base());
    setup.activation.secondReference = QStringLiteral("fr-0001");
    openWithSpots();
    window->Mode_Q->setCurrentText(QStringLiteral("CW"));
    rig.answer(7032000, QStringLiteral("CW"));
    window->Indi_Q->setFocus();
    press(Qt::Key_S, Qt::ControlModifier);
    auto *w = window->findChild<Annonce_Cluster *>();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->Reference->text(), QStringLiteral("FR-0001"));
    w->Frequence->setText(QStringLiteral("7032"));
    w->Destination->setCurrentText(QStringLiteral("POTA"));
    w->Commentaire->setText(QStringLiteral("QRV CW"));
    ASSERT_TRUE(w->Envoyer_Click());
    ASSERT_TRUE(QTest::qWaitFor([w] { return !w->sending(); }, 5000));
    EXPECT_EQ(w->Reponse->toPlainText(), QStringLiteral("POTA : annonce reçue"));
    ASSERT_EQ(pota.bodies.size(), 1);
    EXPECT_EQ(pota.requests.first(), "POST /spot HTTP/1.1");
    const std::optional<spots::SelfSpot> sent = spots::readSelfSpotBody(pota.bodies.first());
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->activator, QStringLiteral("F4ABC"));
    EXPECT_EQ(sent->spotter, QStringLiteral("F4ABC"));
    EXPECT_DOUBLE_EQ(sent->kHz, 7032.0);
    EXPECT_EQ(sent->reference, QStringLiteral("FR-0001"));
    EXPECT_EQ(sent->mode, QStringLiteral("CW"));
    EXPECT_EQ(sent->comments, QStringLiteral("QRV CW"));

    // Without a POTA reference nothing goes.
    w->Reference->setText(QStringLiteral("DFCF-21-001"));
    dialogs.clear();
    EXPECT_FALSE(w->Envoyer_Click());
    EXPECT_EQ(dialogs.last(),
              QStringLiteral("Indiquez la référence POTA à annoncer, par exemple FR-0001"));
}

TEST_F(SpotsFromEntry, SetupClusterChecksTheSpotSettingsAndTheSourcesFollowThem) {
    ReplayNode node(nodeSamples());
    settings.write(keys::clusterHote, QStringLiteral("127.0.0.1"));
    settings.writeInt(keys::clusterPort, node.server.serverPort());
    Annonces &w = openWithSpots();
    struct Case {
        bool spots, pota;
        const char *address, *minutes, *refusal;
    };
    const Case cases[] = {
        {false, true, "ftp://api.pota.app", "30",
         "L'adresse POTA doit commencer par http:// ou https://."},
        {false, false, "https://api.pota.app", "0",
         "La durée des annonces doit être un nombre de minutes de 1 à 1440."},
        {false, false, "https://api.pota.app", "trente",
         "La durée des annonces doit être un nombre de minutes de 1 à 1440."},
        {true, false, "http://127.0.0.1:1/", "45", nullptr},
    };
    for (const Case &c : cases) {
        zep::testing::menuItem(*window, "Mnu_Cluster")->trigger();
        auto *dialog = window->findChild<Setup_Cluster *>();
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->POTA_Adresse->text(), QStringLiteral("https://api.pota.app"));
        dialog->Cluster_Annonces->setChecked(c.spots);
        dialog->POTA_Annonces->setChecked(c.pota);
        dialog->POTA_Adresse->setText(QLatin1String(c.address));
        dialog->Annonces_Duree->setText(QLatin1String(c.minutes));
        dialogs.clear();
        EXPECT_EQ(dialog->Enregistrer_Click(), c.refusal == nullptr);
        EXPECT_EQ(dialogs.last(), c.refusal ? QString::fromUtf8(c.refusal) : QString());
        if (c.refusal) {
            EXPECT_EQ(settings.read(keys::clusterAnnonces, QStringLiteral("absent")),
                      QStringLiteral("absent"));
            dialog->close();
        }
    }
    EXPECT_EQ(settings.read(keys::clusterAnnonces, {}), QStringLiteral("1"));
    EXPECT_EQ(settings.read(keys::potaAnnonces, {}), QStringLiteral("0"));
    EXPECT_EQ(settings.read(keys::potaAdresse, {}), QStringLiteral("http://127.0.0.1:1"));
    EXPECT_EQ(spotLifetimeMinutes(settings), 45);
    // Saved: the staying connection logs in, and the node's spots reach the window.
    ASSERT_TRUE(QTest::qWaitFor([&w] { return w.list().size() == 10; }, 5000)) << w.list().size();
    EXPECT_EQ(node.connections, 1);
    EXPECT_EQ(w.Etat_Cluster->text(), QStringLiteral("Cluster : connecté à 127.0.0.1"));

    // The announcement goes through that connection, and the node's spot back is the answer.
    ASSERT_TRUE(QTest::qWaitFor([this] { return spotSources(*window).cluster.loggedIn(); }));
    zep::testing::menuItem(*window, "Mnu_Annonce_Cluster")->trigger();
    auto *a = window->findChild<Annonce_Cluster *>();
    ASSERT_TRUE(a);
    a->Frequence->setText(QStringLiteral("14285"));
    ASSERT_TRUE(a->Envoyer_Click());
    ASSERT_TRUE(QTest::qWaitFor([a] { return !a->sending(); }, 5000));
    EXPECT_EQ(a->Reponse->toPlainText(),
              QStringLiteral("DX de F4ABC:  14285.0 F4ABC DFCF-21-001 SSB  1407Z"));
    EXPECT_EQ(node.connections, 1);
    EXPECT_TRUE(node.received.endsWith("DX 14285.0 F4ABC DFCF-21-001 SSB\r\n"));
}

} // namespace
