// What Orca, the desktop's screen reader, really says of the entry window. The window runs in a
// process of its own on a display of the test's own with accessibility on; Orca runs beside it
// with settings of its own, speaking through speech-dispatcher to libao's null driver, and its
// debug output (read on a pseudo-terminal: it buffers a plain file) gives every text it speaks.

#include "entry/EntryWindowFixture.h"
#include "entry/PartialCheckPanel.h"
#include "support/DesktopSession.h"

#include <QKeyEvent>
#include <QSocketNotifier>
#include <QTextStream>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace zep;
using zep::testing::Started;

namespace {

const char *const childVariable = "ZEP_ORCA_WINDOW";

} // namespace

// The window's side, started by the test below with the variable set: one command a line on
// its standard input, "done" on its standard output once the command is carried out. Its keys
// reach the controls as typed keys do, but not through the screen reader: a key the window
// makes itself would wait for the screen reader's leave, and each would come late.
class OrcaWindow : public zep::testing::EntryWindowTest {
protected:
    static void key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                    const QString &text = QString()) {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, mods, text);
            QApplication::sendEvent(QApplication::focusWidget(), &event);
        }
    }
    static void keys(const QString &text) {
        for (const QChar c : text)
            key(Qt::Key(c.toUpper().unicode()), Qt::NoModifier, QString(c));
    }
};

TEST_F(OrcaWindow, ServesTheEntryWindow) {
    if (!qEnvironmentVariableIsSet(childVariable))
        GTEST_SKIP() << "the window's side of Orca.SpeaksWhatTheOperatorMustHear, which runs it";
    window = std::make_unique<Saisie_QSO>(dir.path(), setup, settings, dialogs, clock);
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow(); }, 10000));
    window->radioLine->setText(QStringLiteral("Poste : 14 285,00 kHz USB"));
    window->radioLine->setVisible(true);
    QFile input;
    ASSERT_TRUE(input.open(stdin, QIODevice::ReadOnly | QIODevice::Unbuffered));
    QSocketNotifier notifier(0, QSocketNotifier::Read);
    bool done = false;
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        const QStringList words = QString::fromUtf8(input.readLine().trimmed()).split(u' ');
        const QString command = words.value(0);
        if (command == QLatin1String("field")) { // types into the focused field, then Enter
            keys(words.mid(1).join(u' '));
            key(Qt::Key_Return);
        } else if (command == QLatin1String("type")) {
            keys(words.value(1));
            // The lists show what was typed before the command is said done.
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return window->Controle_Partiel->known()->count() > 0; }, 5000));
        } else if (command == QLatin1String("enter")) {
            key(Qt::Key_Return);
        } else if (command == QLatin1String("space")) {
            key(Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        } else if (command == QLatin1String("lists")) {
            key(Qt::Key_L, Qt::ControlModifier);
        } else if (command == QLatin1String("escape")) {
            key(Qt::Key_Escape);
        } else if (command == QLatin1String("silent")) {
            window->radioLine->setText(QStringLiteral("Poste : pas de réponse"));
        } else if (command == QLatin1String("back")) {
            window->radioLine->setText(QStringLiteral("Poste : 7 088,00 kHz LSB"));
        } else {
            done = true;
            return;
        }
        QTest::qWait(50);
        const KnownCallList *known = window->Controle_Partiel->known();
        const int row = known->highlighted();
        std::printf("done %s %s\n", qPrintable(focusName()),
                    row < 0 ? "-" : qPrintable(known->row(row).call));
        std::fflush(stdout);
    });
    std::printf("ready\n");
    std::fflush(stdout);
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 240000));
}

