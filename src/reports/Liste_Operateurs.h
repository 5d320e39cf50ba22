#pragma once

#include "core/log/OperatorTally.h"
#include "platform/WindowServices.h"

#include <QWidget>

class QLabel;
class QListWidget;

namespace zep {

/// The operators contacted: each distinct call sign of the log once, in call-sign order, and
/// their number. Built when the window loads, then kept up to date with the log while it is
/// open: each change of the log changes the rows of the operators that came or went.
class Liste_Operateurs : public QWidget {
    Q_OBJECT
public:
    explicit Liste_Operateurs(const WindowServices &services, QWidget *parent = nullptr);

    /// Counts the operators of the first reference's log, fills the list and the count label,
    /// centres the window and shows it.
    void Form_Load();

    /// Takes a new reading of the log (see EntryEvents::logRefreshed): the list and the count
    /// follow its changes since the last reading, or are made anew from another log.
    void followLog(const zep::LogReading &log);

    /// The count: its sign blank, the number, " opérateurs".
    static QString countText(int operators);

    QLabel *Label1; ///< count
    QLabel *Label2; ///< "contactés"
    QListWidget *Liste_Op;

private:
    WindowServices services_;
    OperatorTally tally_;
};

} // namespace zep
