#include "reports/Recherche_Indicatif.h"

#include "core/log/QsoLine.h"
#include "platform/Colors.h"
#include "platform/EntryDoor.h"
#include "platform/FieldKeys.h"
#include "platform/QsoList.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QtMath>

#include <memory>

namespace zep {

namespace {

const QString msgCallTooLong = QStringLiteral("Attention 12 caracteres maxi pour l'indicatif");
const QString msgEnterCall = QStringLiteral("Entrez un indicatif");
const QString msgDateFormat = QStringLiteral("Attention le format date doit etre JJ/MM/AA");
const QString msgDateTooLong =
    QStringLiteral("Attention 8 caracteres maxi pour la date (format jj/mm/aa)");
const QString msgDepartmentTooLong =
    QStringLiteral("Attention 2 caracteres maxi pour le departement");
const QString msgEnterDepartment = QStringLiteral("Entrez un departement");
const QString msgEnterDate = QStringLiteral("Entrez une date");
const QString msgNothingFound = QStringLiteral("Pas de QSO trouvé");
const QString msgNoLongerListed = QStringLiteral("Ce QSO n'est plus dans la liste des QSO");

// A box holding only blanks counts as empty, and is emptied again when refused.
bool isBlank(const QLineEdit *box) {
    return box->text().trimmed().isEmpty();
}

// The column headings over the results, each at the column of its field in an item.
struct ColumnHeading {
    const char *text;
    int column; // 1-based column of the item
};
constexpr ColumnHeading headings[] = {
    {"N°", 2},      {"Date", 7},    {"QTR", 17},          {"Indicatif", 24}, {"Dpt", 38},
    {"Prenom", 42}, {"  Mode", 67}, {"RST R      E", 55}, {"Bande", 74},     {"Observations", 81},
};

} // namespace

Recherche_Indicatif::Recherche_Indicatif(QsoList *entryList, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window), entryList_(entryList), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Recherche_Indicatif"));
    setWindowTitle(QStringLiteral("Recherche QSO"));
    buildControls();

    connect(Option1_1, &QRadioButton::clicked, Indica, qOverload<>(&QWidget::setFocus));
    connect(Option1_2, &QRadioButton::clicked, Data, qOverload<>(&QWidget::setFocus));
    connect(Option1_3, &QRadioButton::clicked, Depa, qOverload<>(&QWidget::setFocus));
    connect(Command1, &QPushButton::clicked, this, &Recherche_Indicatif::Command1_Click);
    connect(QSO_Effectues, &QListWidget::itemClicked, this,
            &Recherche_Indicatif::QSO_Effectues_Click);

    FieldKeys::upperCase(Indica);
    FieldKeys::onKey(Indica,
                     [this](FieldKey key) { return key == FieldKey::Enter && Indica_Enter(); });
    FieldKeys::onKey(Data, [this](FieldKey key) { return key == FieldKey::Enter && Data_Enter(); });
    FieldKeys::onKey(Depa, [this](FieldKey key) { return key == FieldKey::Enter && Depa_Enter(); });
    for (QLineEdit *box : {Indica, Data, Depa})
        box->installEventFilter(this);
    QSO_Effectues->installEventFilter(this);
}

