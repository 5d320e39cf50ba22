#pragma once

#include "cluster/SpotTable.h"
#include "core/io/Clock.h"
#include "core/io/Settings.h"
#include "core/station/SpotList.h"

#include <QSet>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QTableView;
class QTimer;

namespace zep {

class StatusLabel;

namespace keys {
inline const QString clusterAnnonces = QStringLiteral("Cluster Annonces");
inline const QString potaAnnonces = QStringLiteral("POTA Annonces");
inline const QString potaAdresse = QStringLiteral("POTA Adresse");
inline const QString annoncesDuree = QStringLiteral("Annonces Duree");
inline const QString annoncesPosition = QStringLiteral("Annonces Position");
} // namespace keys

/// The minutes a spot is kept ("Annonces Duree"): 30 unless the setting holds 1 to 1440.
int spotLifetimeMinutes(const SettingsStore &settings);

/// What the window reads of the entry window: the band and mode boxes, and the programmes of
/// the activation's references ("DFCF"), which the comments are searched for.
struct SpotContext {
    std::function<QString()> band;
    std::function<QString()> mode;
    std::function<QStringList()> bands;
    std::function<QStringList()> programmes;
};

/// "Annonces": the cluster's and POTA's spots beside the entry window, newest first, with the
/// filters "Bande en cours", "Références seulement" and the mode. Each row says what the spot
/// is to the activation: already worked on its band and mode, new, or another activator. Enter
/// or a double click works the spot (`take`); Escape goes back to the entry window (`back`). A
/// new spot of an award reference on the current band is announced once. The window keeps
/// its place and size in "Annonces Position", and takes spots while hidden.
class Annonces : public QWidget {
    Q_OBJECT
public:
    Annonces(SettingsStore &settings, const Clock &clock, SpotContext context,
             std::function<void(const spots::Spot &)> take, std::function<void()> back,
             QWidget *parent = nullptr);
    ~Annonces() override;

    /// Shows the window where it was left, the list focused.
    void Form_Load();
    void addSpots(const QList<spots::Spot> &spots);
    /// The log's QSOs, for each spot's state.
    void setWorked(spots::WorkedSet worked);
    /// Spots are kept this long from now on ("Annonces Duree" changed).
    void setLifetime(int minutes) { list_.setLifetime(qint64(minutes) * 60 * 1000); }
    /// The rows again (the band or mode box changed, a filter changed).
    void refresh();
    /// Works the spot of the current row; false when there is none.
    bool takeCurrent();
    const spots::SpotList &list() const { return list_; }
    SpotTable &table() { return model_; }

    QTableView *Liste;
    QCheckBox *Bande_En_Cours;
    QCheckBox *References_Seulement;
    QComboBox *Mode_Filtre; ///< "Tous les modes", then the modes
    StatusLabel *Etat_Cluster;
    StatusLabel *Etat_POTA;
    StatusLabel *Nouvelle_Annonce; ///< the last new reference on the band, announced

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void announceNew(const QList<spots::Spot> &spots);
    void keepPlace();

    SettingsStore &settings_;
    const Clock &clock_;
    SpotContext context_;
    std::function<void(const spots::Spot &)> take_;
    std::function<void()> back_;
    spots::SpotList list_;
    spots::WorkedSet worked_;
    SpotTable model_;
    QSet<QString> announced_; ///< "<call>|<reference>" already announced
    QTimer *expiry_;
    bool placed_ = false;
};

} // namespace zep
