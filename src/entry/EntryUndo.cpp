#include "entry/EntryUndo.h"

#include "entry/Saisie_QSO.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zep {

EntryUndo::EntryUndo(Saisie_QSO &window, Dialogs &dialogs)
    : QObject(&window), window_(window), dialogs_(dialogs) {
    setObjectName(QStringLiteral("EntryUndo"));
    QAction *item = window_.undoCorrectionItem;
    connect(item, &QAction::triggered, this, &EntryUndo::Annuler_Correction_Click);
    window_.corrections().setOnChange(
        [item, &history = window_.corrections()] { item->setEnabled(history.canUndo()); });
    item->setEnabled(window_.corrections().canUndo());
    for (QLineEdit *field : window_.findChildren<QLineEdit *>())
        field->installEventFilter(this);
}

bool EntryUndo::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (QKeySequence(key->keyCombination()) != window_.undoCorrectionItem->shortcut())
        return QObject::eventFilter(watched, event);
    // The field is told the key is its own, then its press comes here instead of to the field.
    if (type == QEvent::ShortcutOverride)
        event->accept();
    else if (window_.undoCorrectionItem->isEnabled())
        window_.undoCorrectionItem->trigger();
    return true;
}

void EntryUndo::Annuler_Correction_Click() {
    CorrectionHistory &history = window_.corrections();
    // The QSO being corrected is found in the log by its line: the log must not change under it.
    if (window_.state().correcting) {
        dialogs_.message(QStringLiteral("Un QSO est en cours de correction : validez-le ou "
                                        "cliquez sur \"Annuler  une saisie\" avant d'annuler la "
                                        "dernière correction."));
        return;
    }
    // Corrections of another activation's logs are not this one's to take back.
    if (history.lastLogs().value(0) != window_.logPath())
        history.clear();
    const std::optional<CorrectionKind> kind = history.lastKind();
    const CorrectionHistory::Result result = history.undoLast();
    window_.refreshFromLog();
    if (!result.undone) {
        dialogs_.message(result.message);
        return;
    }
    // A deleted QSO that came back cannot be restored a second time; one deleted again by
    // taking its restore back can.
    if (kind == CorrectionKind::Deletion)
        window_.Recupere->setEnabled(false);
    else if (kind == CorrectionKind::Restore)
        window_.Recupere->setEnabled(!window_.state().deletedLine.isEmpty());
    window_.modeStatus->setText(result.message);
    for (const QString &warning : result.warnings)
        dialogs_.message(warning);
}

} // namespace zep
