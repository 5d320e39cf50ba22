#pragma once

#include "entry/WindowServices.h"

#include <QWidget>

class QLabel;
class QListWidget;

namespace zep {

/// The operators contacted: each distinct call sign of the log once, in call-sign order, and
/// their number; built once when the window loads.
class Liste_Operateurs : public QWidget {
    Q_OBJECT
public:
    explicit Liste_Operateurs(const WindowServices &services, QWidget *parent = nullptr);

    /// Counts the operators of the first reference's log, fills the list and the count label,
    /// centres the window and shows it.
    void Form_Load();

    /// The count: its sign blank, the number, " opérateurs".
    static QString countText(int operators);

    QLabel *Label1; ///< count
    QLabel *Label2; ///< "contactés"
    QListWidget *Liste_Op;

private:
    WindowServices services_;
};

} // namespace zep
