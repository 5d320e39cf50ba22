#include "labels/Select_QSO.h"

#include "core/io/SortedList.h"
#include "core/log/Activation.h"
#include "core/log/ActivityLog.h"
#include "labels/Etiquettes.h"
#include "labels/SelectionEntry.h"
#include "platform/Colors.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zep {

namespace {

// The entries only line up column by column in a fixed-pitch font.
QFont fixedPitchFont() {
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!QFontInfo(fixed).fixedPitch()) {
        fixed.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Monospace")});
        fixed.setStyleHint(QFont::TypeWriter);
        fixed.setFixedPitch(true);
    }
    return fixed;
}

QListWidget *newEntryList(QWidget *parent, const QString &name) {
    auto *list = new QListWidget(parent);
    list->setObjectName(name);
    list->setFont(fixedPitchFont());
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    list->setMinimumHeight(160);
    return list;
}

// The row where `text` goes in a sorted list: after the entries that are equal to it, as the
// sorted list boxes place them.
int sortedRow(const QListWidget *list, const QString &text) {
    int low = 0;
    int high = list->count();
    while (low < high) {
        const int mid = (low + high) / 2;
        if (sortedListLess(text, list->item(mid)->text()))
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

} // namespace

Select_QSO::Select_QSO(const WindowServices &services, QWidget *parent)
    : QWidget(parent, Qt::Window), services_(services) {
    setObjectName(QStringLiteral("Select_QSO"));
    setWindowTitle(QStringLiteral("Selection QSO"));
    buildControls();

    connect(Liste_QSO, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { Liste_QSO_Click(Liste_QSO->row(item)); });
    connect(Liste_Imprime, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { Liste_Imprime_Click(Liste_Imprime->row(item)); });
    connect(Select_All, &QPushButton::clicked, this, &Select_QSO::Select_All_Click);
    connect(Impression, &QPushButton::clicked, this, [this] { Impression_Click(); });
    Liste_QSO->installEventFilter(this);
    Liste_Imprime->installEventFilter(this);
}

Select_QSO::~Select_QSO() = default;

void Select_QSO::buildControls() {
    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Label2 = new QLabel(QStringLiteral("Selection des QSO pour impression d'etiquettes"), Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    QFont titleFont = Label2->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    Label2->setFont(titleFont);
    Label2->setAlignment(Qt::AlignCenter);
    auto *titleLayout = new QVBoxLayout(Frame1);
    titleLayout->addWidget(Label2);

    Frame2 = new QGroupBox(this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Label3 = new QLabel(QStringLiteral("Cliquez sur un QSO pour le selectionner "), Frame2);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label4 = new QLabel(QStringLiteral("QSO selectionné(s) pour impression d'etiquettes . "
                                       "Cliquez sur un QSO pour le déselctionner."),
                        Frame2);
    Label4->setObjectName(QStringLiteral("Label4"));
    Liste_QSO = newEntryList(Frame2, QStringLiteral("Liste_QSO"));
    Liste_Imprime = newEntryList(Frame2, QStringLiteral("Liste_Imprime"));
    auto *listsLayout = new QVBoxLayout(Frame2);
    listsLayout->addWidget(Label3);
    listsLayout->addWidget(Liste_QSO, 1);
    listsLayout->addWidget(Label4);
    listsLayout->addWidget(Liste_Imprime, 1);

    Select_All = new QPushButton(QStringLiteral("Tout séléctionner"), this);
    Select_All->setObjectName(QStringLiteral("Select_All"));
    Impression = new QPushButton(QStringLiteral("Vers page Impression"), this);
    Impression->setObjectName(QStringLiteral("Impression"));
    for (QPushButton *button : {Select_All, Impression})
        button->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Select_All);
    buttons->addStretch();
    buttons->addWidget(Impression);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2, 1);
    layout->addLayout(buttons);

    // Wide enough for a whole entry (79 columns) without a scroll bar.
    const QFontMetrics metrics(Liste_QSO->font());
    resize(metrics.horizontalAdvance(QString(84, QLatin1Char('M'))) + 60, 600);
    setTabOrder(Liste_QSO, Liste_Imprime);
    setTabOrder(Liste_Imprime, Select_All);
    setTabOrder(Select_All, Impression);
}

void Select_QSO::Form_Load() {
    centreOnScreen(this);
    Liste_QSO->clear();
    Liste_Imprime->clear();
    const CurrentActivation activation = services_.activation.currentActivation();
    const ActivityLog::Lines log =
        ActivityLog(activityLogPath(services_.programDir, activation.reference)).read();
    if (!log.status)
        services_.dialogs.message(log.status.message);
    // Sorted once and added in one go: ten thousand insertions at their rank would cost far
    // more, and the order is the same.
    Liste_QSO->addItems(sortedSelectionEntries(log.lines));
    show();
    raise();
    activateWindow();
    Liste_QSO->setFocus();
}

void Select_QSO::moveEntry(QListWidget *from, int row, QListWidget *to) {
    if (row < 0 || row >= from->count())
        return;
    QListWidgetItem *item = from->takeItem(row);
    const QString text = item->text();
    delete item;
    to->insertItem(sortedRow(to, text), text);
    if (from->count() > 0) {
        from->setCurrentRow(std::min(row, int(from->count()) - 1));
    }
}

void Select_QSO::Liste_QSO_Click(int row) {
    moveEntry(Liste_QSO, row, Liste_Imprime);
}

void Select_QSO::Liste_Imprime_Click(int row) {
    moveEntry(Liste_Imprime, row, Liste_QSO);
}

void Select_QSO::Select_All_Click() {
    if (Liste_QSO->count() == 0)
        return;
    QStringList all = chosenEntries();
    for (int row = 0; row < Liste_QSO->count(); ++row)
        all.append(Liste_QSO->item(row)->text());
    // The chosen ones first, so that an entry equal to one already chosen comes after it, as
    // one insertion after the other would place it.
    std::stable_sort(all.begin(), all.end(),
                     [](const QString &a, const QString &b) { return sortedListLess(a, b); });
    Liste_QSO->clear();
    Liste_Imprime->clear();
    Liste_Imprime->addItems(all);
}

Etiquettes *Select_QSO::Impression_Click() {
    if (!designer_) {
        // The designer belongs to this window: it prints this window's choice, and goes when
        // the choice is forgotten.
        designer_ = new Etiquettes(
            services_, [this] { return chosenEntries(); }, this);
        designer_->setAttribute(Qt::WA_DeleteOnClose);
        designer_->Form_Load();
    }
    designer_->show();
    designer_->raise();
    designer_->activateWindow();
    return designer_;
}

QStringList Select_QSO::chosenEntries() const {
    QStringList entries;
    entries.reserve(Liste_Imprime->count());
    for (int row = 0; row < Liste_Imprime->count(); ++row)
        entries.append(Liste_Imprime->item(row)->text());
    return entries;
}

bool Select_QSO::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress && (watched == Liste_QSO || watched == Liste_Imprime)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool move = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                          key->key() == Qt::Key_Space;
        auto *list = static_cast<QListWidget *>(watched);
        if (move && list->currentRow() >= 0) {
            if (list == Liste_QSO)
                Liste_QSO_Click(list->currentRow());
            else
                Liste_Imprime_Click(list->currentRow());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

SelectionWindowOpener::SelectionWindowOpener(const WindowServices &services)
    : services_(services) {}

SelectionWindowOpener::~SelectionWindowOpener() {
    delete window_.data();
}

Select_QSO *SelectionWindowOpener::open() {
    if (window_ && window_->isVisible()) {
        window_->show();
        window_->raise();
        window_->activateWindow();
        return window_;
    }
    // A window closed a moment ago is on its way out: a new one is built.
    if (window_)
        window_->deleteLater();
    window_ = new Select_QSO(services_);
    // Closing unloads the window: the next opening reads the log again, nothing chosen.
    window_->setAttribute(Qt::WA_DeleteOnClose);
    window_->Form_Load();
    return window_;
}

} // namespace zep
