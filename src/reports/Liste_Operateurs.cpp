#include "reports/Liste_Operateurs.h"

#include "core/log/Activation.h"
#include "core/log/ActivityLog.h"
#include "platform/Colors.h"
#include "reports/ListingActions.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace zep {

Liste_Operateurs::Liste_Operateurs(const WindowServices &services, QWidget *parent)
    : QWidget(parent, Qt::Window), services_(services) {
    setObjectName(QStringLiteral("Liste_Operateurs"));
    setWindowTitle(QStringLiteral("Liste opérateurs"));

    Label1 = new QLabel(QStringLiteral("opérateurs"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("contactés"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    for (QLabel *label : {Label1, Label2}) {
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        label->setAlignment(Qt::AlignCenter);
    }
    Liste_Op = new QListWidget(this);
    Liste_Op->setObjectName(QStringLiteral("Liste_Op"));
    Liste_Op->setFont(listingWindowFont());
    Liste_Op->setUniformItemSizes(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(Liste_Op, 1);
    resize(260, 480);
}

QString Liste_Operateurs::countText(int operators) {
    return (operators < 0 ? QString() : QStringLiteral(" ")) + QString::number(operators) +
           QStringLiteral(" opérateurs");
}

void Liste_Operateurs::Form_Load() {
    const CurrentActivation activation = services_.activation.currentActivation();
    const ActivityLog::Lines log =
        ActivityLog(activityLogPath(services_.programDir, activation.reference)).read();
    if (!log.status)
        services_.dialogs.message(log.status.message);
    followLog(log.reading());
    showListingWindow(this);
}

void Liste_Operateurs::followLog(const LogReading &log) {
    OperatorListChanges changes;
    const int count = tally_.count(log, &changes);
    if (changes.whole) {
        Liste_Op->clear();
        Liste_Op->addItems(tally_.operators());
    }
    for (const OperatorListEdit &edit : changes.edits) {
        if (edit.inserted)
            Liste_Op->insertItem(edit.row, edit.name);
        else
            delete Liste_Op->takeItem(edit.row);
    }
    Label1->setText(countText(count));
}

} // namespace zep
