#include "setup/Messages_Manipulateur.h"

#include "platform/Accessibility.h"
#include "platform/Colors.h"
#include "setup/VoiceRecording.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zep {

namespace {

QLineEdit *newField(QWidget *parent, const QString &name, int maxLength) {
    auto *field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setMaxLength(maxLength);
    return field;
}

} // namespace

Messages_Manipulateur::Messages_Manipulateur(SettingsStore &settings, Dialogs &dialogs,
                                             QWidget *parent, VoiceRecorder *recorder)
    : QDialog(parent), settings_(settings), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Messages_Manipulateur"));
    setWindowTitle(QStringLiteral("Messages et manipulateur"));

    auto *messages = new QGroupBox(QStringLiteral("Messages CW"), this);
    auto *messageForm = new QFormLayout(messages);
    for (int i = 0; i < keyer::messageCount; ++i) {
        // One more character than kept, so that a text too long is said, not cut silently.
        Message_F[i] =
            newField(this, QStringLiteral("Message_F%1").arg(i + 1), keyer::maxTextChars + 1);
        messageForm->addRow(QStringLiteral("F%1").arg(i + 1), Message_F[i]);
    }
    auto *fields = new QLabel(QStringLiteral("Champs : {MONINDICATIF} {INDICATIF} {REFERENCE} "
                                             "{REFERENCE2} {RST} {PRENOM}"),
                              messages);
    fields->setObjectName(QStringLiteral("Champs"));
    messageForm->addRow(fields);

    Manipulateur_Sortie = new QComboBox(this);
    Manipulateur_Sortie->setObjectName(QStringLiteral("Manipulateur_Sortie"));
    Manipulateur_Sortie->addItems({QStringLiteral("Aucun"),
                                   QStringLiteral("Le poste (liaison CAT)"),
                                   QStringLiteral("cwdaemon"), QStringLiteral("WinKeyer")});
    Manipulateur_Hote = newField(this, QStringLiteral("Manipulateur_Hote"), 253);
    Manipulateur_Port = newField(this, QStringLiteral("Manipulateur_Port"), 5);
    Manipulateur_Peripherique = newField(this, QStringLiteral("Manipulateur_Peripherique"), 200);
    Manipulateur_Vitesse = newField(this, QStringLiteral("Manipulateur_Vitesse"), 2);
    auto *keyerBox = new QGroupBox(QStringLiteral("Manipulateur CW"), this);
    auto *keyerForm = new QFormLayout(keyerBox);
    keyerForm->addRow(QStringLiteral("Sortie"), Manipulateur_Sortie);
    keyerForm->addRow(QStringLiteral("Hôte de cwdaemon"), Manipulateur_Hote);
    keyerForm->addRow(QStringLiteral("Port de cwdaemon"), Manipulateur_Port);
    keyerForm->addRow(QStringLiteral("Port série du WinKeyer"), Manipulateur_Peripherique);
    keyerForm->addRow(QStringLiteral("Vitesse (mots/min)"), Manipulateur_Vitesse);

    Voix_Sortie = newField(this, QStringLiteral("Voix_Sortie"), 200);
    Voix_Entree = newField(this, QStringLiteral("Voix_Entree"), 200);
    Voix_PTT = new QComboBox(this);
    Voix_PTT->setObjectName(QStringLiteral("Voix_PTT"));
    Voix_PTT->addItems({QStringLiteral("VOX"), QStringLiteral("Le poste (liaison CAT)")});
    auto *voiceBox = new QGroupBox(QStringLiteral("Messages vocaux"), this);
    auto *voiceForm = new QFormLayout(voiceBox);
    voiceForm->addRow(QStringLiteral("Sortie audio"), Voix_Sortie);
    voiceForm->addRow(QStringLiteral("Entrée audio"), Voix_Entree);
    voiceForm->addRow(QStringLiteral("Émission (PTT)"), Voix_PTT);
    // Recorded from the input named in the field, saved or not yet.
    Voix_Enregistrement = new VoiceRecording(
        recorder, dialogs,
        [this] {
            const QString input = Voix_Entree->text().trimmed();
            return keyercheck::audioDevice(input) ? QString() : input;
        },
        this);
    voiceForm->addRow(Voix_Enregistrement);

    CQ_Repetition = newField(this, QStringLiteral("CQ_Repetition"), 3);
    auto *repeatForm = new QFormLayout;
    repeatForm->addRow(QStringLiteral("Répétition du CQ (F1) en secondes, 0 : aucune"),
                       CQ_Repetition);

    Enregistrer = new QPushButton(QStringLiteral("Enregistrer"), this);
    Enregistrer->setObjectName(QStringLiteral("Enregistrer"));
    Enregistrer->setDefault(true);
    Annuler = new QPushButton(QStringLiteral("Annuler"), this);
    Annuler->setObjectName(QStringLiteral("Annuler"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Enregistrer);
    buttons->addWidget(Annuler);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(messages);
    layout->addWidget(keyerBox);
    layout->addWidget(voiceBox);
    layout->addLayout(repeatForm);
    layout->addLayout(buttons);

    // Each field is announced by the caption beside it.
    for (QFormLayout *form : {messageForm, keyerForm, voiceForm, repeatForm})
        for (int row = 0; row < form->rowCount(); ++row) {
            auto *label =
                qobject_cast<QLabel *>(form->itemAt(row, QFormLayout::LabelRole)
                                           ? form->itemAt(row, QFormLayout::LabelRole)->widget()
                                           : nullptr);
            QLayoutItem *item = form->itemAt(row, QFormLayout::FieldRole);
            if (label && item && item->widget())
                access::name(item->widget(), label->text(), label);
        }

    connect(Manipulateur_Sortie, &QComboBox::currentIndexChanged, this,
            &Messages_Manipulateur::showOutputFields);
    connect(Enregistrer, &QPushButton::clicked, this, &Messages_Manipulateur::Enregistrer_Click);
    connect(Annuler, &QPushButton::clicked, this, &QWidget::close);
}

