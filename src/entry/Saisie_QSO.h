#pragma once

#include "core/aids/FirstNames.h"
#include "core/io/Clock.h"
#include "core/io/Dialogs.h"
#include "core/io/Settings.h"
#include "core/log/ActivityLog.h"
#include "core/log/CorrectionHistory.h"
#include "core/log/CurrentActivation.h"
#include "core/log/OperatorTally.h"
#include "core/station/RadioReading.h"
#include "entry/EntryState.h"
#include "entry/FieldChain.h"
#include "entry/LogCounter.h"
#include "platform/EntryDoor.h"
#include "platform/StatusLabel.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;

namespace zep {

class DepartmentPainter;
class EntryKeyFilter;
class PartialCheckPanel;
class RateLine;
class QsoList;
class RigControl;
namespace digital {
struct ArrivedQso;
}

/// The QSO entry window, the program's main working window: one QSO after another is typed
/// into a row of fields visited with Enter, checked, written to the activity log of the
/// current reference and shown at the end of the numbered QSO list. It also carries the clocks,
/// the entry options of the "Setup" menu, the number of operators contacted and the strip of
/// departments worked on the current band and mode. Closing it ends the program.
///
/// The rest of the program sees it through EntryDoor: the subsystems add their menu items
/// and status lines there, and follow its events.
class Saisie_QSO : public QMainWindow, public ClockControl, public EntryDoor {
    Q_OBJECT
public:
    Saisie_QSO(QString programDir, const ActivationSource &setup, SettingsStore &settings,
               Dialogs &dialogs, Clock &clock, QWidget *parent = nullptr);
    ~Saisie_QSO() override;

    // EntryDoor.
    QWidget *widget() override { return this; }
    EntryEvents &events() override { return *events_; }
    ClockControl &clockControl() override { return *this; }
    QAction *addMenuItem(EntryMenu menu, const QString &objectName,
                         const QString &caption) override;
    void addStatusLine(StatusLabel *line) override;
    void setSearchHandler(std::function<void()> handler) override;
    QString band() const override;
    QString mode() const override;
    QStringList bands() const override;
    QStringList modes() const override;
    QsoList *qsoList() override { return Liste_QSO; }
    QString listHeading() const override;
    void setListHeading(const QString &text) override;
    MapDepartments &mapDepartments() override;

    // ClockControl: the reference choice window holds the clock while it is open.
    void stopClock() override;
    void startClock() override;

    /// What ending the program means (QCoreApplication::quit by default; tests replace it).
    void setQuitHandler(std::function<void()> handler) { quit_ = std::move(handler); }

    /// One tick of the clock: the UTC and local labels, their enabled state and Date_Courante.
    void showClock();

    /// The whole validation of the QSO in the fields ("Validez" or a quick validation key).
    /// False when a file could not be written: the QSO then stays in the fields.
    bool validateQso();
    bool writeLiveQso();
    bool writeInsertedQso();

    /// Reloads the QSO list from the log, selects its last item and puts the next QSO number
    /// into Num_Q; returns the log lines read (empty when the log cannot be read).
    QStringList reloadQsoList();
    /// After any change of the log: list, number, operator count and departments strip, then
    /// the windows that follow the log (logRefreshed).
    void refreshFromLog() override;
    /// Shows the activation the setup window now holds (a reopened or new one): the
    /// descriptions at the top, then the list, counters and strip of its log.
    void showCurrentActivation() override;
    /// Paints the department labels (the strip for this window's band and mode, the map
    /// window's labels for `band` and `mode`) and returns the map's count of worked labels.
    int paintDepartments(const QString &band, const QString &mode) override;
    DepartmentPainter &departments() { return *painter_; }
    /// Counts the log on a worker when it is large and met anew.
    const LogCounter &logCounter() const { return *counter_; }

    /// Back to the state ready for a call sign after a validation: fields emptied and
    /// disabled, reports and date kept, focus in Indi_Q.
    void resetForNextQso();

