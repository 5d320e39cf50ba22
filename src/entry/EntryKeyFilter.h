#pragma once

#include "entry/EntryState.h"

#include <QObject>

#include <functional>

class QKeyEvent;
class QLineEdit;

namespace zep {

/// The two typing aids of the entry fields, which act before a key takes its effect:
/// - retype: the first key pressed in a filled field empties it, so that the typed character
///   starts the new content (the reports always, the other fields while a logged QSO is being
///   corrected); `Champ_Efface` then lets further keys edit normally until the next accepted
///   Enter;
/// - automatic separators: "/" after the day and the month of a date, ":" after the hour.
class EntryKeyFilter : public QObject {
    Q_OBJECT
public:
    enum class Kind { CallSign, Text, Report, Date, Time };

    EntryKeyFilter(EntryState &state, std::function<bool()> retypeOn,
                   std::function<bool()> separatorsOn, QObject *parent = nullptr);

    void watch(QLineEdit *field, Kind kind);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void retype(QLineEdit *field, Kind kind, const QKeyEvent &key);
    void separate(QLineEdit *field, Kind kind);

    EntryState &state_;
    std::function<bool()> retypeOn_;
    std::function<bool()> separatorsOn_;
};

} // namespace zep
