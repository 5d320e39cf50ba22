// The controls of the setup window and where they sit: the list at the left, the two
// reference columns side by side, the examples at the right, the option buttons at the top
// right and the buttons under the list and the columns.

#include "platform/Accessibility.h"
#include "platform/Colors.h"
#include "platform/ListBox.h"
#include "setup/Setup.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zep {

namespace {

template <typename W> W *named(W *widget, const char *name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLineEdit *textBox(QWidget *parent, const char *name) {
    auto *edit = named(new QLineEdit(parent), name);
    edit->setMinimumWidth(170);
    return edit;
}

QComboBox *typeBox(QWidget *parent, const char *name) {
    auto *combo = named(new QComboBox(parent), name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMinimumWidth(170);
    return combo;
}

QLabel *caption(QWidget *parent, const QString &text) {
    auto *label = new QLabel(text, parent);
    return label;
}

} // namespace

void Setup::buildControls() {
    Liste_Activite = named(new ListBox(this), "Liste_Activite");
    Liste_Activite->setToolTip(QStringLiteral("Clicquez sur une activation pour la réouvrire"));
    Liste_Activite->setMinimumWidth(130);

    Activeur = textBox(this, "Activeur");
    Activeur1 = textBox(this, "Activeur1");
    Logger = textBox(this, "Logger");
    Logger1 = textBox(this, "Logger1");
    Num_Activite = textBox(this, "Num_Activite");
    Num_Activite1 = textBox(this, "Num_Activite1");
    Nom_Activite = textBox(this, "Nom_Activite");
    Nom_Activite1 = textBox(this, "Nom_Activite1");
    Num_Canton = textBox(this, "Num_Canton");
    Num_Canton1 = textBox(this, "Num_Canton1");
    Num_CP = textBox(this, "Num_CP");
    Num_CP1 = textBox(this, "Num_CP1");
    Nom_Commune = textBox(this, "Nom_Commune");
    Nom_Commune1 = textBox(this, "Nom_Commune1");
    Type_Activite = typeBox(this, "Type_Activite");
    Type_Activite1 = typeBox(this, "Type_Activite1");
    Date_Activite = textBox(this, "Date_Activite");
    Date_Activite1 = textBox(this, "Date_Activite1");
    // The second column's activator, logger and date are the first reference's, shown again.
    Activeur1->setReadOnly(true);
    Logger1->setReadOnly(true);
    Date_Activite1->setReadOnly(true);

    Option1 = named(new QRadioButton(QStringLiteral("Activité simple"), this), "Option1");
    Option2 = named(new QRadioButton(QStringLiteral("Activité double"), this), "Option2");
    Option1->setChecked(true);

    RAZ = named(new QPushButton(QStringLiteral("RAZ pour nouvelle activation"), this), "RAZ");
    Saisie_des_QSO =
        named(new QPushButton(QStringLiteral("Saisie des QSO"), this), "Saisie_des_QSO");
    Supprimer = named(new QPushButton(QStringLiteral("Supprimer"), this), "Supprimer");
    // Enter on a focused button presses it, so the whole set-up runs from the keyboard.
    RAZ->setAutoDefault(true);
    Saisie_des_QSO->setAutoDefault(true);
    Supprimer->setAutoDefault(true);
    Supprimer->hide();

    for (QWidget *w : std::initializer_list<QWidget *>{
             Liste_Activite, Activeur, Activeur1, Logger, Logger1, Num_Activite, Num_Activite1,
             Nom_Activite, Nom_Activite1, Num_Canton, Num_Canton1, Num_CP, Num_CP1, Nom_Commune,
             Nom_Commune1, Type_Activite, Type_Activite1, Date_Activite, Date_Activite1})
        setBackground(w, colors::lightYellow());
    for (QWidget *w : std::initializer_list<QWidget *>{
             Activeur, Activeur1, Logger, Logger1, Num_Activite, Num_Activite1, Nom_Activite,
             Nom_Activite1, Num_Canton, Num_Canton1, Num_CP, Num_CP1, Nom_Commune, Nom_Commune1,
             Type_Activite, Type_Activite1, Date_Activite, Date_Activite1, Saisie_des_QSO})
        w->setEnabled(false);
    setBackground(RAZ, colors::lightGreen());
}

void Setup::buildLayout() {
    auto *grid = new QGridLayout(this);
    grid->setHorizontalSpacing(10);

    auto *title = caption(this, QStringLiteral("ENREGISTREMENT DE L'ACTIVATION"));
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    title->setFont(titleFont);
    grid->addWidget(title, 0, 1, 1, 3, Qt::AlignCenter);

    auto *options = new QVBoxLayout;
    options->addWidget(Option1);
    options->addWidget(Option2);
    grid->addLayout(options, 0, 4);

    grid->addWidget(caption(this, QStringLiteral("Activités ")), 1, 0);
    grid->addWidget(caption(this, QStringLiteral("Activité N°1")), 1, 2, Qt::AlignCenter);
    grid->addWidget(caption(this, QStringLiteral("Activité N°2")), 1, 3, Qt::AlignCenter);

    struct Row {
        QString label;
        QWidget *first;
        QWidget *second;
        QString example;
    };
    const Row rows[] = {
        {QStringLiteral("Indicatif de l'activeur *"), Activeur, Activeur1,
         QStringLiteral("ex: F5ZZZ")},
        {QStringLiteral("Logger  "), Logger, Logger1, QStringLiteral("ex: F4ZZZ")},
        {QStringLiteral("N° de l'Activité *"), Num_Activite, Num_Activite1,
         QStringLiteral("ex: <span style=\"color:red; font-weight:bold\">DFCF</span> 76054")},
        {QStringLiteral("Nom de l'Activité *"), Nom_Activite, Nom_Activite1,
         QStringLiteral("ex: Chateau de Sassenot")},
        {QStringLiteral("N° du Canton"), Num_Canton, Num_Canton1, QStringLiteral("ex 7625")},
        {QStringLiteral("N° du Code Postal *"), Num_CP, Num_CP1, QStringLiteral("ex: 76540")},
        {QStringLiteral("Nom de la Commune *"), Nom_Commune, Nom_Commune1,
         QStringLiteral("ex: Sassenot sur seine")},
        {QStringLiteral("Type de l'Activité *"), Type_Activite, Type_Activite1,
         QStringLiteral("ex: Activation")},
        {QStringLiteral("Date de l'Activité *"), Date_Activite, Date_Activite1,
         QStringLiteral("ex: 12/11/05")},
    };
    int r = 2;
    for (const Row &row : rows) {
        // Each column's field is announced with its row's caption and the column it is in.
        auto *label = caption(this, row.label);
        access::name(row.first, row.label + QStringLiteral(" (Activité N°1)"), label);
        access::name(row.second, row.label + QStringLiteral(" (Activité N°2)"));
        grid->addWidget(label, r, 1);
        grid->addWidget(row.first, r, 2);
        grid->addWidget(row.second, r, 3);
        auto *example = caption(this, row.example);
        example->setTextFormat(Qt::RichText);
        grid->addWidget(example, r, 4);
        ++r;
    }
    grid->addWidget(Liste_Activite, 2, 0, r - 2, 1);

    auto *mandatory = caption(this, QStringLiteral(" (*)  Informations Obligatoires"));
    QPalette red = mandatory->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    mandatory->setPalette(red);
    grid->addWidget(mandatory, r, 1, 1, 2);
    ++r;

    grid->addWidget(RAZ, r, 0);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Saisie_des_QSO);
    buttons->addWidget(Supprimer);
    buttons->addStretch();
    grid->addLayout(buttons, r, 1, 1, 3);

    access::name(Liste_Activite, QStringLiteral("Activités"));
    for (QAbstractButton *b :
         std::initializer_list<QAbstractButton *>{Option1, Option2, RAZ, Saisie_des_QSO, Supprimer})
        access::name(b, b->text());
    // Tab follows the fields in the order Enter visits them: the first reference, then the
    // second one; the copies of the activator, logger and date come after them.
    access::tabChain({Liste_Activite, Option1,        Option2,       Activeur,
                      Logger,         Num_Activite,   Nom_Activite,  Num_Canton,
                      Num_CP,         Nom_Commune,    Type_Activite, Date_Activite,
                      Num_Activite1,  Nom_Activite1,  Num_Canton1,   Num_CP1,
                      Nom_Commune1,   Type_Activite1, Activeur1,     Logger1,
                      Date_Activite1, Saisie_des_QSO, Supprimer,     RAZ});
}

} // namespace zep
