#include "setup/Setup.h"

#include "core/io/ProgramDirectory.h"
#include "core/io/TextFile.h"
#include "core/log/Activation.h"
#include "platform/Colors.h"
#include "platform/FieldKeys.h"
#include "platform/ListBox.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace zep {

namespace {

QString textOf(const QWidget *field) {
    if (auto *edit = qobject_cast<const QLineEdit *>(field))
        return edit->text();
    if (auto *combo = qobject_cast<const QComboBox *>(field))
        return combo->currentText();
    return {};
}

void setTextOf(QWidget *field, const QString &text) {
    if (auto *edit = qobject_cast<QLineEdit *>(field))
        edit->setText(text);
    else if (auto *combo = qobject_cast<QComboBox *>(field))
        combo->setEditText(text);
}

const QStringList activationTypes = {QStringLiteral("Activation"), QStringLiteral("Réactivation"),
                                     QStringLiteral("Résident")};

} // namespace

Setup::Setup(QString programDir, SettingsStore &settings, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), programDir_(std::move(programDir)), settings_(settings), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Setup"));
    buildControls();
    buildLayout();
    buildChain();
    connect(RAZ, &QPushButton::clicked, this, &Setup::RAZ_Click);
    connect(Saisie_des_QSO, &QPushButton::clicked, this, &Setup::Saisie_des_QSO_Click);
    connect(Supprimer, &QPushButton::clicked, this, &Setup::Supprimer_Click);
    Liste_Activite->onClick([this] { Liste_Activite_Click(); });
    Form_Load();
}

Setup::~Setup() = default;

void Setup::Form_Load() {
    resize(sizeHint());
    centreOnScreen(this);
    Type_Activite->addItems(activationTypes);
    Type_Activite->setCurrentIndex(0);
    Type_Activite1->addItems(activationTypes);
    Type_Activite1->setCurrentIndex(0);
    settings_.write(keys::cheminRepertoire, QDir::toNativeSeparators(programDir_));
    settings_.write(keys::revision, revisionText);
    setWindowTitle(QStringLiteral("  ZEP_Rozadovev    Revision ") + revisionText);
    if (IoResult upgraded = ActivationList(programDir_).upgrade(); !upgraded)
        dialogs_.message(upgraded.message);
    Cherche_Num_Activite();
    // Nothing can be typed yet: the operator starts a new activation (RAZ, green, Space or
    // Enter) or reopens one from the list.
    RAZ->setFocus();
}

void Setup::closeEvent(QCloseEvent *event) {
    Form_Unload();
    QWidget::closeEvent(event);
}

void Setup::Form_Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    emit unloaded();
}

void Setup::moveTo(QWidget *field) {
    field->setEnabled(true);
    setBackground(field, colors::lightGreen());
    field->setFocus();
}

void Setup::buildChain() {
    const auto rule = [](int max, const QString &emptyMessage, bool upper, bool number = false) {
        return SetupFieldRule{max, QString::number(max) + QStringLiteral(" caracteres maxi"),
                              emptyMessage, upper, number};
    };
    const QString nameMandatory = QStringLiteral("Nom de l'activité obligatoire");
    const QString cpMandatory = QStringLiteral("Numero du code postal obligatoire");
    const QString communeMandatory = QStringLiteral("Nom de la commune obligatoire");
    const QString typeMandatory = QStringLiteral("Type de l'activité obligatoire");
    SetupFieldRule date = rule(8, QStringLiteral("Date de l'activité obligatoire"), true);
    date.lengthMessage = QStringLiteral("8 caracteres pour la date JJ/MM/AA");

    chain_ = {
        {Activeur, rule(10, QStringLiteral("Nom de l'activeur obligatoire"), true),
         [this] {
             moveTo(Logger);
             Activeur1->setText(Activeur->text());
         }},
        {Logger, rule(10, {}, true),
         [this] {
             moveTo(Num_Activite);
             Logger1->setText(Logger->text());
         }},
        {Num_Activite, rule(12, setupMessages::numberMandatory, true, true),
         [this] { moveTo(Nom_Activite); }},
        {Nom_Activite, rule(30, nameMandatory, false),
         [this] {
             for (QWidget *w :
                  {static_cast<QWidget *>(Num_Canton), static_cast<QWidget *>(Num_CP),
                   static_cast<QWidget *>(Type_Activite), static_cast<QWidget *>(Date_Activite)})
                 w->setEnabled(true);
             moveTo(Num_Canton);
         }},
        {Num_Canton, rule(4, {}, true), [this] { moveTo(Num_CP); }},
        {Num_CP, rule(5, cpMandatory, true), [this] { moveTo(Nom_Commune); }},
        {Nom_Commune, rule(26, communeMandatory, false), [this] { moveTo(Type_Activite); }},
        {Type_Activite, rule(35, typeMandatory, false), [this] { moveTo(Date_Activite); }},
        {Date_Activite, date,
         [this] {
             Date_Activite1->setText(Date_Activite->text());
             if (Option1->isChecked()) {
                 Saisie_des_QSO->setEnabled(true);
                 setBackground(Saisie_des_QSO, colors::grey());
                 Saisie_des_QSO->setFocus();
             } else {
                 moveTo(Num_Activite1);
             }
         }},
        {Num_Activite1, rule(12, setupMessages::numberMandatory, true, true),
         [this] { moveTo(Nom_Activite1); }},
        {Nom_Activite1, rule(30, nameMandatory, false), [this] { moveTo(Num_Canton1); }},
        {Num_Canton1, rule(4, {}, true), [this] { moveTo(Num_CP1); }},
        {Num_CP1, rule(5, cpMandatory, true), [this] { moveTo(Nom_Commune1); }},
        {Nom_Commune1, rule(26, communeMandatory, false), [this] { moveTo(Type_Activite1); }},
        {Type_Activite1, rule(35, typeMandatory, false),
         [this] {
             Saisie_des_QSO->setEnabled(true);
             setBackground(Saisie_des_QSO, colors::grey());
             Saisie_des_QSO->setFocus();
         }},
    };

    for (const ChainField &c : chain_) {
        if (c.rule.upperCase)
            FieldKeys::upperCase(c.field);
        FieldKeys::onKey(c.field, [this, &c](FieldKey key) {
            if (key != FieldKey::Enter)
                return false;
            fieldEnter(c);
            return true;
        });
    }
}

