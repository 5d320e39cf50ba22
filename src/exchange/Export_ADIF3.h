#pragma once

#include "core/exchange/AdifAwardExport.h"
#include "platform/WindowServices.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zep {

/// "Export ADIF 3": the log written for the award sites and QSL services, one file per
/// reference of the activation. For each reference the operator checks whether it gets a file,
/// its first line, its award programme (MY_SIG, remembered per programme) and which optional
/// fields go into the records; the locator (MY_GRIDSQUARE) is remembered for every activation.
/// "Enregistrer" then asks where each file goes and writes it crash-safely.
class Export_ADIF3 : public QWidget {
    Q_OBJECT
public:
    explicit Export_ADIF3(const WindowServices &services, QWidget *parent = nullptr);

    /// Opening: the activation's references, the remembered programmes and locator; centred.
    void Form_Load();

    /// Writes the file of every reference checked, each where the operator chooses, and says
    /// what was written. The paths written (none when everything was cancelled or refused).
    QStringList Enregistrer_Click();

    /// The controls of one reference.
    struct ReferenceBox {
        QGroupBox *box;
        QCheckBox *exporter;      ///< Exporter_n: this reference gets a file
        QLineEdit *entete;        ///< Entete_n: the file's first line
        QLineEdit *programme;     ///< Programme_n: MY_SIG, remembered by `defaultProgramme`
        QCheckBox *prenoms;       ///< Prenoms_n: NAME
        QCheckBox *observations;  ///< Observations_n: COMMENT
        QCheckBox *correspondant; ///< Ref_Correspondant_n: SIG, SIG_INFO
        QCheckBox *pays;          ///< Pays_n: DXCC, COUNTRY, STATE
    };

    QLabel *Station; ///< the activator's and the operator's call signs
    QLineEdit *Locator;
    std::array<ReferenceBox, 2> Reference;
    QPushButton *Enregistrer;
    QPushButton *Fermer;

private:
    /// What "Enregistrer" takes from the window, checked.
    struct Choices {
        QString grid;          ///< the locator, checked, or empty
        QList<int> references; ///< the rows of the references checked
        QDateTime created;     ///< when the files are made
    };
    /// The locator and the references checked; nothing, and the operator told, when the
    /// locator is none or no reference is checked.
    std::optional<Choices> checkedChoices(const QStringList &refs);
    /// Keeps the locator and each programme typed for the next export.
    void rememberChoices(const Choices &choices, const QStringList &refs);
    /// Where the file of `reference` goes, asked; nothing when cancelled or refused.
    std::optional<QString> askFileFor(const QString &reference, const QString &proposed);
    adif3::Station stationFor(int i, const QString &reference, const Choices &choices) const;
    adif3::Contents contentsFor(int i) const;

    ReferenceBox buildReferenceBox(int n);
    /// The references of the activation: the first, and the second of a double activation.
    QStringList references() const;

    WindowServices services_;
};

/// Opens the window from the entry window's menu without blocking it, one at a time; asking
/// again while it is open loads it afresh.
class Adif3WindowOpener {
public:
    explicit Adif3WindowOpener(const WindowServices &services);
    ~Adif3WindowOpener();
    Adif3WindowOpener(const Adif3WindowOpener &) = delete;
    Adif3WindowOpener &operator=(const Adif3WindowOpener &) = delete;

    Export_ADIF3 *open();
    Export_ADIF3 *window() const { return window_; }

private:
    WindowServices services_;
    QPointer<Export_ADIF3> window_;
};

} // namespace zep
