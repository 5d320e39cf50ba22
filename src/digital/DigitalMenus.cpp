#include "digital/DigitalMenus.h"

#include "core/digital/DigitalMessage.h"
#include "core/log/ActivityLog.h"
#include "core/log/QsoLine.h"
#include "core/station/RadioReading.h"
#include "digital/DigitalLink.h"
#include "digital/GpsdLocator.h"
#include "platform/EntryDoor.h"
#include "platform/StatusLabel.h"
#include "setup/Trafic_Numerique.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>

namespace zep {

namespace {

/// The most calls the sender is asked to highlight at once: more slows its decoding.
constexpr int maxHighlights = 100;
/// The grey behind a call already worked.
constexpr quint32 workedColour = 0xc0c0c0;

QStringList bandRows(const EntryDoor &entry) {
    return entry.bands();
}

} // namespace

DigitalRoom::DigitalRoom(EntryDoor &entry, const WindowServices &services, const Clock &clock,
                         DigitalOptions options)
    : QObject(entry.widget()), entry_(entry), services_(services), clock_(clock),
      link_(new DigitalLink(clock, bandRows(entry), this)),
      gpsd_(new GpsdLocator(options.gpsdPort, this)),
      line_(new StatusLabel(QStringLiteral("Numérique"), entry.widget())),
      locatorLine_(new StatusLabel(QStringLiteral("Locator"), entry.widget())),
      timer_(new QTimer(this)),
      menu_(entry.addMenuItem(EntryMenu::Setup, QStringLiteral("Mnu_Trafic_Numerique"),
                              QStringLiteral("Trafic numérique…"))) {
    setObjectName(QStringLiteral("DigitalRoom"));
    line_->setObjectName(QStringLiteral("Numerique"));
    locatorLine_->setObjectName(QStringLiteral("Locator_Station"));
    // A sender gone silent, or a port that cannot be listened on, is heard at once.
    line_->announceWhen([](const QString &text) {
        return text.contains(QStringLiteral("rien reçu")) ||
               text.contains(QStringLiteral("indisponible")) ||
               text.contains(QStringLiteral("doublon"));
    });
    entry.addStatusLine(line_);
    entry.addStatusLine(locatorLine_);

    connect(menu_, &QAction::triggered, this, [this] {
        if (!window_) {
            window_ = new Trafic_Numerique(services_.settings, services_.dialogs, entry_.widget());
            window_->setAttribute(Qt::WA_DeleteOnClose);
            connect(window_, &Trafic_Numerique::saved, this, &DigitalRoom::applySettings);
        }
        window_->Form_Load();
    });
    connect(link_, &DigitalLink::listening, this, [this](bool ok, const QString &failure) {
        tally_.listening(ok || !failure.isEmpty(), failure);
        showStatus();
    });
    connect(link_, &DigitalLink::heard, this, [this](const QString &id) {
        senderId_ = id;
        tally_.heard(id, clock_.utcNow());
        showStatus();
    });
    connect(link_, &DigitalLink::closed, this, [this](const QString &id) {
        tally_.closed(id, clock_.utcNow());
        highlighted_.clear(); // a closed sender forgets its highlights
        senderBand_.clear();
        senderMode_.clear();
        showStatus();
    });
    connect(link_, &DigitalLink::statusChanged, this, &DigitalRoom::senderStatus);
    connect(link_, &DigitalLink::qsoArrived, this, &DigitalRoom::arrived);
    connect(gpsd_, &GpsdLocator::located, this, &DigitalRoom::located);
    connect(&entry.events(), &EntryEvents::logRefreshed, this, &DigitalRoom::logChanged);
    connect(timer_, &QTimer::timeout, this, &DigitalRoom::showStatus);
    timer_->start(options.statusEvery);
    logShown_ = entry.logPath();
    applySettings();
}

DigitalRoom::~DigitalRoom() = default;

void DigitalRoom::applySettings() {
    QString problem;
    const digital::ListenSettings listen =
        digital::loadListenSettings(services_.settings, &problem);
    // "En écoute" is said by the listener once its socket is open, so that nothing sent
    // before is thought heard.
    if (!listen.on)
        tally_.listening(false);
    else if (!problem.isEmpty())
        services_.dialogs.message(problem);
    link_->listen(listen);
    const bool fromGpsd =
        digital::loadLocatorSource(services_.settings) == digital::LocatorSource::Gpsd;
    if (!fromGpsd) {
        gpsdGrid_.clear();
        gpsdState_.clear();
    }
    gpsd_->follow(fromGpsd);
    showStatus();
    showLocator();
}

void DigitalRoom::showStatus() {
    const QString text = tally_.line(clock_.utcNow());
    if (line_->text() != text)
        line_->setText(text);
    line_->setVisible(!text.isEmpty());
    // What was refused is counted, for whoever wonders why a QSO did not come.
    line_->setToolTip(QStringLiteral("%1 datagrammes reçus, %2 ignorés")
                          .arg(link_->received())
                          .arg(link_->ignored()));
}

void DigitalRoom::arrived(const digital::ArrivedQso &qso) {
    bool duplicate = false;
    if (!entry_.logArrivedQso(qso, &duplicate))
        return;
    tally_.qsoReceived(qso.sender, clock_.utcNow(), duplicate ? qso.call : QString());
    showStatus();
    emit qsoLogged(qso, duplicate);
}

void DigitalRoom::senderStatus(const QString &id, qint64 hz, const QString &mode) {
    senderId_ = id;
    const std::optional<int> row = radio::bandRow(hz, bandRows(entry_));
    const QString band = row ? entry_.bands().value(*row) : QString();
    const QString shortMode = mode.trimmed().toUpper();
    if (band == senderBand_ && shortMode == senderMode_)
        return;
    // Another band or mode: the calls worked there are not those of the one left.
    clearHighlights();
    senderBand_ = band;
    senderMode_ = shortMode;
    syncHighlights(ActivityLog(entry_.logPath()).read().lines);
}

void DigitalRoom::logChanged(const LogReading &log) {
    if (entry_.logPath() != logShown_) {
        // Another activation: what the sender greys belongs to the one left.
        logShown_ = entry_.logPath();
        clearHighlights();
    }
    syncHighlights(log.lines);
}

void DigitalRoom::syncHighlights(const QStringList &lines) {
    if (senderBand_.isEmpty() || senderMode_.isEmpty())
        return;
    // The latest calls first, until the sender has as many as it can take.
    QSet<QString> wanted;
    for (auto it = lines.crbegin(); it != lines.crend() && wanted.size() < maxHighlights; ++it) {
        const QString &line = *it;
        if (line.mid(qsocol::band - 1, qsocol::bandWidth).trimmed() != senderBand_ ||
            line.mid(qsocol::mode - 1, qsocol::modeWidth).trimmed() != senderMode_)
            continue;
        wanted.insert(line.mid(qsocol::call - 1, qsocol::callWidth).trimmed());
    }
    wanted.remove(QString());
    for (const QString &call : std::as_const(highlighted_))
        if (!wanted.contains(call))
            link_->sendToSender(digital::highlightCallsign(senderId_, call, std::nullopt));
    for (const QString &call : std::as_const(wanted))
        if (!highlighted_.contains(call))
            link_->sendToSender(digital::highlightCallsign(senderId_, call, workedColour));
    highlighted_ = wanted;
}

void DigitalRoom::clearHighlights() {
    for (const QString &call : std::as_const(highlighted_))
        link_->sendToSender(digital::highlightCallsign(senderId_, call, std::nullopt));
    highlighted_.clear();
}

void DigitalRoom::located(const QString &grid, const QString &state) {
    gpsdGrid_ = grid;
    gpsdState_ = state;
    // The last position read stays the station's locator when gpsd goes away: the exports
    // and the next start take it.
    if (!grid.isEmpty() && digital::loadTypedLocator(services_.settings) != grid)
        services_.settings.write(keys::locator, grid);
    showLocator();
}

void DigitalRoom::showLocator() {
    const bool fromGpsd =
        digital::loadLocatorSource(services_.settings) == digital::LocatorSource::Gpsd;
    const QString typed = digital::loadTypedLocator(services_.settings);
    QString text;
    if (fromGpsd && !gpsdGrid_.isEmpty())
        text = QStringLiteral("Locator : %1 (gpsd)").arg(gpsdGrid_);
    else if (fromGpsd)
        text = QStringLiteral("Locator : %1")
                   .arg(gpsdState_.isEmpty() ? QStringLiteral("gpsd…") : gpsdState_);
    else if (!typed.isEmpty())
        text = QStringLiteral("Locator : %1").arg(typed);
    if (locatorLine_->text() != text)
        locatorLine_->setText(text);
    locatorLine_->setVisible(!text.isEmpty());
}

DigitalRoom *connectDigital(EntryDoor &entry, const WindowServices &services, const Clock &clock,
                            DigitalOptions options) {
    return new DigitalRoom(entry, services, clock, options);
}

} // namespace zep
