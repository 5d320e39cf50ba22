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
#include "platform/StatusLabel.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
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

/// The QSO entry window, the program's main working window: one QSO after another is typed
/// into a row of fields visited with Enter, checked, written to the activity log of the
/// current reference and shown at the end of the numbered QSO list. It also carries the clocks,
/// the entry options of the "Setup" menu, the number of operators contacted and the strip of
/// departments worked on the current band and mode. Closing it ends the program.
///
/// The controls are public members named as in the domain (and carry the same objectName), so
/// that the windows opened from here read them as they need.
class Saisie_QSO : public QMainWindow, public ClockControl {
    Q_OBJECT
public:
    Saisie_QSO(QString programDir, const ActivationSource &setup, SettingsStore &settings,
               Dialogs &dialogs, Clock &clock, QWidget *parent = nullptr);
    ~Saisie_QSO() override;

    // ClockControl: the reference choice window holds the clock while it is open.
    void stopClock() override;
    void startClock() override;

    /// What ending the program means (QCoreApplication::quit by default; tests replace it).
    void setQuitHandler(std::function<void()> handler) { quit_ = std::move(handler); }

    /// One tick of the clock: the UTC and local labels, their enabled state and Date_Courante.
    void Timer1_Timer();

    /// The whole validation of the QSO in the fields ("Validez" or a quick validation key).
    /// False when a file could not be written: the QSO then stays in the fields.
    bool Valide_Q_Click();
    bool Enregistre_QSO();
    bool Insertion_QSO();

    /// Reloads the QSO list from the log, selects its last item and puts the next QSO number
    /// into Num_Q; returns the log lines read (empty when the log cannot be read).
    QStringList Charge_Liste_QSO();
    /// After any change of the log: list, number, operator count and departments strip, then
    /// the windows that follow the log (logRefreshed).
    void refreshFromLog();
    /// Shows the activation the setup window now holds (a reopened or new one): the
    /// descriptions at the top, then the list, counters and strip of its log.
    void showCurrentActivation();
    /// Paints the department labels (the strip for this window's band and mode, the map
    /// window's labels for `band` and `mode`) and returns the map's count of worked labels.
    int Colore_Departements(const QString &band, const QString &mode);
    DepartmentPainter &departments() { return *painter_; }
    /// Counts the log on a worker when it is large and met anew.
    const LogCounter &logCounter() const { return *counter_; }

    /// Back to the state ready for a call sign after a validation: fields emptied and
    /// disabled, reports and date kept, focus in Indi_Q.
    void resetForNextQso();

    EntryState &state() { return state_; }
    /// The log of the first reference, named afresh from the current activation.
    QString logPath() const;
    /// The logs a correction changes: the first reference's, then the second's of a double
    /// activation (kept level with the first).
    QStringList correctedLogs() const;
    /// The corrections of this session that "Annuler la dernière correction" takes back.
    CorrectionHistory &corrections() { return corrections_; }
    QString firstNamesPath() const;
    const QString &programDir() const { return programDir_; }

    bool utcClock() const;
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
    const RigReading &radioReading() const { return radio_; }
    /// A spotted station to work (Saisie_QSO_Spots.cpp): its call into Indi_Q (asking first when
    /// another is there), its reference into the remarks, the band and mode boxes to its
    /// frequency and mode when they hold them; the focus comes back here.
    void takeSpot(const QString &call, const QString &reference, qint64 hz, const QString &mode);

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
    QLabel *Label10; ///< "Date"
    QLabel *Label6;  ///< "Heure"

    // Buttons. Editing, deleting, restoring, inserting and searching are wired by the editing
    // part of the window; the validation and the reset of the fields here support it through
    // state().modeEdition / modeAjout and state().qsoChoisi.
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
    QLabel *Entete;
    QLabel *Status;
    StatusLabel *Poste; ///< the radio's frequency and mode, hidden without a radio
    QLineEdit *Tot_Ope;
    QLabel *Label1;
    QLabel *Label4;
    QLabel *Label3;
    QLabel *Label23;
    QLabel *Label33; ///< date of the chosen clock
    QLabel *Label37; ///< UTC clock
    QLabel *Label34; ///< local clock
    QTimer *Timer1;

