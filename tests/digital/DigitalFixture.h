#pragma once

#include "core/aids/FirstNames.h"
#include "core/digital/DigitalSettings.h"
#include "digital/DigitalLink.h"
#include "digital/DigitalMenus.h"
#include "entry/EntryWindowFixture.h"
#include "platform/FileChooser.h"
#include "platform/RecordingPrinter.h"
#include "platform/StatusLabel.h"
#include "support/DigitalSender.h"
#include "support/QsoLines.h"
#include "support/TryWait.h"

#include <QColor>
#include <QDataStream>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>

namespace zep::testing {

/// The entry window with the FT8 traffic wired, listening on a free port of 127.0.0.1, and
/// the FT8 program played by a UDP socket of the test.
class DigitalTest : public EntryWindowTest {
protected:
    void SetUp() override {
        EntryWindowTest::SetUp();
        QUdpSocket probe;
        ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
        port = probe.localPort();
        probe.close();
        ASSERT_TRUE(sender.bind(QHostAddress::LocalHost, 0));
        settings.write(keys::numeriqueActif, QStringLiteral("1"));
        settings.write(keys::numeriquePort, QString::number(port));
    }

    void openWired() {
        open();
        room = connectDigital(*window, services, clock, options);
        if (settings.read(keys::numeriqueActif, QString()) == QLatin1String("1"))
            ZEP_TRY_VERIFY(line()->text() == QStringLiteral("Numérique : en écoute"), 3000);
    }

    void send(const QByteArray &datagram) {
        ASSERT_EQ(sender.writeDatagram(datagram, QHostAddress::LocalHost, port), datagram.size());
    }
    /// Sends, then waits until the listener has read as many datagrams as were sent.
    void sendAndWait(const QList<QByteArray> &datagrams) {
        const quint64 before = room->link().received();
        for (const QByteArray &d : datagrams)
            send(d);
        ZEP_TRY_VERIFY(room->link().received() >= before + quint64(datagrams.size()), 3000);
        QTest::qWait(30); // the queued results reach the GUI thread
    }

    StatusLabel *line() const { return room->statusLine(); }
    /// The QSOs in the log (none while it does not exist).
    int logged() const { return QFile::exists(logFile()) ? int(logLines().size()) : 0; }

    /// The datagrams the program sent back to the FT8 program, read as it reads them.
    struct Highlight {
        QString call;
        bool painted = false;
    };
    QList<Highlight> highlightsReceived() {
        QList<Highlight> got;
        while (sender.hasPendingDatagrams()) {
            const QNetworkDatagram d = sender.receiveDatagram();
            QDataStream in(d.data());
            in.setVersion(QDataStream::Qt_5_4);
            quint32 magic, schema, type;
            QByteArray id, call;
            QColor background, foreground;
            bool last;
            in >> magic >> schema >> type >> id >> call >> background >> foreground >> last;
            EXPECT_EQ(magic, 0xadbccbdau);
            EXPECT_EQ(type, 13u);
            EXPECT_EQ(in.status(), QDataStream::Ok);
            got.append({QString::fromUtf8(call), background.isValid()});
        }
        return got;
    }

    ScriptedFileChooser files;
    RecordingPrintService printing;
    WindowServices services{dir.path(), setup, settings, dialogs, printing, files};
    DigitalOptions options;
    DigitalRoom *room = nullptr;
    QUdpSocket sender;
    quint16 port = 0;
};

} // namespace zep::testing
