#pragma once

#include "core/io/Clock.h"
#include "platform/WindowServices.h"

#include <QStringList>
#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

namespace zep {

/// The log sorted by call sign: every QSO once, ordered by call sign, then by the rest of the
/// line and last by date and time, numbered in that order; built once when the window loads,
/// and saved as the " Alpha" listing file.
class Log_Alpha : public QWidget {
    Q_OBJECT
public:
    Log_Alpha(const WindowServices &services, ClockControl *clock, QWidget *parent = nullptr);

    /// Builds the heading, the title and the sorted list from the log of the first
    /// reference, centres the window and shows it.
    void Form_Load();

    bool Enregistrer_Click();

    QLabel *Label2; ///< column heading
    QLabel *Label3; ///< title
    QListWidget *Log_Alphanum;
    QPushButton *Enregistrer;

private:
    WindowServices services_;
    ClockControl *clock_;
};

} // namespace zep
