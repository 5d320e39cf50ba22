#pragma once

#include "core/log/ActivityLog.h"
#include "core/station/RadioReading.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QWidget;

namespace zep {

class ClockControl;
class CorrectionHistory;
class MapDepartments;
class QsoList;
class StatusLabel;
namespace digital {
struct ArrivedQso;
}

/// The menus of the entry window's bar, in their order: "Fichiers", "Edition", "Setup",
/// "Afficher", "Etiquettes", "Carte", "Aide".
enum class EntryMenu { Files, Edit, Setup, Show, Labels, Map, Help };

/// What happens in the entry window, for the windows and helpers that follow it.
class EntryEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    /// A QSO was written to the log (typed live, corrected or inserted): its log line.
    void qsoValidated(const QString &line);
    /// The log was read again after a change (a QSO validated, corrected, deleted, restored or
    /// inserted, another activation shown).
    void logRefreshed(const zep::LogReading &log);
    /// The band or the mode of the entry row changed (by hand or by the radio).
    void bandOrModeChanged(const QString &band, const QString &mode);
};

/// The entry window as the rest of the program sees it: a room with a door. Its fields and
/// buttons stay inside; through the door pass the log and the QSO list as data, the events
/// above, and a registry where each subsystem puts its menu items and status lines. A
/// subsystem is wired with a function taking this interface (connectX(EntryDoor &, ...)),
/// called where the program is put together.
class EntryDoor {
public:
    virtual ~EntryDoor() = default;

    /// The window itself, as the parent of the dialogs and windows opened from it.
    virtual QWidget *widget() = 0;
    virtual EntryEvents &events() = 0;
    /// The window's clock, held by the windows that ask for a reference meanwhile.
    virtual ClockControl &clockControl() = 0;

    // The registry.
    /// Adds an item to `menu` and returns it for the caller to connect. The items the window
    /// knows by their objectName take their usual place in the menu, whatever order the
    /// subsystems are wired in; any other goes last (in "Fichiers", just before "Quitter").
    virtual QAction *addMenuItem(EntryMenu menu, const QString &objectName,
                                 const QString &caption) = 0;
    /// Puts a status line at the right of the status bar, after those added before; the window
    /// owns it from then on.
    virtual void addStatusLine(StatusLabel *line) = 0;
    /// What the "Rechercher un QSO" button opens.
    virtual void setSearchHandler(std::function<void()> handler) = 0;

    // What the window shows, as data.
    virtual QString band() const = 0;
    virtual QString mode() const = 0;
    /// Every band and mode the entry row offers, in its order.
    virtual QStringList bands() const = 0;
    virtual QStringList modes() const = 0;
    /// The numbered QSO list: read by the search and countries windows; a search chooses a row.
    virtual QsoList *qsoList() = 0;
    /// The heading above the QSO list (an export shows its file's title there).
    virtual QString listHeading() const = 0;
    virtual void setListHeading(const QString &text) = 0;
    /// The clock the QSOs are stamped with: UTC (true) or local time.
    virtual bool utcClock() const = 0;
    /// The first-name memory shared by every activation.
    virtual QString firstNamesPath() const = 0;
    /// The corrections of this session that "Annuler la dernière correction" takes back.
    virtual CorrectionHistory &corrections() = 0;
    /// What the departments map shows, kept up to date while the map is closed.
    virtual MapDepartments &mapDepartments() = 0;

    // What the others ask of it.
    /// Paints the departments worked on `band` and `mode` for the map; returns their count.
    virtual int paintDepartments(const QString &band, const QString &mode) = 0;
    /// After a change of the log made elsewhere (an import): list, counters and strip.
    virtual void refreshFromLog() = 0;
    /// The log of the first reference, named afresh from the current activation.
    virtual QString logPath() const = 0;
    /// The radio's last reading (no link, silent, or answering with its frequency and mode).
    virtual const RigReading &radioReading() const = 0;
    /// A spotted station to work: its call into the call-sign field (asking first when another
    /// is there), its reference into the remarks, the band and mode to its frequency and mode
    /// when the entry row offers them; the focus comes back to the window.
    virtual void takeSpot(const QString &call, const QString &reference, qint64 hz,
                          const QString &mode) = 0;
    /// Logs a QSO another program logged (FT8, FT4), as a validation would, leaving the fields
    /// and the focus as they are; `duplicate` tells whether the log already had it on its band
    /// and mode. False when the log could not be written.
    virtual bool logArrivedQso(const digital::ArrivedQso &qso, bool *duplicate = nullptr) = 0;
    /// Shows the activation the setup window now holds (after a restore).
    virtual void showCurrentActivation() = 0;
};

} // namespace zep
