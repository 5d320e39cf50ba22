// What a screen reader on the desktop hears of the entry window's status lines: the window runs
// in a process of its own on an X display (Xvfb) with accessibility on, and this test reads it
// back through AT-SPI on a private D-Bus session, as a screen reader does: the tree of the
// application, the names of its objects, and the name-change events it sends.

#include "entry/EntryWindowFixture.h"
#include "support/DesktopSession.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <cstdio>

using namespace zep;

namespace {

const char *const childVariable = "ZEP_SCREEN_READER_WINDOW";

} // namespace

// The window's side, started by the test below with the variable set.
using ScreenReaderWindow = zep::testing::EntryWindowTest;

TEST_F(ScreenReaderWindow, ServesItsStatusLines) {
    if (!qEnvironmentVariableIsSet(childVariable))
        GTEST_SKIP() << "the window's side of ScreenReader.HearsTheStatusLinesThroughAtSpi, "
                        "which runs it";
    // As the fixture opens it, without waiting for a window manager to activate it (the
    // display has none).
    window = std::make_unique<Saisie_QSO>(dir.path(), setup, settings, dialogs, clock);
    window->show();
    window->radioLine->setText(QStringLiteral("Poste : 14 285,00 kHz USB"));
    window->radioLine->setVisible(true);
    // One command a line on the standard input: "silent" turns the radio silent, anything
    // else or its end closes the window.
    QFile input;
    ASSERT_TRUE(input.open(stdin, QIODevice::ReadOnly | QIODevice::Unbuffered));
    QSocketNotifier notifier(0, QSocketNotifier::Read);
    bool done = false;
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        const QByteArray command = input.readLine().trimmed();
        if (command == "silent") {
            window->radioLine->setText(QStringLiteral("Poste : pas de réponse"));
            std::printf("silent\n");
            std::fflush(stdout);
        } else {
            done = true;
        }
    });
    std::printf("ready\n");
    std::fflush(stdout);
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 120000));
}

namespace {

/// An object of the accessibility tree: the application's bus name and the object's path.
struct Node {
    QString service;
    QString path;
};

/// Listens to the name changes applications send on the accessibility bus: the object whose
/// name changed, which a screen reader then reads.
class NameChanges : public QObject {
    Q_OBJECT
public:
    QStringList heard; ///< the object paths, in order
public slots:
    void propertyChange(const QDBusMessage &message) {
        const QList<QVariant> args = message.arguments();
        if (!args.isEmpty() && args.at(0).toString() == QLatin1String("accessible-name"))
            heard.append(message.path());
    }
};

class AtSpi {
public:
    explicit AtSpi(const QDBusConnection &bus) : bus_(bus) {}

    QList<Node> children(const Node &node) const {
        QList<Node> found;
        const QDBusMessage reply = call(node, QStringLiteral("org.a11y.atspi.Accessible"),
                                        QStringLiteral("GetChildren"), {});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return found;
        const QDBusArgument array = reply.arguments().at(0).value<QDBusArgument>();
        array.beginArray();
        while (!array.atEnd()) {
            QString service;
            QDBusObjectPath path;
            array.beginStructure();
            array >> service >> path;
            array.endStructure();
            found.append({service, path.path()});
        }
        array.endArray();
        return found;
    }
    QString name(const Node &node) const {
        const QDBusMessage reply =
            call(node, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                 {QStringLiteral("org.a11y.atspi.Accessible"), QStringLiteral("Name")});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return {};
        return reply.arguments().at(0).value<QDBusVariant>().variant().toString();
    }
    /// The first object below the desktop whose name begins with `prefix`.
    std::optional<Node> find(const QString &prefix) const {
        QList<Node> queue = children({QStringLiteral("org.a11y.atspi.Registry"),
                                      QStringLiteral("/org/a11y/atspi/accessible/root")});
        for (qsizetype i = 0; i < queue.size() && i < 5000; ++i) {
            if (name(queue.at(i)).startsWith(prefix))
                return queue.at(i);
            queue += children(queue.at(i));
        }
        return std::nullopt;
    }

private:
    QDBusMessage call(const Node &node, const QString &interface, const QString &method,
                      const QList<QVariant> &args) const {
        QDBusMessage m = QDBusMessage::createMethodCall(node.service, node.path, interface, method);
        m.setArguments(args);
        return bus_.call(m, QDBus::Block, 5000);
    }
    QDBusConnection bus_;
};

} // namespace

