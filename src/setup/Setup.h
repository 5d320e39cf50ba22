#pragma once

#include "core/io/Dialogs.h"
#include "core/io/Settings.h"
#include "core/log/CurrentActivation.h"
#include "setup/SetupFields.h"

#include <QWidget>

#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zep {

class ListBox;
struct ActivationRecord;

/// The window the program opens with, and the holder of the current activation for the whole
/// run: the operator reopens a recorded activation from the list, or types a new one (one
/// reference, or two for a double activation) field by field with Enter; "Saisie des QSO"
/// records it in the activation list file and opens the QSO entry window. Every other window
/// reads the current activation from this window's fields. Closing it ends the program.
class Setup : public QWidget, public ActivationSource {
    Q_OBJECT
public:
    Setup(QString programDir, SettingsStore &settings, Dialogs &dialogs, QWidget *parent = nullptr);
    ~Setup() override;

    /// What the save step opens once the activation is recorded (the QSO entry window).
    void setEntryWindowOpener(std::function<void()> opener) {
        entryWindowOpener_ = std::move(opener);
    }

    CurrentActivation currentActivation() const override;
    QString programDir() const { return programDir_; }
    /// The reference number last clicked in the list (empty until a click).
    QString activiteSelectionnee() const { return Activite_Selectionnee; }

    // Handlers, named after their control and event.
    void Liste_Activite_Click();
    void RAZ_Click() { RAZ_Setup(); }
    void Saisie_des_QSO_Click();
    void Supprimer_Click();
    /// Reset for a new activation: the activator's field first, the rest waiting for Enter.
    void RAZ_Setup();
    /// Refills the list with the reference numbers of the activation list file, in file order.
    void Cherche_Num_Activite();

    // The controls, named as the operator's guide names them.
    ListBox *Liste_Activite;
    QLineEdit *Activeur;
    QLineEdit *Activeur1;
    QLineEdit *Logger;
    QLineEdit *Logger1;
    QLineEdit *Num_Activite;
    QLineEdit *Num_Activite1;
    QLineEdit *Nom_Activite;
    QLineEdit *Nom_Activite1;
    QLineEdit *Num_Canton;
    QLineEdit *Num_Canton1;
    QLineEdit *Num_CP;
    QLineEdit *Num_CP1;
    QLineEdit *Nom_Commune;
    QLineEdit *Nom_Commune1;
    QComboBox *Type_Activite;
    QComboBox *Type_Activite1;
    QLineEdit *Date_Activite;
    QLineEdit *Date_Activite1;
    QRadioButton *Option1;
    QRadioButton *Option2;
    QPushButton *RAZ;
    QPushButton *Saisie_des_QSO;
    QPushButton *Supprimer;

signals:
    /// The window has been closed: the program ends.
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    /// One field of the Enter chain: its check and the step that follows a good entry.
    struct ChainField {
        QWidget *field;
        SetupFieldRule rule;
        std::function<void()> next;
    };

    void buildControls();
    void buildLayout();
    void buildChain();
    void Form_Load();
    void Form_Unload();
    /// The Enter key in a field of the chain: check, then move on. False when refused.
    bool fieldEnter(const ChainField &chain);
    void Charge_Activite(const QString &number);
    void showFirst(const ActivationRecord &r);
    void showSecond(const ActivationRecord &r);
    void clearSecond();
    void writeSavedSettings();
    ActivationRecord firstRecord() const;
    ActivationRecord secondRecord() const;
    /// Enables `field`, paints it as the one expected next and gives it the focus.
    void moveTo(QWidget *field);

    QString programDir_;
    SettingsStore &settings_;
    Dialogs &dialogs_;
    std::function<void()> entryWindowOpener_;
    std::vector<ChainField> chain_;
    QString Activite_Selectionnee;
    bool unloaded_ = false;
};

} // namespace zep
