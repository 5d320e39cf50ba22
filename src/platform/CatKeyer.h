#pragma once

#include "platform/Keyers.h"

#include <QSet>
#include <QTimer>

namespace zep {

class HelperRig;

/// The radio's own keyer through the CAT link ("Manipulateur Sortie" 1): the text and the
/// speed go to the followed radio through the helper program, Escape stops the radio's
/// keyer. The radio does not tell when it has keyed a message: its end is reckoned from the
/// message's length at its speed, from the moment the radio took it.
class CatKeyer : public CwKeyer {
    Q_OBJECT
public:
    explicit CatKeyer(HelperRig &rig, QObject *parent = nullptr);

    void send(const QString &morse, int wpm) override;
    void setSpeed(int wpm) override;
    void abort() override;

private:
    void done(quint64 id);
    void refused(quint64 id, const QString &cause);

    HelperRig &rig_;
    QSet<quint64> mine_; ///< the requests of this keyer not answered yet
    quint64 morseId_ = 0;
    qint64 morseMs_ = 0;
    QTimer end_;
};

/// The keyers of the program: the radio's own (through `rig`) for the CAT link, the device
/// keyers (cwdaemon, WinKeyer) for the others.
CwKeyerFactory programKeyers(HelperRig &rig);

} // namespace zep