    EntryState &state() { return state_; }
    /// The log of the first reference, named afresh from the current activation.
    QString logPath() const override;
    /// The logs a correction changes: the first reference's, then the second's of a double
    /// activation (kept level with the first).
    QStringList correctedLogs() const;
    /// Makes the second reference's log of a double activation level with the first after any
    /// change of the first (nothing for a single activation); a failure is said.
    void copyToSecondReference();
    /// The corrections of this session that "Annuler la dernière correction" takes back.
    CorrectionHistory &corrections() override { return corrections_; }
    QString firstNamesPath() const override;
    const QString &programDir() const { return programDir_; }

    bool utcClock() const override;
    bool deferredEntry() const;
    bool retypeOn() const;
    bool autoSeparators() const;

    // The radio (Saisie_QSO_Radio.cpp).
    /// Follows `rig` on the link the settings hold, and has "Poste (CAT)…" set that link.
    void attachRig(RigControl &rig);
    /// The radio's reading: the "Poste" line, and the band and mode boxes when the radio
    /// changed them, unless a QSO is being corrected or typed from a paper log.
    void showRadio(const RigReading &reading);
    /// The frequency to keep with a live QSO on `band`: the radio's while it answers on that
    /// band, outside corrections, insertions and deferred entry.
    std::optional<qint64> radioFrequency(const QString &band) const;
    /// The radio's last reading (no link, silent, or answering with its frequency and mode).
    const RigReading &radioReading() const override { return radio_; }
    /// A spotted station to work (Saisie_QSO_Spots.cpp): its call into Indi_Q (asking first when
    /// another is there), its reference into the remarks, the band and mode boxes to its
    /// frequency and mode when they hold them; the focus comes back here.
    void takeSpot(const QString &call, const QString &reference, qint64 hz,
                  const QString &mode) override;

    /// Logs a QSO the FT8 or FT4 program logged, as a validation would, leaving the fields
    /// and the focus as they are; `duplicate` tells whether the log already had it on its
    /// band and mode (Saisie_QSO_Digital.cpp). False when the log could not be written.
    bool logArrivedQso(const digital::ArrivedQso &qso, bool *duplicate = nullptr) override;

    // Entry fields and their labels.
    QComboBox *Bande_Q;
    QComboBox *Mode_Q;
    QLineEdit *Num_Q;
    QLineEdit *Indi_Q;
    QLineEdit *Dpt_Q;
    QLineEdit *Prenom_Q;
    QLineEdit *QRKR_Q;
    QLineEdit *QRKE_Q;
    QLineEdit *Observation_Q;
    QLineEdit *Date_Q;
    QLineEdit *Heure_Q;
    QLabel *dateCaption; ///< "Date"
    QLabel *timeCaption; ///< "Heure"

    // Buttons. Editing, deleting, restoring, inserting and searching are wired by the editing
    // part of the window; the validation and the reset of the fields here support it through
    // state().correcting / inserting and state().chosenLine.
    QPushButton *Valide_Q;
    QPushButton *Annule_Q;
    QPushButton *Edite_QSO;
    QPushButton *Efface_QSO;
    QPushButton *Recupere;
    QPushButton *Ajout_QSO;
    QPushButton *Recherche;

    QsoList *Liste_QSO;
    /// "Indicatifs connus" and "Voisins" beside the call-sign field (Saisie_QSO_Aids.cpp).
    PartialCheckPanel *Controle_Partiel;
    QLabel *listHeader;
    QLabel *modeStatus;
    StatusLabel *radioLine; ///< the radio's frequency and mode, hidden without a radio
    QLineEdit *operatorCount;
    QLabel *activatorLabel;
    QLabel *loggerLabel;
    QLabel *referenceLabel;
    QLabel *secondReferenceLabel;
    QLabel *clockDateLabel;  ///< date of the chosen clock
    QLabel *utcClockLabel;   ///< UTC clock
    QLabel *localClockLabel; ///< local clock
    QTimer *clockTimer;

