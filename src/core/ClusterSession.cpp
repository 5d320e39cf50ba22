#include "core/ClusterSession.h"

namespace zep::cluster {

namespace {

const QByteArray lineEnd = QByteArrayLiteral("\r\n");
const QByteArray goodbye = QByteArrayLiteral("BYE\r\n");

/// A received line as text: Latin-1, without its carriage return, bells or other controls.
QString cleanLine(const QByteArray &bytes) {
    QString line;
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x20 && b != 0x7F)
            line += QChar(b);
    }
    return line.trimmed();
}

bool contains(const QString &line, const char *words) {
    return line.contains(QLatin1String(words), Qt::CaseInsensitive);
}

bool isLoginPrompt(const QString &line) {
    return contains(line, "login:") || contains(line, "call:") || contains(line, "callsign:") ||
           contains(line, "please enter your call");
}

bool asksPassword(const QString &line) {
    return contains(line, "password:");
}

/// The node's command prompt ("F4ABC de GB7XYZ 12-Jan-2026 1200Z dxspider >").
bool isPrompt(const QString &line) {
    return line.endsWith(QLatin1Char('>'));
}

} // namespace

QString causeText(NetError error, const QString &systemText) {
    switch (error) {
    case NetError::Refused:
        return QStringLiteral("connexion refusée");
    case NetError::HostNotFound:
        return QStringLiteral("hôte inconnu");
    case NetError::Closed:
        return QStringLiteral("connexion coupée");
    case NetError::Unreachable:
        return QStringLiteral("réseau inaccessible");
    case NetError::Timeout:
        return noAnswerText();
    case NetError::Other:
        break;
    }
    return systemText.isEmpty() ? QStringLiteral("erreur réseau")
                                : QStringLiteral("erreur réseau : ") + systemText;
}

QString noAnswerText() {
    return QStringLiteral("pas de réponse du cluster");
}

Session::Session(const QString &login, const Spot &spot)
    : login_(login.trimmed().toUpper().toLatin1()), dx_(dxLine(spot)) {}

Step Session::connected() {
    if (phase_ == Phase::Connecting)
        phase_ = Phase::WaitingLogin;
    return {};
}

Step Session::received(const QByteArray &bytes) {
    if (finished())
        return {};
    const TelnetDecoder::Result decoded = telnet_.feed(bytes);
    partial_ += decoded.text;
    for (qsizetype end = partial_.indexOf('\n'); end >= 0; end = partial_.indexOf('\n')) {
        lines_.append(cleanLine(partial_.left(end)));
        partial_.remove(0, end + 1);
    }
    return afterLines({decoded.reply, std::nullopt});
}

Step Session::afterLines(Step step) {
    while (!lines_.isEmpty() && !finished()) {
        const QString line = lines_.takeFirst();
        if (line.isEmpty())
            continue;
        lastLine_ = line;
        switch (phase_) {
        case Phase::WaitingLogin:
            if (isLoginPrompt(line)) {
                step.send += login_ + lineEnd;
                phase_ = Phase::LoggingIn;
            }
            break;
        case Phase::LoggingIn:
            if (asksPassword(line))
                return finish({false, QStringLiteral("le cluster demande un mot de passe")},
                              step.send);
            if (isPrompt(line))
                step = sendSpot(step);
            break;
        case Phase::Announcing:
            // Our own line echoed, and the node's prompt before any answer, are no answer.
            if (line.compare(QString::fromLatin1(dx_), Qt::CaseInsensitive) == 0)
                break;
            if (isPrompt(line)) {
                if (!answer_.isEmpty())
                    return finish(answerSoFar(), step.send + goodbye);
                break;
            }
            answer_.append(line);
            // The spot coming back from the network is the confirmation.
            if (line.startsWith(QLatin1String("DX de "), Qt::CaseInsensitive))
                return finish(answerSoFar(), step.send + goodbye);
            break;
        case Phase::Connecting:
        case Phase::Done:
            break;
        }
    }
    if (finished() || partial_.isEmpty())
        return step;

    // A prompt waits for its answer on the same line: look at the line begun.
    const QString begun = cleanLine(partial_);
    if (phase_ == Phase::WaitingLogin && isLoginPrompt(begun)) {
        partial_.clear();
        lastLine_ = begun;
        step.send += login_ + lineEnd;
        phase_ = Phase::LoggingIn;
    } else if (phase_ == Phase::LoggingIn && asksPassword(begun)) {
        return finish({false, QStringLiteral("le cluster demande un mot de passe")}, step.send);
    } else if (phase_ == Phase::LoggingIn && isPrompt(begun)) {
        partial_.clear();
        step = sendSpot(step);
    } else if (phase_ == Phase::Announcing && isPrompt(begun)) {
        if (!answer_.isEmpty())
            return finish(answerSoFar(), step.send + goodbye);
        partial_.clear(); // the prompt again, before the answer: what follows is new
    }
    return step;
}

Step Session::sendSpot(Step step) {
    step.send += dx_ + lineEnd;
    phase_ = Phase::Announcing;
    return step;
}

Step Session::quiet() {
    // A node that says nothing more after the login (no prompt of the kind we know) is
    // waiting for a command.
    if (phase_ == Phase::LoggingIn)
        return sendSpot({});
    if (phase_ == Phase::Announcing && !answer_.isEmpty())
        return finish(answerSoFar(), goodbye);
    return {};
}

Step Session::timedOut() {
    if (finished())
        return {};
    if (phase_ == Phase::Announcing && !answer_.isEmpty())
        return finish(answerSoFar(), goodbye);
    return finish({false, noAnswerText()});
}

Step Session::failed(NetError error, const QString &systemText) {
    if (error == NetError::Closed)
        return closed();
    if (finished())
        return {};
    return finish({false, causeText(error, systemText)});
}

Step Session::closed() {
    if (finished())
        return {};
    // The node's last words may lack their line end.
    Step step = partial_.isEmpty() ? Step{} : received(QByteArrayLiteral("\n"));
    if (finished())
        return step;
    if (phase_ == Phase::Announcing && !answer_.isEmpty())
        return finish(answerSoFar());
    QString cause = causeText(NetError::Closed);
    if (!lastLine_.isEmpty())
        cause += QStringLiteral(" : ") + lastLine_;
    return finish({false, cause});
}

Step Session::finish(Outcome outcome, QByteArray send) {
    phase_ = Phase::Done;
    return {std::move(send), std::move(outcome)};
}

Outcome Session::answerSoFar() const {
    return {true, answer_.join(QLatin1Char('\n'))};
}

} // namespace zep::cluster
