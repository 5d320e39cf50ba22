#include "core/digital/SenderTally.h"

namespace zep::digital {

void SenderTally::listening(bool on, const QString &failure) {
    on_ = on;
    failure_ = failure;
}

void SenderTally::heard(const QString &id, const QDateTime &now) {
    sender_ = id;
    senderOn_ = true;
    last_ = now;
}

void SenderTally::qsoReceived(const QString &id, const QDateTime &now,
                              const QString &duplicateCall) {
    heard(id, now);
    ++qsos_;
    duplicate_ = duplicateCall;
}

void SenderTally::closed(const QString &id, const QDateTime &now) {
    sender_ = id;
    senderOn_ = false;
    last_ = now;
}

QString SenderTally::line(const QDateTime &now) const {
    if (!on_)
        return {};
    const QString head = QStringLiteral("Numérique : ");
    if (!failure_.isEmpty())
        return head + failure_;
    if (sender_.isEmpty())
        return head + QStringLiteral("en écoute");
    if (senderOn_ && last_.isValid() && last_.secsTo(now) >= silenceSeconds)
        return head + QStringLiteral("rien reçu depuis 10 min");
    QString text = head + sender_ + QStringLiteral(", %1 QSO %2")
                                        .arg(qsos_)
                                        .arg(qsos_ > 1 ? QStringLiteral("reçus")
                                                       : QStringLiteral("reçu"));
    if (!senderOn_)
        text += QStringLiteral(", fermé");
    if (!duplicate_.isEmpty())
        text += QStringLiteral(", %1 doublon").arg(duplicate_);
    return text;
}

} // namespace zep::digital