    // Menu bar: the window's own items; the subsystems add theirs (addMenuItem).
    QMenu *filesMenu;
    QAction *quitItem;
    QMenu *editMenu;
    QAction *undoCorrectionItem; ///< Ctrl+Z, wired by EntryUndo
    QMenu *setupMenu;
    QMenu *clockMenu;
    QAction *utcClockItem;
    QAction *localClockItem;
    QMenu *separatorsMenu;
    QAction *separatorsOnItem;
    QAction *separatorsOffItem;
    QMenu *deferredMenu;
    QAction *deferredOffItem;
    QAction *deferredOnItem;
    QAction *radioLinkItem; ///< "Poste (CAT)…": the link with the radio
    QMenu *retypeMenu;
    QAction *retypeOffItem;
    QAction *retypeOnItem;
    QMenu *showMenu;
    QMenu *labelsMenu;
    QMenu *mapMenu;
    QMenu *helpMenu;

signals:
    /// The window was closed ("Quitter" or its close box): the program ends.
    void quitRequested();
    /// The log was read again after a change (a QSO validated, corrected, deleted, restored or
    /// inserted, another activation shown): the windows that follow it take its changes.
    void logRefreshed(const zep::LogReading &log);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Construction (Saisie_QSO.cpp).
    void buildControls();
    void buildEntryFields(QWidget *central);
    void buildButtons(QWidget *central);
    void buildListAndStatus(QWidget *central);
    void buildHeadings(QWidget *central);
    void buildClock();
    void watchKeys();
    void buildLayout();
    QWidget *headingsBox(QWidget *central);
    QWidget *activityBox(QWidget *central);
    QLayout *entryRow(QWidget *central);
    QLayout *buttonRow();
    QLayout *lowerPart(QWidget *central);
    void Form_Load();
    void showActivationLabels();
    QString referenceText(bool second, const CurrentActivation &a) const;

    // The partial check and the rate line (Saisie_QSO_Aids.cpp).
    void buildAids();

    // Menus and clock (Saisie_QSO_Options.cpp).
    void buildMenus();
    QMenu *menu(EntryMenu which) const;
    void setDeferredEntry(bool on);
    void showDateAndTime(bool shown);

    // Field chain (Saisie_QSO_Fields.cpp).
    void bindFields();
    bool acceptCallSign();
    void lookUpFirstName(const QString &call);
    void applyMode(int index);
    void setReports(const QString &report);
    QWidget *afterRemarks() const;

    // Validation (Saisie_QSO_Validation.cpp).
    struct Stamp {
        QString date, time;
    };
    Stamp liveStamp();
    bool typedStampHolds();
    bool writeQso(bool insert);
    /// reloadQsoList's work, giving the whole reading of the log.
    ActivityLog::Lines fillList();
    /// The operator count and the departments strip for this reading of the log.
    void refreshCounts(const LogReading &reading);
    /// Starts the count of a large log met anew on the worker (or keeps waiting for the one
    /// under way); false when the counts follow the log here.
    bool countOnWorker(const LogReading &reading);
    /// Takes the followers a count on the worker made, then shows their figures.
    void takeCounts();

    EntryEvents *events_;
    QString programDir_;
    const ActivationSource &setup_;
    SettingsStore &settings_;
    Dialogs &dialogs_;
    Clock &clock_;
    EntryState state_;
    FieldChain chain_;
    std::unique_ptr<DepartmentPainter> painter_;
    EntryKeyFilter *keyFilter_ = nullptr;
    std::function<void()> quit_;
    /// The log's change is followed by its frequencies' (see QsoFrequencies).
    void keepFrequency(bool insert, const QString &line, qint64 hzNow);

    RigControl *rig_ = nullptr;
    RigReading radio_;
    std::optional<int> radioBand_; ///< the band row the radio last put in the box
    QString radioMode_;            ///< the mode text the radio last put in the box
    QString lookedUpCall_;         ///< the call sign whose lookup set Prenom_Inconnu
    OperatorTally operators_;      ///< operatorCount's count, kept up to date with the log
    DuplicateFinder duplicates_;
    RateLine *rate_ = nullptr;      ///< "Cadence" and the QSOs on the band
    bool aids_ = true;              ///< the known call signs and the rate line are shown
    LogCounter *counter_ = nullptr; ///< counts a large log met anew on a worker
    CorrectionHistory corrections_;
};

} // namespace zep
