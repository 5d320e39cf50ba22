#pragma once

#include "core/io/IoResult.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class QSettings;

namespace zep {

class Dialogs;

/// Persistent per-user values, all text, under application "Riduzazur" and section "Setup "
/// (the section name ends with a blank). Windows get a store in their constructor.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual QString read(const QString &key, const QString &defaultValue) const = 0;
    virtual void write(const QString &key, const QString &value) = 0;
    /// Every key the store holds (in the "Setup " section), for the check at start.
    virtual QStringList keys() const { return {}; }

    int readInt(const QString &key, int defaultValue) const;
    bool readBool(const QString &key, bool defaultValue) const;
    /// A position in a list of `count` items stored as a number: anything else (text, a
    /// negative number, one past the list, a value edited by hand) gives `defaultValue`.
    int readIndex(const QString &key, int defaultValue, int count) const;
    void writeInt(const QString &key, int value) { write(key, QString::number(value)); }
    void writeBool(const QString &key, bool value) {
        write(key, value ? QStringLiteral("True") : QStringLiteral("False"));
    }
};

/// The store on disk: an INI file in the user's configuration folder (or the file given, which
/// tests use), in QSettings' format. Each write replaces the whole file through the crash-safe
/// path, so a write that fails (a full disk, a read-only folder) leaves the former file whole;
/// the value then stays as it was, and the failure is said in French through `dialogs` (once,
/// until a write succeeds again: a window saving twenty values shows one message).
class QSettingsStore : public SettingsStore {
public:
    explicit QSettingsStore(Dialogs *dialogs = nullptr);
    explicit QSettingsStore(const QString &iniFile, Dialogs *dialogs = nullptr);
    ~QSettingsStore() override;

    QString read(const QString &key, const QString &defaultValue) const override;
    void write(const QString &key, const QString &value) override;
    QStringList keys() const override;
    QString location() const;
    /// Reads the file again when something else changed it (a restored archive).
    void reload();
    /// The outcome of the last write.
    const IoResult &lastWrite() const { return lastWrite_; }

private:
    IoResult save(const QMap<QString, QVariant> &values);

    std::unique_ptr<QSettings> settings_; ///< reads the file, never writes it
    QMap<QString, QVariant> values_;      ///< every key of the file, group included
    Dialogs *dialogs_;
    IoResult lastWrite_;
};

/// A store in memory that also records the order of writes (tests).
class MemorySettingsStore : public SettingsStore {
public:
    QString read(const QString &key, const QString &defaultValue) const override;
    void write(const QString &key, const QString &value) override;
    QStringList keys() const override { return values_.keys(); }

    bool contains(const QString &key) const { return values_.contains(key); }
    const QStringList &writtenKeys() const { return writes_; }
    void clearLog() { writes_.clear(); }

private:
    QMap<QString, QString> values_;
    QStringList writes_;
};

/// The keys of the store.
namespace keys {
inline const QString cheminRepertoire = QStringLiteral("Chemin Repertoire");
inline const QString revision = QStringLiteral("Revision");
inline const QString indicatif = QStringLiteral("Indicatif");
inline const QString logger = QStringLiteral("Logger");
inline const QString numActivite = QStringLiteral("N° Activite");
inline const QString nomActivite = QStringLiteral("Nom Activite");
inline const QString numCanton = QStringLiteral("N° Canton");
inline const QString numCP = QStringLiteral("N° CP");
inline const QString commune = QStringLiteral("Commune");
inline const QString typeActivite = QStringLiteral("Type Activite");
inline const QString dateActivite = QStringLiteral("Date Activite");
inline const QString numActivite1 = QStringLiteral("N° Activite1");
inline const QString nomActivite1 = QStringLiteral("Nom Activite1");
inline const QString typeActivite1 = QStringLiteral("Type Activite1");
inline const QString commune1 = QStringLiteral("Commune1");
inline const QString numCanton1 = QStringLiteral("N° Canton1");
inline const QString numCP1 = QStringLiteral("N° CP1");
inline const QString modeActivite = QStringLiteral("Mode Activite");
inline const QString bandeActivite = QStringLiteral("Bande Activite");
inline const QString modeRefrappe = QStringLiteral("Mode_Refrappe");
inline const QString dateAuto = QStringLiteral("Date Auto");
inline const QString heureUtc = QStringLiteral("Heure UTC");
inline const QString transceiver = QStringLiteral("Transceiver");
inline const QString antenne = QStringLiteral("Antenne");
/// The ADIF 3 export: the station's locator, the folder of the last file written, and the
/// MY_SIG the operator gave each award programme (named by the letters of its references).
inline const QString adif3Locator = QStringLiteral("ADIF3 Locator");
inline const QString adif3Folder = QStringLiteral("ADIF3 Dossier");
inline QString adif3Programme(const QString &letters) {
    return QStringLiteral("ADIF3 Programme ") + letters;
}
inline const QString numEtiquette = QStringLiteral("N° Etiquette");
/// The DX cluster node announcements go to, and the call sign that logs in there.
inline const QString clusterHote = QStringLiteral("Cluster Hote");
inline const QString clusterPort = QStringLiteral("Cluster Port");
inline const QString clusterIndicatif = QStringLiteral("Cluster Indicatif");
/// "False" leaves out the known call signs and the rate line of the entry window (a slow machine):
/// the window then works as it did before them.
inline const QString aidesSaisie = QStringLiteral("Aides Saisie");
/// The folder that holds the live copy of the data files (a USB stick, another disk); empty
/// for none.
inline const QString dossierSauvegarde = QStringLiteral("Dossier de sauvegarde");
/// Calibration of label sheet format `format` (1-5) to the printer: shifts in millimetres.
inline QString decalageXEtiquette(int format) {
    return QStringLiteral("Decalage X Etiquette %1").arg(format);
}
inline QString decalageYEtiquette(int format) {
    return QStringLiteral("Decalage Y Etiquette %1").arg(format);
}
} // namespace keys

/// The revision text, leading blank included.
inline const QString revisionText = QStringLiteral(" 1.3.7b");

/// The program's web site: the update page lives there, and the small line at the foot of a
/// twenty-four-label QSL label names it (short enough for the 20 mm left beside the text).
inline const QString projectSiteHost = QStringLiteral("zep.example.org");

} // namespace zep
