#include "entry/EntryKeyer.h"

#include "entry/QsoList.h"
#include "entry/Saisie_QSO.h"
#include "setup/Messages_Manipulateur.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>

namespace zep {

namespace {

enum class Mode { Cw, Phone, Other };

Mode modeOf(const QString &box) {
    const QString mode = box.trimmed().toUpper();
    if (mode == QLatin1String("CW"))
        return Mode::Cw;
    if (mode == QLatin1String("SSB") || mode == QLatin1String("FM") || mode == QLatin1String("AM"))
        return Mode::Phone;
    return Mode::Other;
}

int messageKey(int key) {
    return key >= Qt::Key_F1 && key <= Qt::Key_F7 ? key - Qt::Key_F1 + 1 : 0;
}

} // namespace

EntryKeyer::EntryKeyer(Saisie_QSO &window, const ActivationSource &activation,
                       SettingsStore &settings, CwKeyerFactory makeCw, VoiceKeyer *voice)
    : QObject(&window), window_(window), activation_(activation), settings_(settings),
      makeCw_(std::move(makeCw)), voice_(voice), repeat_(new QTimer(this)) {
    setObjectName(QStringLiteral("EntryKeyer"));
    Emission = new QLabel(&window);
    Emission->setObjectName(QStringLiteral("Emission"));
    Emission->setVisible(false);
    window.statusBar()->addPermanentWidget(Emission, 1);
    window.statusBar()->setVisible(true); // also when added to a window already shown

    repeat_->setSingleShot(true);
    connect(repeat_, &QTimer::timeout, this, [this] { sendMessage(1); });
    // A character typed in the call-sign field is an answer: the CQ is not called again.
    connect(window.Indi_Q, &QLineEdit::textEdited, repeat_, &QTimer::stop);

    if (voice_) {
        connect(voice_, &VoiceKeyer::finished, this, &EntryKeyer::ended);
        connect(voice_, &VoiceKeyer::failed, this, &EntryKeyer::failed);
    }
    window.installEventFilter(this);
    for (QWidget *child : window.findChildren<QWidget *>())
        child->installEventFilter(this);
}

EntryKeyer::~EntryKeyer() {
    // The transmitter is never left keyed by a window that goes.
    if (channel_ == Channel::Cw && cw_)
        cw_->abort();
    else if (channel_ == Channel::Voice && voice_)
        voice_->stop();
}

bool EntryKeyer::repeatPending() const {
    return repeat_->isActive();
}

bool EntryKeyer::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    // Only the entry window's own controls: the windows opened from it keep their keys.
    auto *widget = qobject_cast<QWidget *>(watched);
    if ((key->modifiers() & ~Qt::KeypadModifier) || !widget || widget->window() != &window_)
        return QObject::eventFilter(watched, event);
    const int k = key->key();
    // PgUp and PgDn keep their scrolling in the QSO list.
    const bool inList = watched == window_.Liste_QSO || watched == window_.Liste_QSO->viewport();
    const bool speedKey = (k == Qt::Key_PageUp || k == Qt::Key_PageDown) && !inList;
    const bool escape = k == Qt::Key_Escape && (sending_ || repeat_->isActive());
    if (!messageKey(k) && !speedKey && !escape)
        return QObject::eventFilter(watched, event);
    if (type == QEvent::ShortcutOverride) {
        event->accept(); // the key is the window's, not a field's
        return true;
    }
    if (const int message = messageKey(k)) {
        // A key held down sends its message once, not again at each repeat.
        if (!key->isAutoRepeat())
            sendMessage(message);
    } else if (speedKey)
        changeSpeed(k == Qt::Key_PageUp ? 2 : -2);
    else
        stop();
    return true;
}

keyer::FieldValues EntryKeyer::fieldValues() const {
    const CurrentActivation a = activation_.currentActivation();
    keyer::FieldValues v;
    v.ownCall = a.activator.trimmed();
    v.reference = a.reference.trimmed();
    v.reference2 = a.isDouble ? a.secondReference.trimmed() : QString();
    v.call = window_.Indi_Q->text().trimmed();
    v.rst = window_.QRKE_Q->text().trimmed();
    v.firstName = window_.Prenom_Q->text().trimmed();
    return v;
}

CwKeyer *EntryKeyer::cwKeyer(const KeyerLink &link) {
    if (cw_ && cwLink_.sameDevice(link))
        return cw_.get();
    cw_.reset();
    cwLink_ = link;
    if (makeCw_)
        cw_ = makeCw_(link);
    if (cw_) {
        connect(cw_.get(), &CwKeyer::finished, this, [this] {
            if (channel_ == Channel::Cw)
                ended();
        });
        connect(cw_.get(), &CwKeyer::failed, this, [this](const QString &cause) {
            if (channel_ == Channel::Cw || channel_ == Channel::None)
                failed(cause);
        });
    }
    return cw_.get();
}

