#include "platform/FileChooser.h"

#include <QFileDialog>

namespace zep {

std::optional<QString> QtFileChooser::saveFileName(QWidget *parent, const QString &caption,
                                                   const QString &proposedPath,
                                                   const QString &filter,
                                                   const QString &defaultSuffix) {
    QFileDialog dialog(parent, caption, proposedPath, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

std::optional<QString> QtFileChooser::openFileName(QWidget *parent, const QString &caption,
                                                   const QString &directory,
                                                   const QString &filter) {
    QFileDialog dialog(parent, caption, directory, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

std::optional<QString> QtFileChooser::directoryName(QWidget *parent, const QString &caption,
                                                    const QString &directory) {
    QFileDialog dialog(parent, caption, directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

} // namespace zep
