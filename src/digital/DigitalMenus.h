#pragma once

#include "core/digital/ArrivedQso.h"
#include "core/digital/DigitalSettings.h"
#include "core/digital/SenderTally.h"
#include "core/io/Clock.h"
#include "platform/WindowServices.h"

#include <QObject>
#include <QPointer>
#include <QSet>

#include <chrono>

class QAction;
class QTimer;

namespace zep {

class DigitalLink;
class GpsdLocator;
class EntryDoor;
class StatusLabel;
class Trafic_Numerique;
struct LogReading;

struct DigitalOptions {
    quint16 gpsdPort = digital::gpsdPort;
    /// How often the status line looks at the sender's silence.
    std::chrono::milliseconds statusEvery{15000};
};

/// The FT8 and FT4 traffic in the entry window: "Setup" > "Trafic numérique…", the listening
/// it sets, each QSO logged by the sender written into the activation (EntryDoor::
/// logArrivedQso), the "Numérique" and "Locator" status lines, the station's locator from
/// gpsd, and the sender's decode window told which calls this activation already has on its
/// band and mode (Highlight Callsign), cleared when the band, the mode or the activation
/// changes. Everything on the GUI thread is a few field compares and one log write per QSO.
class DigitalRoom : public QObject {
    Q_OBJECT
public:
    DigitalRoom(EntryDoor &entry, const WindowServices &services, const Clock &clock,
                DigitalOptions options);
    ~DigitalRoom() override;

    /// Listens, follows gpsd and shows the lines as the settings now say.
    void applySettings();
    /// The status line read again by the clock (the sender's silence).
    void showStatus();

    DigitalLink &link() { return *link_; }
    StatusLabel *statusLine() const { return line_; }
    StatusLabel *locatorLine() const { return locatorLine_; }
    QAction *menuItem() const { return menu_; }
    /// The calls the sender is now asked to highlight.
    const QSet<QString> &highlighted() const { return highlighted_; }
    /// What the status line tells.
    const digital::SenderTally &tally() const { return tally_; }

signals:
    /// A QSO from the sender was written to the log (`duplicate`: it already had one).
    void qsoLogged(const zep::digital::ArrivedQso &qso, bool duplicate);

private:
    void arrived(const digital::ArrivedQso &qso);
    void senderStatus(const QString &id, qint64 hz, const QString &mode);
    void logChanged(const LogReading &log);
    void located(const QString &grid, const QString &state);
    void showLocator();
    /// Asks the sender to highlight the calls of the log on its band and mode, and to clear
    /// the ones it no longer should.
    void syncHighlights(const QStringList &lines);
    void clearHighlights();

    EntryDoor &entry_;
    WindowServices services_;
    const Clock &clock_;
    DigitalLink *link_;
    GpsdLocator *gpsd_;
    digital::SenderTally tally_;
    StatusLabel *line_;
    StatusLabel *locatorLine_;
    QTimer *timer_;
    QAction *menu_;
    QPointer<Trafic_Numerique> window_;
    QString gpsdGrid_, gpsdState_;
    QString senderId_;
    QString senderBand_, senderMode_;
    QString logShown_;
    QSet<QString> highlighted_;
};

/// Wires the FT8 and FT4 traffic into the entry window (see DigitalRoom); the room goes with it.
DigitalRoom *connectDigital(EntryDoor &entry, const WindowServices &services, const Clock &clock,
                            DigitalOptions options = {});

} // namespace zep