void Recherche_Indicatif::buildControls() {
    Frame1 = new QGroupBox(QStringLiteral("Rechercher un QSO par ..."), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Option1_1 = new QRadioButton(QStringLiteral("Indicatif"), Frame1);
    Option1_2 = new QRadioButton(QStringLiteral("Date"), Frame1);
    Option1_3 = new QRadioButton(QStringLiteral("Dpt"), Frame1);
    Indica = new QLineEdit(Frame1);
    Data = new QLineEdit(Frame1);
    Depa = new QLineEdit(Frame1);
    Option1_1->setObjectName(QStringLiteral("Option1_1"));
    Option1_2->setObjectName(QStringLiteral("Option1_2"));
    Option1_3->setObjectName(QStringLiteral("Option1_3"));
    Indica->setObjectName(QStringLiteral("Indica"));
    Data->setObjectName(QStringLiteral("Data"));
    Depa->setObjectName(QStringLiteral("Depa"));
    Option1_1->setChecked(true);

    auto *criteria = new QGridLayout(Frame1);
    criteria->addWidget(Option1_1, 0, 0);
    criteria->addWidget(Indica, 0, 1);
    criteria->addWidget(Option1_2, 1, 0);
    criteria->addWidget(Data, 1, 1);
    criteria->addWidget(Option1_3, 2, 0);
    criteria->addWidget(Depa, 2, 1);

    // The columns of the QSO lines only line up in a fixed-pitch font.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!QFontInfo(fixed).fixedPitch()) {
        fixed.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Monospace")});
        fixed.setStyleHint(QFont::TypeWriter);
        fixed.setFixedPitch(true);
    }
    QSO_Effectues = new QListWidget(this);
    QSO_Effectues->setObjectName(QStringLiteral("QSO_Effectues"));
    QSO_Effectues->setFont(fixed);
    QSO_Effectues->setToolTip(QStringLiteral("Cliquez sur le QSO pour le selectionner"));
    QSO_Effectues->setUniformItemSizes(true);

    // The headings share the list's fixed pitch so that each stands over its column.
    auto *headingStrip = new QWidget(this);
    // Measured as the list draws, on its own device: a rounded width per character would
    // drift by several pixels over a 110-column line.
    const QFontMetricsF metrics(QSO_Effectues->font(), QSO_Effectues);
    const qreal charWidth = metrics.horizontalAdvance(QString(100, QLatin1Char('M'))) / 100.0;
    // The list draws its text a few pixels inside its frame; a label adds none.
    const int offset = QSO_Effectues->frameWidth() + 5;
    for (const ColumnHeading &h : headings) {
        auto *label = new QLabel(QString::fromUtf8(h.text), headingStrip);
        label->setFont(fixed);
        label->move(offset + qRound((h.column - 1) * charWidth), 0);
        columnLabels.append(label);
    }
    headingStrip->setFixedHeight(qCeil(metrics.height()) + 4);
    headingStrip->setMinimumWidth(offset * 2 + qCeil(112 * charWidth));

    Command1 = new QPushButton(QStringLiteral("Quitter"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(headingStrip);
    layout->addWidget(QSO_Effectues, 1);
    layout->addLayout(buttons);
    resize(headingStrip->minimumWidth() + 40, 420);

    setTabOrder(Option1_1, Indica);
    setTabOrder(Indica, Option1_2);
    setTabOrder(Option1_2, Data);
    setTabOrder(Data, Option1_3);
    setTabOrder(Option1_3, Depa);
    setTabOrder(Depa, QSO_Effectues);
    setTabOrder(QSO_Effectues, Command1);
}

void Recherche_Indicatif::Form_Load() {
    Option1_1->setChecked(true);
    Indica->clear();
    Data->clear();
    Depa->clear();
    QSO_Effectues->clear();
    centreOnScreen(this);
    show();
    raise();
    activateWindow();
    Indica->setFocus();
}

int Recherche_Indicatif::selectedOption() const {
    if (Option1_2->isChecked())
        return 2;
    if (Option1_3->isChecked())
        return 3;
    return 1;
}

QLineEdit *Recherche_Indicatif::boxOfOption(int option) const {
    return option == 2 ? Data : option == 3 ? Depa : Indica;
}

bool Recherche_Indicatif::Indica_Enter() {
    if (Indica->text().size() >= 13) {
        dialogs_.message(msgCallTooLong);
        return true;
    }
    if (isBlank(Indica)) {
        dialogs_.message(msgEnterCall);
        Indica->clear();
        return true;
    }
    Recherche_QSO();
    return true;
}

bool Recherche_Indicatif::Data_Enter() {
    const QString date = Data->text();
    const bool slashAt3 = date.size() >= 3 && date.at(2) == QLatin1Char('/');
    const bool slashAt6 = date.size() >= 6 && date.at(5) == QLatin1Char('/');
    if (!slashAt3 && !slashAt6) {
        dialogs_.message(msgDateFormat);
        return true;
    }
    if (date.size() >= 9) {
        dialogs_.message(msgDateTooLong);
        return true;
    }
    Recherche_QSO();
    return true;
}

bool Recherche_Indicatif::Depa_Enter() {
    if (Depa->text().size() >= 3) {
        dialogs_.message(msgDepartmentTooLong);
        return true;
    }
    if (isBlank(Depa)) {
        dialogs_.message(msgEnterDepartment);
        Depa->clear();
        return true;
    }
    Recherche_QSO();
    return true;
}

bool Recherche_Indicatif::Recherche_QSO() {
    QSO_Effectues->clear();
    const int option = selectedOption();
    const QString wanted = option == 3 ? Depa->text() : boxOfOption(option)->text().toUpper();
    const int count = entryList_ ? entryList_->count() : 0;

    QStringList found;
    for (int row = 0; row < count; ++row) {
        // The emptiness of the box is only noticed against a QSO: an empty log simply finds
        // nothing, whatever the boxes hold.
        if (isBlank(boxOfOption(option))) {
            if (option == 1) {
                dialogs_.message(msgEnterCall);
                Indica->clear();
            } else {
                dialogs_.message(option == 2 ? msgEnterDate : msgEnterDepartment);
            }
            return false;
        }
        const QString item = entryList_->itemText(row);
        // The fields are taken from the QSO line's own columns: the number in front of it
        // takes one more character from QSO 10000 on.
        const QStringView line = qsoLineOfItem(item);
        const auto field = [line](int first, int width) { return line.mid(first - 1, width); };
        bool match = false;
        switch (option) {
        case 1:
            match = field(qsocol::call, qsocol::callWidth).trimmed().contains(wanted);
            break;
        case 2:
            match = field(qsocol::date, qsocol::dateWidth).trimmed() == wanted;
            break;
        default:
            // Departments are compared as stored, case included: "2A" is not "2a".
            match = field(qsocol::department, qsocol::departmentWidth) == wanted;
            break;
        }
        if (match)
            found.append(item);
    }
    QSO_Effectues->addItems(found);
    if (found.isEmpty())
        dialogs_.message(msgNothingFound);
    Indica->clear();
    Data->clear();
    Depa->clear();
    return true;
}

void Recherche_Indicatif::QSO_Effectues_Click(QListWidgetItem *item) {
    if (!item)
        return;
    const QString picked = item->text();
    // Every equal entry is made current in turn, so the last of them ends up chosen, exactly
    // as if the operator had clicked it in the entry window.
    bool chosen = false;
    if (entryList_) {
        for (int row = 0; row < entryList_->count(); ++row)
            if (entryList_->itemText(row) == picked) {
                entryList_->setCurrentRow(row);
                chosen = true;
            }
    }
    // The log changed since the search (a QSO validated, deleted or inserted renumbers the
    // list): the operator must not believe the QSO is chosen when another one is.
    if (!chosen)
        dialogs_.message(msgNoLongerListed);
    close();
}

void Recherche_Indicatif::Command1_Click() {
    close();
}

bool Recherche_Indicatif::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonPress) {
        // Clicking a box selects its criterion.
        if (watched == Indica)
            Option1_1->setChecked(true);
        else if (watched == Data)
            Option1_2->setChecked(true);
        else if (watched == Depa)
            Option1_3->setChecked(true);
    } else if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (watched == QSO_Effectues) {
            const bool pick = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                              key->key() == Qt::Key_Space;
            if (pick && QSO_Effectues->currentItem()) {
                QSO_Effectues_Click(QSO_Effectues->currentItem());
                return true;
            }
        } else if (key->key() == Qt::Key_Down && QSO_Effectues->count() > 0) {
            // From a box the arrow goes down into the results.
            focusResults();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool Recherche_Indicatif::focusNextPrevChild(bool next) {
    // Tab from any of the three boxes goes straight to the results, the way to pick one
    // without the mouse.
    QWidget *focus = focusWidget();
    if (next && (focus == Indica || focus == Data || focus == Depa) && QSO_Effectues->count() > 0) {
        focusResults();
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

void Recherche_Indicatif::focusResults() {
    if (!QSO_Effectues->currentItem())
        QSO_Effectues->setCurrentRow(0);
    QSO_Effectues->setFocus(Qt::TabFocusReason);
}

SearchWindowOpener::SearchWindowOpener(QsoList *entryList, Dialogs &dialogs)
    : entryList_(entryList), dialogs_(dialogs) {}

SearchWindowOpener::~SearchWindowOpener() {
    delete window_.data();
}

Recherche_Indicatif *SearchWindowOpener::open() {
    if (!window_) {
        window_ = new Recherche_Indicatif(entryList_, dialogs_);
        // Closing unloads the window; the next opening builds it afresh.
        window_->setAttribute(Qt::WA_DeleteOnClose);
    }
    window_->Form_Load();
    return window_;
}

void connectSearchWindow(EntryDoor &entry, Dialogs &dialogs) {
    auto opener = std::make_shared<SearchWindowOpener>(entry.qsoList(), dialogs);
    entry.setSearchHandler([opener] { opener->open(); });
}

} // namespace zep
