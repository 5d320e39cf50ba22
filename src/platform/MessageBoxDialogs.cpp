#include "platform/MessageBoxDialogs.h"

#include <QMessageBox>
#include <QPushButton>

namespace zep {

QString programTitle() {
    return QStringLiteral("ZEP_Rozadovev");
}

void MessageBoxDialogs::message(const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, programTitle(), text, QMessageBox::Ok, parent_);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

bool MessageBoxDialogs::question(const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, programTitle(), text, QMessageBox::Yes | QMessageBox::No,
                    parent_);
    // French whether or not Qt's own translations are installed beside the program.
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Oui"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&Non"));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace zep