namespace {

/// Orca with settings of its own, its debug output on a pseudo-terminal.
class Orca {
public:
    static QString missingTools() {
        for (const char *tool : {"orca", "speech-dispatcher"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                return QStringLiteral("orca and speech-dispatcher are needed (scripts/setup.sh "
                                      "installs them)");
        return {};
    }

    /// Starts Orca on the desktop of `env`, in `home` (its settings, speech-dispatcher's and
    /// libao's); false when it said nothing within 60 s.
    bool start(QProcessEnvironment env, const QString &home) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            return false;
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        const QString terminal = QString::fromLatin1(ptsname(master_));
        QDir(home).mkpath(QStringLiteral("config/speech-dispatcher"));
        QDir(home).mkpath(QStringLiteral("orca"));
        write(home + QStringLiteral("/.libao"), "default_driver=null\n");
        write(home + QStringLiteral("/config/speech-dispatcher/speechd.conf"),
              "AudioOutputMethod \"libao\"\n"
              "DefaultModule espeak-ng\n"
              "AddModule \"espeak-ng\" \"sd_espeak-ng\" \"espeak-ng.conf\"\n"
              "DefaultLanguage \"fr\"\n");
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        home_ = home;
        process_.process.setProcessEnvironment(env);
        process_.process.setStandardOutputFile(QProcess::nullDevice());
        process_.process.setStandardErrorFile(home + QStringLiteral("/orca.err"));
        process_.process.start(QStandardPaths::findExecutable(QStringLiteral("orca")),
                               {QStringLiteral("-u"), home + QStringLiteral("/orca"),
                                QStringLiteral("--debug-file"), terminal});
        return hears([](const QString &said) { return !said.isEmpty(); }, 60000);
    }

    ~Orca() {
        process_.process.terminate();
        process_.process.waitForFinished(5000);
        // speech-dispatcher, started by Orca, leaves with it.
        QFile pid(home_ + QStringLiteral("/run/speech-dispatcher/pid/speech-dispatcher.pid"));
        if (pid.open(QIODevice::ReadOnly))
            if (const int id = pid.readAll().trimmed().toInt(); id > 0)
                ::kill(id, SIGTERM);
        if (master_ >= 0)
            ::close(master_);
    }

    /// Every text spoken so far, in order.
    const QStringList &spoken() {
        read();
        return spoken_;
    }
    /// Whether a text for which `match` holds is spoken within `ms`, among those after `from`.
    template <typename Match> bool hears(Match match, int ms, qsizetype from = 0) {
        QElapsedTimer timer;
        timer.start();
        do {
            read();
            for (qsizetype i = from; i < spoken_.size(); ++i)
                if (match(spoken_.at(i)))
                    return true;
            QTest::qWait(50);
        } while (timer.elapsed() < ms);
        return false;
    }
    bool hearsText(const QString &part, int ms, qsizetype from) {
        return hears([&](const QString &said) { return said.contains(part); }, ms, from);
    }

private:
    static void write(const QString &path, const char *text) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(text);
    }
    void read() {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            pending_.append(buffer, n);
            if (!qEnvironmentVariableIsEmpty("ZEP_ORCA_LOG")) {
                QFile log(qEnvironmentVariable("ZEP_ORCA_LOG"));
                if (log.open(QIODevice::Append))
                    log.write(buffer, n);
            }
        }
        // 12:00:00.000000 - SPEECH OUTPUT: 'Indicatif text.'{'established': False}
        static const QByteArray mark = "SPEECH OUTPUT: '";
        qsizetype end;
        while ((end = pending_.indexOf('\n')) >= 0) {
            const QByteArray line = pending_.left(end);
            pending_.remove(0, end + 1);
            const qsizetype at = line.indexOf(mark);
            if (at < 0)
                continue;
            const QByteArray text = line.mid(at + mark.size());
            const qsizetype close = text.lastIndexOf("'{");
            spoken_.append(QString::fromUtf8(close >= 0 ? text.left(close) : text).trimmed());
        }
    }

    int master_ = -1;
    QString home_;
    Started process_;
    QByteArray pending_;
    QStringList spoken_;
};

/// The texts spoken from `from` on, for a failure's message.
std::string said(Orca &orca, qsizetype from) {
    return orca.spoken().mid(from).join(QStringLiteral(" | ")).toStdString();
}

} // namespace