TEST(ScreenReader, HearsTheStatusLinesThroughAtSpi) {
    if (const QString missing = zep::testing::DesktopSession::missingTools(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    zep::testing::DesktopSession desktop;
    ASSERT_TRUE(desktop.start()) << desktop.failure.toStdString();
    QProcessEnvironment env = desktop.env;
    const QString sessionAddress = desktop.address;

    QString a11yAddress;
    {
        QDBusConnection sessionBus =
            QDBusConnection::connectToBus(sessionAddress, QStringLiteral("zep-session"));
        ASSERT_TRUE(sessionBus.isConnected());
        const QDBusMessage reply =
            sessionBus.call(QDBusMessage::createMethodCall(
                                QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")),
                            QDBus::Block, 20000);
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        a11yAddress = reply.arguments().value(0).toString();
    }
    ASSERT_FALSE(a11yAddress.isEmpty());
    QDBusConnection bus = QDBusConnection::connectToBus(a11yAddress, QStringLiteral("zep-a11y"));
    ASSERT_TRUE(bus.isConnected());
    // A screen reader registers the events it listens to; applications send only those.
    const QDBusMessage registered =
        bus.call(QDBusMessage::createMethodCall(QStringLiteral("org.a11y.atspi.Registry"),
                                                QStringLiteral("/org/a11y/atspi/registry"),
                                                QStringLiteral("org.a11y.atspi.Registry"),
                                                QStringLiteral("RegisterEvent"))
                     << QStringLiteral("Object:PropertyChange:AccessibleName"),
                 QDBus::Block, 20000);
    ASSERT_EQ(registered.type(), QDBusMessage::ReplyMessage)
        << registered.errorMessage().toStdString();
    NameChanges changes;
    ASSERT_TRUE(bus.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"),
                            QStringLiteral("PropertyChange"), &changes,
                            SLOT(propertyChange(QDBusMessage))));

    // The entry window, on that display, with accessibility on as a screen reader turns it on.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    env.insert(QString::fromLatin1(childVariable), QStringLiteral("1"));
    zep::testing::Started window;
    window.process.setProcessEnvironment(env);
    window.process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    window.process.start(
        QCoreApplication::applicationFilePath(),
        {QStringLiteral("--gtest_filter=ScreenReaderWindow.ServesItsStatusLines")});
    ASSERT_TRUE(window.says("ready", 60000)) << "the window did not start";

    const AtSpi reader(bus);
    std::optional<Node> poste;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (poste = reader.find(QStringLiteral("Poste"))).has_value(); }, 30000))
        << "no object named \"Poste…\" in the accessibility tree";
    EXPECT_EQ(reader.name(*poste), QStringLiteral("Poste : 14 285,00 kHz USB"));
    const std::optional<Node> rate = reader.find(QStringLiteral("Cadence"));
    ASSERT_TRUE(rate);
    EXPECT_TRUE(reader.name(*rate).startsWith(QStringLiteral("Cadence : ")))
        << reader.name(*rate).toStdString();

    // The radio goes silent: the screen reader is told the line's name changed, and reads it.
    const qsizetype before = changes.heard.count(poste->path);
    window.process.write("silent\n");
    ASSERT_TRUE(window.says("silent", 20000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes.heard.count(poste->path) > before; }, 10000));
    EXPECT_EQ(reader.name(*poste), QStringLiteral("Poste : pas de réponse"));

    window.process.write("quit\n");
    window.process.closeWriteChannel();
    EXPECT_TRUE(window.process.waitForFinished(20000));
    EXPECT_EQ(window.process.exitCode(), 0)
        << (window.seen + window.process.readAllStandardOutput()).toStdString();
    QDBusConnection::disconnectFromBus(QStringLiteral("zep-a11y"));
    QDBusConnection::disconnectFromBus(QStringLiteral("zep-session"));
}

#include "test_screen_reader.moc"
