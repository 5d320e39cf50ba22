#pragma once

#include "core/io/Clock.h"
#include "core/log/CurrentActivation.h"

#include <QDialog>

class QPushButton;

namespace zep {

/// The small modal choice between the two references of a double activation, asked before a
/// listing, a printout or a saved log that works on one reference. The QSO entry window's
/// clock stands still while the choice is pending and runs again however the window closes.
class Selection_Acti : public QDialog {
    Q_OBJECT
public:
    /// `clock` may be null (no entry window open yet).
    Selection_Acti(const QString &firstNumber, const QString &secondNumber, ClockControl *clock,
                   QWidget *parent = nullptr);
    ~Selection_Acti() override;

    /// The reference chosen with Act1 or Act2; empty until one of them is clicked.
    QString Num_Activite_Choisie;

    void Act1_Click();
    void Act2_Click();
    void Valide_Click();

    QPushButton *Act1;
    QPushButton *Act2;
    QPushButton *Valide;

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void Form_Load();
    void choose(QPushButton *button);
    void restartClock();

    ClockControl *clock_;
    bool clockStopped_ = false;
    bool loaded_ = false;
};

/// The reference a one-reference operation works on: the first reference of a single
/// activation, or, for a double one, the reference chosen in `Selection_Acti` (shown
/// modally). Closing the window without a choice keeps `previous`.
QString chooseReference(const CurrentActivation &activation, ClockControl *clock,
                        const QString &previous, QWidget *parent = nullptr);

} // namespace zep
