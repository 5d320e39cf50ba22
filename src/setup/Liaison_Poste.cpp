#include "setup/Liaison_Poste.h"

#include "platform/Accessibility.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace zep {

namespace {

template <typename W> W *named(W *widget, const char *name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

const int speeds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

QString modelText(const RigModel &m) {
    return m.maker + QLatin1Char(' ') + m.name + QStringLiteral(" (") + QString::number(m.number) +
           QLatin1Char(')');
}

} // namespace

Liaison_Poste::Liaison_Poste(SettingsStore &settings, RigControl &rig, QWidget *parent)
    : QDialog(parent), settings_(settings), rig_(rig) {
    setObjectName(QStringLiteral("Liaison_Poste"));
    setWindowTitle(QStringLiteral("Liaison avec le poste"));

    Aucune = named(new QRadioButton(QStringLiteral("Aucune"), this), "Aucune");
    Reseau = named(new QRadioButton(QStringLiteral("rigctld (réseau)"), this), "Reseau");
    Direct = named(new QRadioButton(QStringLiteral("Poste relié directement"), this), "Direct");
    auto *kinds = new QButtonGroup(this);
    for (QRadioButton *b : {Aucune, Reseau, Direct})
        kinds->addButton(b);

    Hote = named(new QLineEdit(this), "Hote");
    Port = named(new QSpinBox(this), "Port");
    Port->setRange(1, 65535);
    Recherche_Modele = named(new QLineEdit(this), "Recherche_Modele");
    Recherche_Modele->setPlaceholderText(QStringLiteral("marque ou modèle"));
    Modele = named(new QComboBox(this), "Modele");
    Modele->setMinimumWidth(280);
    Peripherique = named(new QComboBox(this), "Peripherique");
    Peripherique->setEditable(true);
    Peripherique->setInsertPolicy(QComboBox::NoInsert);
    Peripherique->addItems(serialDevices());
    Vitesse = named(new QComboBox(this), "Vitesse");
    for (int s : speeds)
        Vitesse->addItem(QString::number(s), s);
    Tester = named(new QPushButton(QStringLiteral("Tester"), this), "Tester");
    Enregistrer = named(new QPushButton(QStringLiteral("Enregistrer"), this), "Enregistrer");
    Annuler = named(new QPushButton(QStringLiteral("Annuler"), this), "Annuler");
    Enregistrer->setDefault(true);
    Resultat = named(new StatusLabel(QStringLiteral("Résultat du test"), this), "Resultat");
    Resultat->setWordWrap(true);

    auto *grid = new QGridLayout;
    int row = 0;
    auto add = [&](const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, this);
        access::name(field, caption, label);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        ++row;
    };
    grid->addWidget(Aucune, row++, 0, 1, 2);
    grid->addWidget(Reseau, row++, 0, 1, 2);
    add(QStringLiteral("Hôte"), Hote);
    add(QStringLiteral("Port"), Port);
    grid->addWidget(Direct, row++, 0, 1, 2);
    add(QStringLiteral("Rechercher"), Recherche_Modele);
    add(QStringLiteral("Modèle"), Modele);
    add(QStringLiteral("Port série"), Peripherique);
    add(QStringLiteral("Vitesse"), Vitesse);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Tester);
    buttons->addStretch(1);
    buttons->addWidget(Enregistrer);
    buttons->addWidget(Annuler);
    auto *main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addWidget(Resultat);
    main->addLayout(buttons);
    for (QPushButton *b : {Tester, Enregistrer, Annuler})
        access::name(b, b->text());

    showLink(RigLink::load(settings_));

    for (QRadioButton *b : {Aucune, Reseau, Direct})
        connect(b, &QRadioButton::toggled, this, &Liaison_Poste::enableFields);
    connect(Recherche_Modele, &QLineEdit::textChanged, this, &Liaison_Poste::fillModels);
    connect(Modele, &QComboBox::activated, this, [this](int index) {
        if (index >= 0)
            model_ = Modele->itemData(index).toInt();
    });
    connect(&rig_, &RigControl::modelsListed, this, [this](const QList<RigModel> &models) {
        models_ = models;
        fillModels();
    });
    connect(Tester, &QPushButton::clicked, this, [this] {
        Resultat->setText(QStringLiteral("Lecture du poste…"));
        rig_.test(link());
    });
    connect(&rig_, &RigControl::tested, this, [this](const RigReading &r, const QString &cause) {
        Resultat->setText(cause.isEmpty()
                              ? radio::kiloHertz(r.hz) + QStringLiteral(" kHz ") + r.mode
                              : QStringLiteral("Échec : ") + cause);
    });
    connect(Enregistrer, &QPushButton::clicked, this, &Liaison_Poste::save);
    connect(Annuler, &QPushButton::clicked, this, &QDialog::reject);

    // The radio helper lists Hamlib's models: the list fills when it comes.
    rig_.listModels();
}