    // Menu bar.
    // The items that open the other windows and the exports are wired by their subsystems
    // (the connect... routines called where the program is put together).
    QMenu *Mnu_Fichier;
    QAction *Mnu_ADIF;
    QAction *Mnu_ADIF3;
    QAction *Mnu_C_Trafic;
    QAction *Mnu_Import_ADIF;
    QAction *Mnu_Archiver;        ///< a zip of the program directory and the settings
    QAction *Mnu_Restaurer;       ///< back to the files of such a zip
    QAction *Mnu_Annonce_Cluster; ///< Ctrl+S
    QAction *Mnu_Quitter;
    QMenu *Mnu_Edition;
    QAction *Mnu_Annuler_Correction; ///< Ctrl+Z, wired by EntryUndo
    QMenu *Mnu_Setup;
    QMenu *Mnu_QTR;
    QAction *Mnu_UTC_Oui;
    QAction *Mnu_UTC_Non;
    QMenu *Mnu_Date_Auto;
    QAction *Mnu_Date_Auto_Oui;
    QAction *Mnu_Date_Auto_Non;
    QMenu *Mnu_Differee;
    QAction *Mnu_Diff_Non;
    QAction *Mnu_Diff_Oui;
    QAction *Mnu_CAT; ///< "Poste (CAT)…": the link with the radio
    QMenu *Mnu_Refrappe;
    QAction *Mnu_Refrappe_Non;
    QAction *Mnu_Refrappe_Oui;
    QAction *Mnu_Cluster;
    QAction *Mnu_Sauvegarde; ///< "Sauvegarde…": the folder of the live copy
    QMenu *Mnu_Afficher;
    QAction *Mnu_Aff_Log;
    QAction *Mnu_Log_Alpha;
    QAction *Mnu_Pays_Contacte;
    QAction *Mnu_Liste_Op;
    QMenu *Mnu_Etique;
    QAction *Mnu_Etiquettes;
    QMenu *Mnu_Carte;
    QAction *Mnu_Dpt_Cont;
    QMenu *Mnu_Help;
    QAction *Mnu_Historique;
    QAction *Mnu_Mode_Emploi;
    QAction *Mnu_Maj;
    QAction *Mnu_A_Propos;

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
    void buildLayout();
    void Form_Load();
    void showActivationLabels();
    QString referenceText(bool second, const CurrentActivation &a) const;

    // The partial check and the rate line (Saisie_QSO_Aids.cpp).
    void buildAids();

    // Menus and clock (Saisie_QSO_Options.cpp).
    void buildMenus();
    void setDeferredEntry(bool on);
    void showDateAndTime(bool shown);

    // Field chain (Saisie_QSO_Fields.cpp).
    void bindFields();
    bool Indi_Q_Accepted();
    void Cherche_Prenom(const QString &call);
    void Mode_Q_Click(int index);
    void setReports(const QString &report);
    QWidget *afterRemarks() const;

    // Validation (Saisie_QSO_Validation.cpp).
    struct Stamp {
        QString date, time;
    };
    Stamp liveStamp();
    bool typedStampHolds();
    bool writeQso(bool insert);
    void copyToSecondReference();
    /// Charge_Liste_QSO's work, giving the whole reading of the log.
    ActivityLog::Lines fillList();
    /// The operator count and the departments strip for this reading of the log.
    void refreshCounts(const LogReading &reading);
    /// Starts the count of a large log met anew on the worker (or keeps waiting for the one
    /// under way); false when the counts follow the log here.
    bool countOnWorker(const LogReading &reading);
    /// Takes the followers a count on the worker made, then shows their figures.
    void takeCounts();

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
    OperatorTally operators_;      ///< Tot_Ope's count, kept up to date with the log
    DuplicateFinder duplicates_;
    RateLine *rate_ = nullptr;      ///< "Cadence" and the QSOs on the band
    bool aids_ = true;              ///< the known call signs and the rate line are shown
    LogCounter *counter_ = nullptr; ///< counts a large log met anew on a worker
    CorrectionHistory corrections_;
};

} // namespace zep
