#include "entry/Saisie_QSO.h"

#include "core/aids/FirstNames.h"
#include "core/io/ProgramDirectory.h"
#include "core/log/Activation.h"
#include "core/log/QsoLine.h"
#include "entry/DepartmentPainter.h"
#include "entry/EntryEditing.h"
#include "entry/EntryKeyFilter.h"
#include "entry/EntryUndo.h"
#include "entry/PartialCheckPanel.h"
#include "entry/RateLine.h"
#include "platform/Accessibility.h"
#include "platform/Colors.h"
#include "platform/QsoList.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace zep {

namespace {

/// Widths of the entry row's fields, each for its longest entry.
namespace fieldWidth {
constexpr int bandOrMode = 70;
constexpr int number = 50; ///< six digits
constexpr int callSign = 110;
constexpr int department = 36;
constexpr int firstName = 130;
constexpr int report = 40;
constexpr int remarks = 230;
constexpr int date = 70; ///< jj/mm/aa
constexpr int time = 50; ///< hh:mm
constexpr int operatorCount = 50;
} // namespace fieldWidth

/// Room between the date and the two clocks, between the two rate lines, and between the
/// radio's line and the mode's.
constexpr int clockGap = 20;
constexpr int rateGap = 30;
constexpr int statusGap = 16;
/// The clocks are read from across the room: this many points above the window's lettering.
constexpr int clockFontGrowth = 4;
/// The headings above the QSO list start where its text does: past its frame, then this.
constexpr int listTextMargin = 3;
/// The size the window opens at: wide enough for the whole QSO lines beside the known calls.
constexpr QSize openingSize(1180, 820);
const QString listTitle = QStringLiteral("Liste des QSO");

QLineEdit *newField(QWidget *parent, const QString &name, int width) {
    auto *field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setFixedWidth(width);
    setBackground(field, colors::lightYellow());
    return field;
}

QPushButton *newButton(QWidget *parent, const QString &name, const QString &caption,
                       const QString &tip = QString()) {
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(tip);
    return button;
}

// The list's columns line up from item to item only in a font whose letters all have the same
// width; the first such font found among the usual ones is taken.
QFont fixedPitchFont() {
    QList<QFont> candidates;
    for (const char *family : {"Courier New", "DejaVu Sans Mono", "Liberation Mono"}) {
        QFont f(QString::fromLatin1(family));
        f.setStyleHint(QFont::TypeWriter);
        candidates.append(f);
    }
    candidates.append(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    for (QFont f : candidates) {
        const QFontMetrics m(f);
        if (m.horizontalAdvance(QLatin1Char('i')) == m.horizontalAdvance(QLatin1Char('W'))) {
            f.setFixedPitch(true);
            return f;
        }
    }
    return candidates.last();
}

QLabel *newLabel(QWidget *parent, const QString &name, const QString &text = QString()) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

Saisie_QSO::Saisie_QSO(QString programDir, const ActivationSource &setup, SettingsStore &settings,
                       Dialogs &dialogs, Clock &clock, QWidget *parent)
    : QMainWindow(parent), events_(new EntryEvents(this)), programDir_(std::move(programDir)),
      setup_(setup), settings_(settings), dialogs_(dialogs), clock_(clock), chain_(dialogs, state_),
      quit_([] { QCoreApplication::quit(); }) {
    setObjectName(QStringLiteral("Saisie_QSO"));
    counter_ = new LogCounter(this);
    connect(counter_, &LogCounter::counted, this, &Saisie_QSO::takeCounts);
    buildControls();
    buildMenus();
    buildAids();
    buildLayout();
    bindFields();
    Form_Load();
    // Editing, deleting, restoring and inserting QSOs (EntryEditing.cpp).
    new EntryEditing(*this, dialogs_);
    // Taking corrections back (EntryUndo.cpp).
    new EntryUndo(*this, dialogs_);

    connect(this, &Saisie_QSO::logRefreshed, events_, &EntryEvents::logRefreshed);
    for (QComboBox *box : {Bande_Q, Mode_Q})
        connect(box, &QComboBox::currentTextChanged, events_,
                [this] { emit events_->bandOrModeChanged(band(), mode()); });
}

void Saisie_QSO::setSearchHandler(std::function<void()> handler) {
    if (EntryEditing *editing = EntryEditing::of(*this))
        editing->setSearchHandler(std::move(handler));
}

QString Saisie_QSO::band() const {
    return Bande_Q->currentText();
}

QString Saisie_QSO::mode() const {
    return Mode_Q->currentText();
}

namespace {
QStringList itemsOf(const QComboBox *box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}
} // namespace

QStringList Saisie_QSO::bands() const {
    return itemsOf(Bande_Q);
}

QStringList Saisie_QSO::modes() const {
    return itemsOf(Mode_Q);
}

QString Saisie_QSO::listHeading() const {
    return listHeader->text();
}

void Saisie_QSO::setListHeading(const QString &text) {
    listHeader->setText(text);
}

MapDepartments &Saisie_QSO::mapDepartments() {
    return painter_->mapDepartments();
}

Saisie_QSO::~Saisie_QSO() = default;

void Saisie_QSO::buildControls() {
    auto *central = new QWidget(this);
    setCentralWidget(central);
    buildEntryFields(central);
    buildButtons(central);
    buildListAndStatus(central);
    buildHeadings(central);
    buildClock();
    watchKeys();
}

void Saisie_QSO::buildEntryFields(QWidget *central) {
    Bande_Q = new QComboBox(central);
    Bande_Q->setObjectName(QStringLiteral("Bande_Q"));
    Mode_Q = new QComboBox(central);
    Mode_Q->setObjectName(QStringLiteral("Mode_Q"));
    for (QComboBox *box : {Bande_Q, Mode_Q}) {
        box->setEditable(true);
        // What is typed is checked on Enter, never added to the list.
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setFixedWidth(fieldWidth::bandOrMode);
        setBackground(box, colors::lightYellow());
    }

    Num_Q = newField(central, QStringLiteral("Num_Q"), fieldWidth::number);
    Num_Q->setReadOnly(true);
    Num_Q->setFocusPolicy(Qt::NoFocus); // shown, never typed into
    Indi_Q = newField(central, QStringLiteral("Indi_Q"), fieldWidth::callSign);
    Dpt_Q = newField(central, QStringLiteral("Dpt_Q"), fieldWidth::department);
    Dpt_Q->setToolTip(QStringLiteral(
        "Si tout est correct, appuyez sur la touche \"+\" ou sur le bouton validez"));
    Prenom_Q = newField(central, QStringLiteral("Prenom_Q"), fieldWidth::firstName);
    QRKR_Q = newField(central, QStringLiteral("QRKR_Q"), fieldWidth::report);
    QRKE_Q = newField(central, QStringLiteral("QRKE_Q"), fieldWidth::report);
    QRKR_Q->setText(QStringLiteral("59"));
    QRKE_Q->setText(QStringLiteral("59"));
    Observation_Q = newField(central, QStringLiteral("Observation_Q"), fieldWidth::remarks);
    Date_Q = newField(central, QStringLiteral("Date_Q"), fieldWidth::date);
    Heure_Q = newField(central, QStringLiteral("Heure_Q"), fieldWidth::time);
    dateCaption = newLabel(central, QStringLiteral("Label10"), QStringLiteral("Date"));
    timeCaption = newLabel(central, QStringLiteral("Label6"), QStringLiteral("Heure"));
}

void Saisie_QSO::buildButtons(QWidget *central) {
    Valide_Q = newButton(central, QStringLiteral("Valide_Q"), QStringLiteral("Validez"),
                         QStringLiteral("Valide le QSO entré"));
    // Enter on the focused button validates as Space does: the whole QSO from the keyboard.
    Valide_Q->setAutoDefault(true);
    Annule_Q = newButton(central, QStringLiteral("Annule_Q"), QStringLiteral("Annuler  une saisie"),
                         QStringLiteral("Annule les saisies en cours"));
    Edite_QSO = newButton(central, QStringLiteral("Edite_QSO"), QStringLiteral("Editer un QSO"),
                          QStringLiteral("Selectionnez un QSO dans la liste des QSO puis cliquer "
                                         "sur le bouton \"Editer un QSO\""));
    Efface_QSO =
        newButton(central, QStringLiteral("Efface_QSO"), QStringLiteral("Supprimer un QSO"),
                  QStringLiteral("Selectionnez un QSO dans la liste des QSO puis cliquer sur le "
                                 "bouton \"Supprimer un QSO\""));
    Recupere = newButton(central, QStringLiteral("Recupere"), QStringLiteral("Recuperer un QSO"));
    Ajout_QSO = newButton(central, QStringLiteral("Ajout_QSO"), QStringLiteral("Inserer un QSO"));
    Recherche = newButton(
        central, QStringLiteral("Recherche"), QStringLiteral("Rechercher un QSO"),
        QStringLiteral("Permet la recherche d'un QSO par Indicatif, Date ou Departement"));
    for (QPushButton *b : {Annule_Q, Edite_QSO, Efface_QSO, Recupere, Ajout_QSO, Recherche})
        b->setAutoDefault(false);
}

void Saisie_QSO::buildListAndStatus(QWidget *central) {
    const QFont fixed = fixedPitchFont();
    Liste_QSO = new QsoList(central);
    Liste_QSO->setObjectName(QStringLiteral("Liste_QSO"));
    Liste_QSO->setFont(fixed);
    Liste_QSO->setToolTip(QStringLiteral("Cliquez sur un QSO pour l'editer ou l'effacer"));
    listHeader = newLabel(central, QStringLiteral("Entete"));
    // The column header is the window's own lettering in bold; only the QSO lines need the
    // fixed pitch.
    QFont header = listHeader->font();
    header.setBold(true);
    listHeader->setFont(header);
    // The headings start where the list's text starts, inside its frame.
    listHeader->setContentsMargins(Liste_QSO->frameWidth() + listTextMargin, 0, 0, 0);
    modeStatus = newLabel(central, QStringLiteral("Status"));
    radioLine = new StatusLabel(QStringLiteral("Poste"), central);
    radioLine->setObjectName(QStringLiteral("Poste"));
    // A radio that stops answering is heard at once, wherever the keyboard is.
    radioLine->announceWhen(
        [](const QString &text) {
            return text == radio::stateLine({RigReading::State::Silent, 0, {}}, false);
        },
        StatusLabel::Return::Announced);
    radioLine->setVisible(false);
    operatorCount = newField(central, QStringLiteral("Tot_Ope"), fieldWidth::operatorCount);
    operatorCount->setReadOnly(true);
    operatorCount->setFocusPolicy(Qt::NoFocus);
    setBackground(operatorCount, colors::systemWindow());
}

void Saisie_QSO::buildHeadings(QWidget *central) {
    activatorLabel = newLabel(central, QStringLiteral("Label1"));
    loggerLabel = newLabel(central, QStringLiteral("Label4"));
    referenceLabel = newLabel(central, QStringLiteral("Label3"));
    secondReferenceLabel = newLabel(central, QStringLiteral("Label23"));
    clockDateLabel = newLabel(central, QStringLiteral("Label33"));
    utcClockLabel = newLabel(central, QStringLiteral("Label37"));
    localClockLabel = newLabel(central, QStringLiteral("Label34"));
    QFont big = utcClockLabel->font();
    big.setPointSize(big.pointSize() + clockFontGrowth);
    big.setBold(true);
    for (QLabel *l : {clockDateLabel, utcClockLabel, localClockLabel})
        l->setFont(big);

    auto *strip = new QWidget(central);
    strip->setObjectName(QStringLiteral("Dpt"));
    painter_ = std::make_unique<DepartmentPainter>(strip);
}

void Saisie_QSO::buildClock() {
    clockTimer = new QTimer(this);
    clockTimer->setObjectName(QStringLiteral("Timer1"));
    clockTimer->setInterval(1000);
    connect(clockTimer, &QTimer::timeout, this, &Saisie_QSO::showClock);
}

void Saisie_QSO::watchKeys() {
    keyFilter_ = new EntryKeyFilter(
        state_, [this] { return retypeOn(); }, [this] { return autoSeparators(); }, this);
    keyFilter_->watch(Indi_Q, EntryKeyFilter::Kind::CallSign);
    keyFilter_->watch(Dpt_Q, EntryKeyFilter::Kind::Text);
    keyFilter_->watch(Prenom_Q, EntryKeyFilter::Kind::Text);
    keyFilter_->watch(QRKR_Q, EntryKeyFilter::Kind::Report);
    keyFilter_->watch(QRKE_Q, EntryKeyFilter::Kind::Report);
    keyFilter_->watch(Observation_Q, EntryKeyFilter::Kind::Text);
    keyFilter_->watch(Date_Q, EntryKeyFilter::Kind::Date);
    keyFilter_->watch(Heure_Q, EntryKeyFilter::Kind::Time);
}

void Saisie_QSO::buildLayout() {
    QWidget *central = centralWidget();
    // Made from the top down, in the order of the window's children as they always were.
    QWidget *headings = headingsBox(central);
    QWidget *activity = activityBox(central);
    QLayout *entry = entryRow(central);
    QLayout *buttons = buttonRow();
    QLayout *lower = lowerPart(central);

    auto *main = new QVBoxLayout(central);
    main->addWidget(headings);
    main->addWidget(activity);
    main->addLayout(entry);
    main->addLayout(buttons);
    main->addLayout(lower, 1);

    // What the keyboard reaches is announced by its caption; Tab follows the fields in the
    // order Enter visits them, then the buttons and the list.
    for (QPushButton *b :
         {Valide_Q, Annule_Q, Edite_QSO, Efface_QSO, Recupere, Ajout_QSO, Recherche})
        access::name(b, b->text());
    access::name(Liste_QSO, listTitle);
    access::name(operatorCount, QStringLiteral("Opérateurs contactés"));
    access::tabChain({Bande_Q, Mode_Q, Indi_Q, Dpt_Q, Prenom_Q, QRKR_Q, QRKE_Q, Observation_Q,
                      Date_Q, Heure_Q, Valide_Q, Annule_Q, Edite_QSO, Efface_QSO, Recupere,
                      Ajout_QSO, Recherche, Liste_QSO});
    resize(openingSize.expandedTo(QSize(sizeHint().width(), 0)));
}

QWidget *Saisie_QSO::headingsBox(QWidget *central) {
    // The activator and the logger on the left, the date and the two clocks on the right.
    auto *box = new QGroupBox(central);
    auto *layout = new QGridLayout(box);
    layout->addWidget(activatorLabel, 0, 0);
    layout->addWidget(loggerLabel, 1, 0);
    auto *clocks = new QHBoxLayout;
    clocks->addWidget(clockDateLabel);
    clocks->addSpacing(clockGap);
    clocks->addWidget(utcClockLabel);
    clocks->addSpacing(clockGap);
    clocks->addWidget(localClockLabel);
    layout->addLayout(clocks, 0, 1, 2, 1, Qt::AlignRight);
    return box;
}

QWidget *Saisie_QSO::activityBox(QWidget *central) {
    // The references, then the rate line.
    auto *box = new QGroupBox(QStringLiteral("Activité"), central);
    auto *layout = new QVBoxLayout(box);
    layout->addWidget(referenceLabel);
    layout->addWidget(secondReferenceLabel);
    auto *rate = new QHBoxLayout;
    rate->addWidget(rate_->rate());
    rate->addSpacing(rateGap);
    rate->addWidget(rate_->onBand());
    rate->addStretch(1);
    layout->addLayout(rate);
    return box;
}

QLayout *Saisie_QSO::entryRow(QWidget *central) {
    // Each field under its caption, in the order the fields are visited.
    auto *row = new QGridLayout;
    int column = 0;
    auto add = [&](const QString &caption, QWidget *field, QLabel *label = nullptr) {
        if (!label)
            label = new QLabel(caption, central);
        access::name(field, label->text(), label);
        row->addWidget(label, 0, column);
        row->addWidget(field, 1, column);
        ++column;
    };
    add(QStringLiteral("Bande (Mhz)"), Bande_Q);
    add(QStringLiteral("Mode"), Mode_Q);
    add(QStringLiteral("N° QSO"), Num_Q);
    add(QStringLiteral("Indicatif"), Indi_Q);
    add(QStringLiteral("Dpt"), Dpt_Q);
    add(QStringLiteral("Prénom"), Prenom_Q);
    add(QStringLiteral("Rst R"), QRKR_Q);
    add(QStringLiteral("Rst E"), QRKE_Q);
    add(QStringLiteral("Observations"), Observation_Q);
    add(QString(), Date_Q, dateCaption);
    add(QString(), Heure_Q, timeCaption);
    row->setColumnStretch(column, 1);
    return row;
}

QLayout *Saisie_QSO::buttonRow() {
    // The buttons on the left; the radio and the mode being corrected or inserted on the right.
    auto *row = new QHBoxLayout;
    for (QPushButton *b :
         {Valide_Q, Annule_Q, Edite_QSO, Efface_QSO, Recupere, Ajout_QSO, Recherche})
        row->addWidget(b);
    row->addStretch(1);
    row->addWidget(radioLine);
    row->addSpacing(statusGap);
    row->addWidget(modeStatus);
    return row;
}

QLayout *Saisie_QSO::lowerPart(QWidget *central) {
    // The known calls, the QSO list under its headings, then the operator count and the
    // departments strip.
    auto *listFrame = new QGroupBox(listTitle, central);
    auto *listLayout = new QVBoxLayout(listFrame);
    listLayout->addWidget(listHeader);
    listLayout->addWidget(Liste_QSO, 1);

    auto *side = new QVBoxLayout;
    auto *count = new QHBoxLayout;
    count->addWidget(operatorCount);
    auto *countWords = new QVBoxLayout;
    countWords->addWidget(new QLabel(QStringLiteral("Opérateurs"), central));
    countWords->addWidget(new QLabel(QStringLiteral("contactés"), central));
    count->addLayout(countWords);
    side->addLayout(count);
    side->addWidget(central->findChild<QWidget *>(QStringLiteral("Dpt")));
    side->addStretch(1);

    auto *lower = new QHBoxLayout;
    lower->addWidget(Controle_Partiel);
    lower->addWidget(listFrame, 1);
    lower->addLayout(side);
    return lower;
}

QString Saisie_QSO::referenceText(bool second, const CurrentActivation &a) const {
    const QString type = second ? a.secondProgramme : a.programme;
    const QString name = second ? a.secondSiteName : a.siteName;
    const QString number = second ? a.secondReference : a.reference;
    const QString postcode = second ? a.secondPostcode : a.postcode;
    const QString commune = second ? a.secondTown : a.town;
    const QString canton = second ? a.secondCanton : a.canton;
    QString text = type + QLatin1Char(' ') + name + QLatin1Char(' ') + number +
                   QString(second ? 4 : 5, QLatin1Char(' ')) + postcode + QLatin1Char(' ') +
                   commune;
    if (!canton.isEmpty())
        text += QStringLiteral("  Canton ") + canton;
    return text;
}

void Saisie_QSO::Form_Load() {
    centreOnScreen(this);

    Mode_Q->addItems({QStringLiteral("SSB"), QStringLiteral("CW")});
    Bande_Q->addItems({QStringLiteral("1.8"), QStringLiteral("3.5"), QStringLiteral("7"),
                       QStringLiteral("10"), QStringLiteral("14"), QStringLiteral("18"),
                       QStringLiteral("21"), QStringLiteral("24"), QStringLiteral("28"),
                       QStringLiteral("50"), QStringLiteral("144")});

    // Old versions stored the mode's text: start again from SSB on 3.5 MHz.
    const QString storedMode = settings_.read(keys::modeActivite, QStringLiteral("0"));
    if (storedMode == QLatin1String("SSB") || storedMode == QLatin1String("CW")) {
        settings_.write(keys::modeActivite, QStringLiteral("0"));
        settings_.write(keys::bandeActivite, QStringLiteral("1"));
    }
    const int modeIndex = settings_.readIndex(keys::modeActivite, 0, Mode_Q->count());
    const int bandIndex = settings_.readIndex(keys::bandeActivite, 1, Bande_Q->count());
    setReports(modeIndex == 0 ? QStringLiteral("59") : QStringLiteral("599"));
    Mode_Q->setCurrentIndex(modeIndex);
    applyMode(modeIndex);
    Bande_Q->setCurrentIndex(bandIndex);

    retypeOnItem->setChecked(settings_.readBool(keys::modeRefrappe, false));
    retypeOffItem->setChecked(!retypeOnItem->isChecked());
    separatorsOnItem->setChecked(settings_.readBool(keys::dateAuto, false));
    separatorsOffItem->setChecked(!separatorsOnItem->isChecked());
    utcClockItem->setChecked(settings_.readBool(keys::heureUtc, true));
    localClockItem->setChecked(!utcClockItem->isChecked());
    deferredOffItem->setChecked(true);

    // Ready for a call sign: band, mode, number and call sign only.
    Num_Q->setEnabled(true);
    Num_Q->setText(QStringLiteral("1"));
    for (QWidget *w : std::initializer_list<QWidget *>{Dpt_Q, Prenom_Q, QRKR_Q, QRKE_Q,
                                                       Observation_Q, Date_Q, Heure_Q, Valide_Q})
        w->setEnabled(false);
    Recupere->setEnabled(false);
    showDateAndTime(false);
    FieldChain::expect(Indi_Q);
    state_.correcting = false;
    listHeader->setText(qsoListHeader);

    showActivationLabels();

    // The first-name memory is shared by every activation; a first run starts it empty.
    if (const IoResult made = FirstNameMemory(firstNamesPath()).ensureExists(); !made)
        dialogs_.message(made.message);

    refreshFromLog();

    state_.retypeCleared = false;
    state_.inserting = false;
    setWindowTitle(QStringLiteral("  ZEP_Rozadovev    Revision ") + revisionText);

    // The clocks show the time from the first moment, not one second later: a QSO validated
    // at once must not be stamped with an empty date.
    showClock();
    clockTimer->start();
    Indi_Q->setFocus();
}

void Saisie_QSO::showActivationLabels() {
    const CurrentActivation a = setup_.currentActivation();
    activatorLabel->setText(QStringLiteral("Riduzazur d'activité de ") + a.activator);
    loggerLabel->setText(QStringLiteral("Au Log ") + (a.logger.isEmpty() ? a.activator : a.logger));
    referenceLabel->setText(referenceText(false, a));
    secondReferenceLabel->setText(a.isDouble ? referenceText(true, a) : QString());
    secondReferenceLabel->setVisible(a.isDouble);
}

void Saisie_QSO::showCurrentActivation() {
    // The corrections taken back are this activation's: another one's logs are not touched.
    corrections_.clear();
    showActivationLabels();
    refreshFromLog();
    Indi_Q->setFocus();
}

QString Saisie_QSO::logPath() const {
    return activityLogPath(programDir_, setup_.currentActivation().reference);
}

QString Saisie_QSO::firstNamesPath() const {
    return dataFile(programDir_, QStringLiteral("Liste_Prenom.txt"));
}

void Saisie_QSO::closeEvent(QCloseEvent *event) {
    event->accept();
    emit quitRequested();
    if (quit_)
        quit_();
}

} // namespace zep