TEST(Orca, SpeaksWhatTheOperatorMustHear) {
    for (const QString &missing :
         {zep::testing::DesktopSession::missingTools(), Orca::missingTools()})
        if (!missing.isEmpty())
            GTEST_SKIP() << missing.toStdString();
    zep::testing::DesktopSession desktop;
    ASSERT_TRUE(desktop.start()) << desktop.failure.toStdString();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    Orca orca;
    ASSERT_TRUE(orca.start(desktop.env, home.path()))
        << "Orca said nothing; its errors are in " << home.path().toStdString() << "/orca.err";

    QProcessEnvironment env = desktop.env;
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    env.insert(QString::fromLatin1(childVariable), QStringLiteral("1"));
    Started window;
    window.process.setProcessEnvironment(env);
    window.process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    window.process.start(QCoreApplication::applicationFilePath(),
                         {QStringLiteral("--gtest_filter=OrcaWindow.ServesTheEntryWindow")});
    ASSERT_TRUE(window.says("ready", 60000)) << "the window did not start";
    // Each command's answer: "done", the control with the focus and the highlighted call.
    QList<QByteArray> answer;
    const auto command = [&](const char *line) {
        window.process.write(QByteArray(line) + '\n');
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 60000) {
            if (window.process.canReadLine()) {
                answer = window.process.readLine().trimmed().split(' ');
                if (answer.value(0) == "done")
                    return true;
            } else {
                window.process.waitForReadyRead(100);
            }
        }
        return false;
    };
    ASSERT_TRUE(orca.hearsText(QStringLiteral("Indicatif"), 30000, 0))
        << "the call-sign field was not heard on arrival: " << said(orca, 0);

    // A QSO typed through its fields: the pre-filled report is heard whole.
    qsizetype mark = orca.spoken().size();
    ASSERT_TRUE(command("field F6ABC"));
    ASSERT_TRUE(command("field 21"));
    ASSERT_TRUE(command("field Jean"));
    EXPECT_TRUE(orca.hearsText(QStringLiteral("Rst R"), 30000, mark)) << said(orca, mark);
    EXPECT_TRUE(
        orca.hears([](const QString &s) { return s.startsWith(QLatin1String("59")); }, 30000, mark))
        << "the report 59 was not heard whole: " << said(orca, mark);
    ASSERT_TRUE(command("enter"));
    ASSERT_TRUE(command("enter"));
    ASSERT_TRUE(command("enter"));
    ASSERT_TRUE(orca.hearsText(QStringLiteral("Validez"), 30000, mark)) << said(orca, mark);

    // Validated: the QSO logged is heard, and the focus lands once, on the call sign.
    mark = orca.spoken().size();
    ASSERT_TRUE(command("space"));
    EXPECT_TRUE(orca.hearsText(QStringLiteral("QSO 1 F6ABC enregistré"), 30000, mark))
        << said(orca, mark);
    EXPECT_TRUE(orca.hearsText(QStringLiteral("Indicatif"), 30000, mark)) << said(orca, mark);
    for (const QString &text : orca.spoken().mid(mark)) {
        EXPECT_FALSE(text.contains(QLatin1String("Annuler"))) << said(orca, mark);
        EXPECT_FALSE(text.contains(QLatin1String("Rst"))) << said(orca, mark);
    }

    // The radio lost and back is heard unasked, while the keyboard stays in the call sign.
    mark = orca.spoken().size();
    ASSERT_TRUE(command("silent"));
    EXPECT_TRUE(orca.hearsText(QStringLiteral("Poste : pas de réponse"), 30000, mark))
        << said(orca, mark);
    ASSERT_TRUE(command("back"));
    EXPECT_TRUE(orca.hearsText(QStringLiteral("Poste : 7 088,00 kHz LSB"), 30000, mark))
        << said(orca, mark);

    // Typing a call sign is not drowned by the known calls: they are heard once, when Ctrl+L
    // goes into them, at their highlighted call; Escape goes back to the field.
    mark = orca.spoken().size();
    ASSERT_TRUE(command("type F6A"));
    ASSERT_TRUE(command("lists"));
    const QString highlighted = QString::fromLatin1(answer.value(2));
    ASSERT_NE(highlighted, QStringLiteral("-"));
    EXPECT_TRUE(orca.hearsText(highlighted, 30000, mark)) << said(orca, mark);
    ASSERT_TRUE(command("escape"));
    const qsizetype back = orca.spoken().size();
    EXPECT_TRUE(orca.hearsText(QStringLiteral("Indicatif"), 30000, back)) << said(orca, back);
    const QStringList aboutLists =
        orca.spoken().mid(mark).filter(QRegularExpression(QStringLiteral("connus|Voisins")));
    EXPECT_EQ(aboutLists.size(), 1)
        << "the lists spoke while the call was typed: " << said(orca, mark);

    window.process.write("quit\n");
    window.process.closeWriteChannel();
    EXPECT_TRUE(window.process.waitForFinished(20000));
    EXPECT_EQ(window.process.exitCode(), 0);
}