QStringList Liaison_Poste::serialDevices() {
    QStringList found;
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QString &name : byId.entryList(QDir::System | QDir::Files, QDir::Name))
        found.append(byId.filePath(name));
    const QDir dev(QStringLiteral("/dev"));
    for (const QString &name : dev.entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                             QDir::System, QDir::Name))
        found.append(dev.filePath(name));
    return found;
}

void Liaison_Poste::showLink(const RigLink &link) {
    Aucune->setChecked(link.kind == RigLink::Kind::None);
    Reseau->setChecked(link.kind == RigLink::Kind::Rigctld);
    Direct->setChecked(link.kind == RigLink::Kind::Direct);
    Hote->setText(link.host);
    Port->setValue(link.port);
    model_ = link.model;
    fillModels();
    Peripherique->setEditText(link.device);
    const int speed = Vitesse->findData(link.speed);
    if (speed >= 0)
        Vitesse->setCurrentIndex(speed);
    else {
        Vitesse->addItem(QString::number(link.speed), link.speed);
        Vitesse->setCurrentIndex(Vitesse->count() - 1);
    }
    enableFields();
}

void Liaison_Poste::enableFields() {
    for (QWidget *w : std::initializer_list<QWidget *>{Hote, Port})
        w->setEnabled(Reseau->isChecked());
    for (QWidget *w :
         std::initializer_list<QWidget *>{Recherche_Modele, Modele, Peripherique, Vitesse})
        w->setEnabled(Direct->isChecked());
    Tester->setEnabled(!Aucune->isChecked());
}

void Liaison_Poste::fillModels() {
    const QStringList words =
        Recherche_Modele->text().simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    Modele->clear();
    for (const RigModel &m : models_) {
        const QString text = modelText(m);
        if (std::all_of(words.begin(), words.end(),
                        [&](const QString &w) { return text.contains(w, Qt::CaseInsensitive); }))
            Modele->addItem(text, m.number);
    }
    int chosen = Modele->findData(model_);
    // A search that leaves out the chosen model proposes its first find.
    if (chosen < 0 && !words.isEmpty() && Modele->count() > 0) {
        chosen = 0;
        model_ = Modele->itemData(0).toInt();
    }
    if (chosen < 0) {
        // The list has not come yet, or holds nothing of that name.
        Modele->addItem(QStringLiteral("Modèle n° %1").arg(model_), model_);
        chosen = Modele->count() - 1;
    }
    Modele->setCurrentIndex(chosen);
}

RigLink Liaison_Poste::link() const {
    RigLink link;
    link.kind = Reseau->isChecked()   ? RigLink::Kind::Rigctld
                : Direct->isChecked() ? RigLink::Kind::Direct
                                      : RigLink::Kind::None;
    link.host = Hote->text().trimmed();
    if (link.host.isEmpty())
        link.host = RigLink().host;
    link.port = Port->value();
    link.model = Modele->currentIndex() >= 0 ? Modele->currentData().toInt() : model_;
    link.device = Peripherique->currentText().trimmed();
    link.speed = Vitesse->currentData().toInt();
    return link;
}

void Liaison_Poste::save() {
    const RigLink chosen = link();
    chosen.save(settings_);
    rig_.follow(chosen);
    accept();
}

} // namespace zep
