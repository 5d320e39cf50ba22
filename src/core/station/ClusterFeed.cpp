#include "core/station/ClusterFeed.h"

namespace zep::cluster {

namespace {

const QByteArray lineEnd = QByteArrayLiteral("\r\n");

bool hasWord(QByteArrayView text, const char *word) {
    return QByteArray(text.data(), text.size()).toLower().contains(word);
}
bool isLoginPrompt(QByteArrayView text) {
    return hasWord(text, "login:") || hasWord(text, "call:") || hasWord(text, "callsign:") ||
           hasWord(text, "please enter your call");
}
bool isPasswordPrompt(QByteArrayView text) {
    return hasWord(text, "password:");
}
/// The node's command prompt ("F4ABC de GB7XYZ 12-Jan-2026 1200Z dxspider >").
bool isPrompt(QByteArrayView text) {
    QByteArrayView t = text.trimmed();
    return !t.isEmpty() && t.back() == '>';
}

} // namespace

int reconnectDelaySeconds(int attempt) {
    int seconds = 2;
    for (int i = 1; i < attempt && seconds < 120; ++i)
        seconds *= 2;
    return std::min(seconds, 120);
}

QString reconnectText(int seconds) {
    return QStringLiteral("Cluster : reconnexion dans %1 s").arg(seconds);
}

FeedSession::FeedSession(const QString &login) : login_(loginText(login)) {}

FeedSession::Step FeedSession::received(QByteArrayView bytes) {
    Step step;
    const TelnetDecoder::Result decoded = telnet_.feed(bytes.toByteArray());
    step.send = decoded.reply;
    // Only the last bytes of the line begun matter for the prompts, which end it.
    qsizetype lastEnd = -1;
    for (qsizetype i = decoded.text.size() - 1; i >= 0; --i)
        if (decoded.text[i] == '\n' || decoded.text[i] == '\r') {
            lastEnd = i;
            break;
        }
    splitter_.feed(decoded.text, [this, &step](QByteArrayView text) { line(text, step); });
    if (step.failure)
        return step;
    const QByteArrayView tail = QByteArrayView(decoded.text).sliced(lastEnd + 1);
    begun_ = (begun_ + tail.last(std::min<qsizetype>(tail.size(), 64)).toByteArray()).right(64);
    lookAtLineBegun(step);
    return step;
}

void FeedSession::line(QByteArrayView text, Step &step) {
    if (step.failure)
        return;
    begun_.clear();
    if (phase_ == Phase::WaitingLogin) {
        if (isLoginPrompt(text)) {
            step.send += login_ + lineEnd;
            phase_ = Phase::LoggingIn;
        }
        return;
    }
    if (phase_ == Phase::LoggingIn) {
        if (isPasswordPrompt(text)) {
            step.failure = QStringLiteral("le cluster demande un mot de passe");
            return;
        }
        if (isPrompt(text))
            phase_ = Phase::Listening;
    }
    std::optional<spots::Spot> spot = spots::parseSpotLine(text);
    if (spot) {
        // A spot coming means the node takes us as logged in.
        phase_ = Phase::Listening;
        step.spots.append(std::move(*spot));
    }
    if (!announcing_)
        return;
    // The line as the window shows it: without the bells and other controls nodes send.
    QString shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && (b < 0x7F || b >= 0xA0))
            shown += QChar(b);
    }
    shown = shown.trimmed();
    if (shown.compare(QString::fromLatin1(dx_), Qt::CaseInsensitive) == 0)
        return; // our own line echoed
    if (isPrompt(text)) {
        if (!answer_.isEmpty())
            finishAnswer(step);
        return;
    }
    if (!shown.isEmpty()) {
        answer_.append(shown);
        answerLength_ += shown.size() + 1;
    }
    if (spot || answer_.size() >= maxAnswerLines || answerLength_ >= maxAnswerLength)
        finishAnswer(step);
}

void FeedSession::lookAtLineBegun(Step &step) {
    if (begun_.isEmpty())
        return;
    if (phase_ == Phase::WaitingLogin && isLoginPrompt(begun_)) {
        begun_.clear();
        splitter_.discardLine();
        step.send += login_ + lineEnd;
        phase_ = Phase::LoggingIn;
    } else if (phase_ == Phase::LoggingIn && isPasswordPrompt(begun_)) {
        step.failure = QStringLiteral("le cluster demande un mot de passe");
    } else if (phase_ == Phase::LoggingIn && isPrompt(begun_)) {
        phase_ = Phase::Listening;
        begun_.clear();
        splitter_.discardLine();
    } else if (announcing_ && isPrompt(begun_) && !answer_.isEmpty()) {
        finishAnswer(step);
    }
}

FeedSession::Step FeedSession::quiet() {
    Step step;
    if (phase_ == Phase::LoggingIn)
        phase_ = Phase::Listening;
    if (announcing_)
        finishAnswer(step);
    return step;
}

bool FeedSession::announce(const Spot &spot, QByteArray &send) {
    if (phase_ != Phase::Listening || announcing_)
        return false;
    dx_ = dxLine(spot);
    send = dx_ + lineEnd;
    announcing_ = true;
    answer_.clear();
    answerLength_ = 0;
    return true;
}

void FeedSession::finishAnswer(Step &step) {
    announcing_ = false;
    step.answer = answer_.isEmpty() ? Outcome{false, noAnswerText()}
                                    : Outcome{true, answer_.join(QLatin1Char('\n'))};
    answer_.clear();
    answerLength_ = 0;
}

} // namespace zep::cluster
