#include "setup/Selection_Acti.h"

#include "platform/Colors.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace zep {

Selection_Acti::Selection_Acti(const QString &firstNumber, const QString &secondNumber,
                               ClockControl *clock, QWidget *parent)
    : QDialog(parent), clock_(clock) {
    setObjectName(QStringLiteral("Selection_Acti"));
    setWindowTitle(QStringLiteral(" Selection de l'activité"));
    setModal(true);

    auto *frame = new QGroupBox(QStringLiteral("Selection activité"), this);
    Act1 = new QPushButton(firstNumber, frame);
    Act1->setObjectName(QStringLiteral("Act1"));
    Act2 = new QPushButton(secondNumber, frame);
    Act2->setObjectName(QStringLiteral("Act2"));
    auto *row = new QHBoxLayout(frame);
    row->addWidget(Act1);
    row->addWidget(Act2);

    Valide = new QPushButton(QStringLiteral("Validez"), this);
    Valide->setObjectName(QStringLiteral("Valide"));
    Valide->setEnabled(false);

    auto *column = new QVBoxLayout(this);
    column->addWidget(frame);
    column->addWidget(Valide, 0, Qt::AlignHCenter);

    for (QPushButton *b : {Act1, Act2, Valide}) {
        // Enter presses the focused button; no button is the dialog's default, so Enter never
        // validates before a reference has been chosen.
        b->setAutoDefault(true);
        b->setDefault(false);
    }
    setBackground(Act1, colors::lightGreen());
    setBackground(Act2, colors::lightGreen());
    Act1->setFocus();

    connect(Act1, &QPushButton::clicked, this, &Selection_Acti::Act1_Click);
    connect(Act2, &QPushButton::clicked, this, &Selection_Acti::Act2_Click);
    connect(Valide, &QPushButton::clicked, this, &Selection_Acti::Valide_Click);
}

Selection_Acti::~Selection_Acti() {
    restartClock();
}

void Selection_Acti::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!loaded_) {
        loaded_ = true;
        Form_Load();
    }
}

void Selection_Acti::Form_Load() {
    centreOnScreen(this);
    if (clock_ && !clockStopped_) {
        clock_->stopClock();
        clockStopped_ = true;
    }
}

void Selection_Acti::Act1_Click() {
    choose(Act1);
}
void Selection_Acti::Act2_Click() {
    choose(Act2);
}

void Selection_Acti::choose(QPushButton *button) {
    Num_Activite_Choisie = button->text();
    setBackground(Act1, colors::systemButton());
    setBackground(Act2, colors::systemButton());
    Valide->setEnabled(true);
    setBackground(Valide, colors::lightGreen());
    Valide->setFocus();
}

void Selection_Acti::Valide_Click() {
    accept();
}

void Selection_Acti::done(int result) {
    // Validez, the close box and Escape all end here: the entry window's clock runs again.
    restartClock();
    QDialog::done(result);
}

void Selection_Acti::restartClock() {
    if (clock_ && clockStopped_) {
        clockStopped_ = false;
        clock_->startClock();
    }
}

QString chooseReference(const CurrentActivation &activation, ClockControl *clock,
                        const QString &previous, QWidget *parent) {
    if (!activation.isDouble)
        return activation.reference;
    Selection_Acti window(activation.reference, activation.secondReference, clock, parent);
    window.exec();
    return window.Num_Activite_Choisie.isEmpty() ? previous : window.Num_Activite_Choisie;
}

} // namespace zep
