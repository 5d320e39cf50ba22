#include "core/station/ClusterSession.h"

namespace zep::cluster {

namespace {

const QByteArray lineEnd = QByteArrayLiteral("\r\n");
const QByteArray goodbye = QByteArrayLiteral("BYE\r\n");

/// The words of the login prompts ("login:", "Please enter your call:"), and of the
/// password's, found in a line as it comes in: each new piece is searched with the end of the
/// one before, where a word may have been cut.
const QLatin1StringView loginWords[] = {QLatin1StringView("login:"), QLatin1StringView("call:"),
                                        QLatin1StringView("callsign:"),
                                        QLatin1StringView("please enter your call")};
const QLatin1StringView passwordWord("password:");
constexpr qsizetype longestWord = 22;

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
    : login_(loginText(login)), dx_(dxLine(spot)), dxText_(QString::fromLatin1(dx_)) {}

Step Session::connected() {
    if (phase_ == Phase::Connecting)
        phase_ = Phase::WaitingLogin;
    return {};
}

Step Session::received(const QByteArray &bytes) {
    if (finished())
        return {};
    const TelnetDecoder::Result decoded = telnet_.feed(bytes);
    Step step{decoded.reply, std::nullopt};
    for (const char ch : decoded.text) {
        if (ch == '\n') {
            step = lineEnded(std::move(step));
            if (finished())
                return step;
            continue;
        }
        // The line as text: Latin-1 without its carriage return, bells or other controls,
        // and nothing past its length but whether it ends as a prompt.
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x20 || (b >= 0x7F && b < 0xA0))
            continue;
        if (b != ' ' && b != 0xA0)
            lastVisible_ = QChar(b);
        if (line_.size() < maxLineLength)
            line_ += QChar(b);
    }
    return lineBegun(std::move(step));
}

void Session::startLine() {
    line_.resize(0); // keeps its room
    searched_ = 0;
    loginWord_ = passwordWord_ = false;
    lastVisible_ = QChar();
}

qsizetype Session::keptLength() const {
    return line_.size() + lastLine_.size() + answerLength_;
}

Step Session::lineEnded(Step step) {
    searchWords();
    const bool loginPrompt = loginWord_, password = passwordWord_;
    // The node's command prompt ("F4ABC de GB7XYZ 12-Jan-2026 1200Z dxspider >").
    const bool prompt = lastVisible_ == QLatin1Char('>');
    if (QStringView(line_).trimmed().isEmpty()) {
        startLine();
        return step;
    }
    // The line becomes the node's last words, and the room they held takes the next line: a
    // flood of lines costs no memory allocation per line.
    lastLine_.swap(line_);
    startLine();
    const QStringView line = QStringView(lastLine_).trimmed();
    switch (phase_) {
    case Phase::WaitingLogin:
        if (loginPrompt) {
            step.send += login_ + lineEnd;
            phase_ = Phase::LoggingIn;
        }
        break;
    case Phase::LoggingIn:
        if (password)
            return finish({false, QStringLiteral("le cluster demande un mot de passe")}, step.send);
        if (prompt)
            step = sendSpot(step);
        break;
    case Phase::Announcing: {
        // Our own line echoed, and the node's prompt before any answer, are no answer.
        if (line.compare(dxText_, Qt::CaseInsensitive) == 0)
            break;
        if (prompt) {
            if (!answer_.isEmpty())
                return finish(answerSoFar(), step.send + goodbye);
            break;
        }
        // A node that keeps talking has said enough: the answer ends on what it holds.
        const qsizetype length = answerLength_ + (answer_.isEmpty() ? 0 : 1) + line.size();
        if (length > maxAnswerLength || answer_.size() >= maxAnswerLines)
            return finish(answerSoFar(), step.send + goodbye);
        answer_.append(line.toString());
        answerLength_ = length;
        // The spot coming back from the network is the confirmation.
        if (line.startsWith(QLatin1String("DX de "), Qt::CaseInsensitive))
            return finish(answerSoFar(), step.send + goodbye);
        break;
    }
    case Phase::Connecting:
    case Phase::Done:
        break;
    }
    return step;
}

Step Session::lineBegun(Step step) {
    if (finished() || lastVisible_.isNull())
        return step;
    // A prompt waits for its answer on the same line: look at the line begun.
    searchWords();
    const bool prompt = lastVisible_ == QLatin1Char('>');
    if (phase_ == Phase::WaitingLogin && loginWord_) {
        lastLine_.swap(line_);
        startLine();
        step.send += login_ + lineEnd;
        phase_ = Phase::LoggingIn;
    } else if (phase_ == Phase::LoggingIn && passwordWord_) {
        return finish({false, QStringLiteral("le cluster demande un mot de passe")}, step.send);
    } else if (phase_ == Phase::LoggingIn && prompt) {
        startLine();
        step = sendSpot(step);
    } else if (phase_ == Phase::Announcing && prompt) {
        if (!answer_.isEmpty())
            return finish(answerSoFar(), step.send + goodbye);
        startLine(); // the prompt again, before the answer: what follows is new
    }
    return step;
}

void Session::searchWords() {
    if (searched_ >= line_.size())
        return;
    const QStringView fresh = QStringView(line_).mid(qMax<qsizetype>(0, searched_ - longestWord));
    // Only the words that count in this phase are looked for: the phase changes at a line's
    // end, with a line begun afresh, or for the announcing, which looks for none.
    if (phase_ == Phase::WaitingLogin) {
        for (const QLatin1StringView word : loginWords)
            loginWord_ = loginWord_ || fresh.contains(word, Qt::CaseInsensitive);
    } else if (phase_ == Phase::LoggingIn) {
        passwordWord_ = passwordWord_ || fresh.contains(passwordWord, Qt::CaseInsensitive);
    }
    searched_ = line_.size();
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
    Step step = lastVisible_.isNull() ? Step{} : lineEnded({});
    if (finished())
        return step;
    if (phase_ == Phase::Announcing && !answer_.isEmpty())
        return finish(answerSoFar());
    QString cause = causeText(NetError::Closed);
    const QStringView lastWords = QStringView(lastLine_).trimmed();
    if (!lastWords.isEmpty()) {
        cause += QStringLiteral(" : ");
        cause += lastWords;
    }
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