void Messages_Manipulateur::Form_Load() {
    const KeyerSettings s = KeyerSettings::load(settings_);
    for (int i = 0; i < keyer::messageCount; ++i)
        Message_F[i]->setText(s.messages.at(i));
    Manipulateur_Sortie->setCurrentIndex(static_cast<int>(s.link.output));
    Manipulateur_Hote->setText(s.link.host);
    Manipulateur_Port->setText(QString::number(s.link.port));
    Manipulateur_Peripherique->setText(s.link.device);
    Manipulateur_Vitesse->setText(QString::number(s.wpm));
    Voix_Sortie->setText(s.voiceOutput);
    Voix_Entree->setText(s.voiceInput);
    Voix_PTT->setCurrentIndex(static_cast<int>(s.voicePtt));
    CQ_Repetition->setText(QString::number(s.cqRepeatSeconds));
    showOutputFields();
    adjustSize();
    resize(qMax(width(), 560), height());
    centreOnScreen(this);
    show();
    raise();
    activateWindow();
    Message_F[0]->setFocus();
}

void Messages_Manipulateur::showOutputFields() {
    const auto output = static_cast<KeyerLink::Output>(Manipulateur_Sortie->currentIndex());
    Manipulateur_Hote->setEnabled(output == KeyerLink::Output::CwDaemon);
    Manipulateur_Port->setEnabled(output == KeyerLink::Output::CwDaemon);
    Manipulateur_Peripherique->setEnabled(output == KeyerLink::Output::WinKeyer);
}

bool Messages_Manipulateur::refuse(QLineEdit *field, const QString &message) {
    dialogs_.message(message);
    field->setFocus();
    field->selectAll();
    return false;
}

bool Messages_Manipulateur::Enregistrer_Click() {
    KeyerSettings s = KeyerSettings::load(settings_);
    for (int i = 0; i < keyer::messageCount; ++i) {
        const QString text = Message_F[i]->text().trimmed();
        if (const keyer::TextCheck check = keyer::checkText(text); !check.ok)
            return refuse(Message_F[i], QStringLiteral("F%1 : %2").arg(i + 1).arg(check.message));
        s.messages[i] = text;
    }
    s.link.output = static_cast<KeyerLink::Output>(Manipulateur_Sortie->currentIndex());
    // The fields of the other outputs are kept as they are when they hold, so that a change
    // of output and back finds them again.
    const bool daemon = s.link.output == KeyerLink::Output::CwDaemon;
    const bool winkeyer = s.link.output == KeyerLink::Output::WinKeyer;
    if (const auto bad = keyercheck::host(Manipulateur_Hote->text()); bad && daemon)
        return refuse(Manipulateur_Hote, *bad);
    else if (!bad)
        s.link.host = Manipulateur_Hote->text().trimmed();
    if (const auto bad = keyercheck::port(Manipulateur_Port->text()); bad && daemon)
        return refuse(Manipulateur_Port, *bad);
    else if (!bad)
        s.link.port = Manipulateur_Port->text().trimmed().toInt();
    if (const auto bad = keyercheck::device(Manipulateur_Peripherique->text()); bad && winkeyer)
        return refuse(Manipulateur_Peripherique, *bad);
    else if (!bad)
        s.link.device = Manipulateur_Peripherique->text().trimmed();
    if (const auto bad = keyercheck::wpm(Manipulateur_Vitesse->text()))
        return refuse(Manipulateur_Vitesse, *bad);
    s.wpm = Manipulateur_Vitesse->text().trimmed().toInt();
    for (QLineEdit *audio : {Voix_Sortie, Voix_Entree})
        if (const auto bad = keyercheck::audioDevice(audio->text()))
            return refuse(audio, *bad);
    s.voiceOutput = Voix_Sortie->text().trimmed();
    s.voiceInput = Voix_Entree->text().trimmed();
    s.voicePtt = static_cast<KeyerSettings::VoicePtt>(Voix_PTT->currentIndex());
    if (const auto bad = keyercheck::repeat(CQ_Repetition->text()))
        return refuse(CQ_Repetition, *bad);
    s.cqRepeatSeconds = CQ_Repetition->text().trimmed().toInt();
    s.save(settings_);
    close();
    return true;
}

} // namespace zep