void EntryKeyer::sendMessage(int key) {
    if (key < 1 || key > keyer::messageCount)
        return;
    // Another key, or the CQ called again: whatever was being sent stops first.
    repeat_->stop();
    if (sending_)
        stop();
    const KeyerSettings s = KeyerSettings::load(settings_);
    switch (modeOf(window_.Mode_Q->currentText())) {
    case Mode::Cw: {
        const QString text = keyer::fill(s.messages.at(key - 1), fieldValues());
        if (text.isEmpty()) {
            say(QStringLiteral("F%1 : le message est vide.").arg(key));
            return;
        }
        CwKeyer *keyer = cwKeyer(s.link);
        if (!keyer) {
            say(s.link.output == KeyerLink::Output::Cat
                    ? QStringLiteral("Manipulateur : la manipulation par le poste (CAT) n'est "
                                     "pas disponible dans cette version.")
                    : QStringLiteral("Aucun manipulateur : choisissez-le dans Setup > Messages "
                                     "et manipulateur…"));
            return;
        }
        channel_ = Channel::Cw;
        sending_ = key;
        keyer->send(text, s.wpm);
        showSending(QStringLiteral("Émission : F%1 %2").arg(key).arg(text));
        return;
    }
    case Mode::Phone:
        if (!voice_) {
            say(QStringLiteral("Messages vocaux : la lecture n'est pas disponible dans cette "
                               "version."));
            return;
        }
        channel_ = Channel::Voice;
        sending_ = key;
        voice_->play(key);
        showSending(QStringLiteral("Émission : F%1 message vocal").arg(key));
        return;
    case Mode::Other:
        say(QStringLiteral("Pas de message en %1 : F1 à F7 servent en CW, SSB, FM et AM.")
                .arg(window_.Mode_Q->currentText().trimmed()));
        return;
    }
}

bool EntryKeyer::stop() {
    const bool active = sending_ || repeat_->isActive();
    repeat_->stop();
    if (channel_ == Channel::Cw && cw_)
        cw_->abort();
    else if (channel_ == Channel::Voice && voice_)
        voice_->stop();
    channel_ = Channel::None;
    sending_ = 0;
    showSending(QString());
    return active;
}

void EntryKeyer::changeSpeed(int delta) {
    const KeyerSettings s = KeyerSettings::load(settings_);
    const int wpm = qBound(KeyerSettings::minWpm, s.wpm + delta, KeyerSettings::maxWpm);
    if (wpm != s.wpm)
        settings_.writeInt(keys::manipulateurVitesse, wpm);
    if (cw_ && cwLink_.sameDevice(s.link))
        cw_->setSpeed(wpm);
    say(QStringLiteral("Vitesse CW : %1 mots par minute").arg(wpm));
}

void EntryKeyer::ended() {
    if (!sending_)
        return;
    const int key = sending_;
    channel_ = Channel::None;
    sending_ = 0;
    showSending(QString());
    const int seconds = KeyerSettings::load(settings_).cqRepeatSeconds;
    if (key == 1 && seconds > 0 && window_.Indi_Q->text().isEmpty())
        repeat_->start(seconds * 1000);
}

void EntryKeyer::failed(const QString &cause) {
    repeat_->stop();
    channel_ = Channel::None;
    sending_ = 0;
    showSending(QString());
    say(cause);
}

void EntryKeyer::showSending(const QString &text) {
    Emission->setText(text);
    Emission->setAccessibleName(text);
    Emission->setVisible(!text.isEmpty());
    if (!text.isEmpty())
        window_.statusBar()->clearMessage();
}

void EntryKeyer::say(const QString &line) {
    window_.statusBar()->showMessage(line);
}

EntryKeyer *connectKeyer(Saisie_QSO &entry, const WindowServices &services, CwKeyerFactory makeCw,
                         VoiceKeyer *voice, VoiceRecorder *recorder) {
    auto *item = new QAction(QStringLiteral("Messages et manipulateur…"), entry.Mnu_Setup);
    item->setObjectName(QStringLiteral("Mnu_Messages"));
    entry.Mnu_Setup->insertAction(entry.Mnu_Cluster, item);
    auto window = std::make_shared<QPointer<Messages_Manipulateur>>();
    QObject::connect(item, &QAction::triggered, &entry, [window, services, &entry, recorder] {
        if (!*window) {
            *window =
                new Messages_Manipulateur(services.settings, services.dialogs, &entry, recorder);
            (*window)->setAttribute(Qt::WA_DeleteOnClose);
        }
        (*window)->Form_Load();
    });
    return new EntryKeyer(entry, services.activation, services.settings, std::move(makeCw), voice);
}

} // namespace zep
