#pragma once

#include <QDateTime>
#include <QString>

namespace zep::digital {

/// What the "Numérique" status line says: the sender as it names itself and the QSOs it sent,
/// or its silence. A sender that said nothing for `silence` while it was on (not closed) is
/// said to be silent; one that closed is not waited for.
class SenderTally {
public:
    static constexpr qint64 silenceSeconds = 10 * 60;

    void listening(bool on, const QString &failure = {});
    void heard(const QString &id, const QDateTime &now);
    void qsoReceived(const QString &id, const QDateTime &now, const QString &duplicateCall = {});
    void closed(const QString &id, const QDateTime &now);

    /// The line for the time `now`; empty while not listening.
    QString line(const QDateTime &now) const;
    int qsos() const { return qsos_; }

private:
    bool on_ = false;
    QString failure_;
    QString sender_;
    bool senderOn_ = false;
    QDateTime last_;
    int qsos_ = 0;
    QString duplicate_;
};

} // namespace zep::digital