bool Setup::fieldEnter(const ChainField &chain) {
    const QString text = textOf(chain.field);
    if (auto refusal = setupFieldRefusal(chain.rule, text)) {
        dialogs_.message(*refusal);
        chain.field->setFocus();
        return false;
    }
    if (chain.rule.referenceNumber) {
        // The number is kept without outer blanks, the way it names its log file, so that
        // every window opens the same file.
        const QString number = text.trimmed();
        if (chain.field == Num_Activite1 && number == Num_Activite->text().trimmed()) {
            dialogs_.message(setupMessages::sameNumbers);
            chain.field->setFocus();
            return false;
        }
        setTextOf(chain.field, number);
    }
    setBackground(chain.field, colors::lightYellow());
    chain.next();
    return true;
}

CurrentActivation Setup::currentActivation() const {
    CurrentActivation a;
    a.activator = Activeur->text();
    a.logger = Logger->text();
    a.reference = Num_Activite->text();
    a.secondReference = Num_Activite1->text();
    a.siteName = Nom_Activite->text();
    a.secondSiteName = Nom_Activite1->text();
    a.canton = Num_Canton->text();
    a.secondCanton = Num_Canton1->text();
    a.postcode = Num_CP->text();
    a.secondPostcode = Num_CP1->text();
    a.town = Nom_Commune->text();
    a.secondTown = Nom_Commune1->text();
    a.programme = Type_Activite->currentText();
    a.secondProgramme = Type_Activite1->currentText();
    a.date = Date_Activite->text();
    a.isDouble = Option2->isChecked();
    return a;
}

void Setup::RAZ_Setup() {
    Activeur->clear();
    setBackground(Activeur, colors::lightGreen());
    setBackground(RAZ, colors::systemButton());

    for (QLineEdit *e :
         {Num_Activite, Nom_Activite, Num_Canton, Num_CP, Nom_Commune, Date_Activite})
        e->clear();
    for (QWidget *w :
         std::initializer_list<QWidget *>{Num_Activite, Nom_Activite, Num_Canton, Num_CP,
                                          Nom_Commune, Type_Activite, Date_Activite})
        setBackground(w, colors::lightYellow());
    for (QWidget *w :
         std::initializer_list<QWidget *>{Nom_Activite, Num_Canton, Num_CP, Nom_Commune,
                                          Type_Activite, Date_Activite, Saisie_des_QSO})
        w->setEnabled(false);

    for (QLineEdit *e : {Activeur1, Num_Activite1, Nom_Activite1, Num_Canton1, Num_CP1,
                         Nom_Commune1, Date_Activite1})
        e->clear();
    for (QWidget *w : std::initializer_list<QWidget *>{Num_Canton1, Num_CP1, Nom_Commune1,
                                                       Type_Activite1, Date_Activite1})
        setBackground(w, colors::lightYellow());
    for (QWidget *w : std::initializer_list<QWidget *>{
             Nom_Activite1, Num_Canton1, Num_CP1, Nom_Commune1, Type_Activite1, Date_Activite1})
        w->setEnabled(false);

    setBackground(Saisie_des_QSO, colors::systemButton());
    Saisie_des_QSO->setEnabled(false);
    moveTo(Activeur);
}

void Setup::Cherche_Num_Activite() {
    Liste_Activite->clearList();
    const ActivationList::Numbers read = ActivationList(programDir_).numbers();
    if (!read.status)
        dialogs_.message(read.status.message);
    for (const QString &number : read.numbers)
        Liste_Activite->addListItem(number);
}

} // namespace zep
