#include "cluster/PotaFeed.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <QProcess>
#include <QThreadPool>

namespace zep {

namespace {

/// curl's exit codes the operator can act on, in French.
QString curlCause(int exitCode) {
    switch (exitCode) {
    case 6:
        return QStringLiteral("hôte inconnu");
    case 7:
        return QStringLiteral("connexion refusée");
    case 28:
        return QStringLiteral("pas de réponse");
    case 35:
    case 60:
        return QStringLiteral("connexion sécurisée impossible");
    case 63:
        return QStringLiteral("réponse trop longue");
    default:
        return QStringLiteral("erreur réseau (%1)").arg(exitCode);
    }
}

/// The marker curl writes after the body, then the HTTP status.
const QByteArray statusMark = QByteArrayLiteral("\n#zep-http-status:");

} // namespace

PotaFeed::PotaFeed(PotaTimings timings, QObject *parent) : QObject(parent), timings_(timings) {
    next_.setSingleShot(true);
    connect(&next_, &QTimer::timeout, this, &PotaFeed::read);
}

PotaFeed::~PotaFeed() {
    *alive_ = false;
}

void PotaFeed::start(const QString &base) {
    if (base == base_ && (next_.isActive() || reading_))
        return;
    base_ = base;
    failures_ = 0;
    next_.stop();
    if (!reading_)
        read();
}

void PotaFeed::stop() {
    base_.clear();
    next_.stop();
}

void PotaFeed::read() {
    if (base_.isEmpty() || reading_)
        return;
    reading_ = true;
    run({base_ + QStringLiteral("/spot/activator")}, {},
        [this](int status, const QByteArray &body, const QString &cause) {
            readDone(status, body, cause);
        });
}

void PotaFeed::readDone(int status, const QByteArray &body, const QString &cause) {
    if (status == 0) {
        reading_ = false;
        failed(cause);
        return;
    }
    if (status < 200 || status >= 300) {
        reading_ = false;
        failed(QStringLiteral("erreur %1").arg(status));
        return;
    }
    // A list of some hundred kilobytes takes milliseconds to read: on a pool thread.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QPointer<PotaFeed> self(this);
    std::shared_ptr<bool> alive = alive_;
    QThreadPool::globalInstance()->start([self, alive, body, now] {
        QString error;
        std::optional<QList<spots::Spot>> list = spots::parsePotaSpots(body, now, &error);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, alive, list = std::move(list), error] {
                if (!*alive || !self)
                    return;
                self->reading_ = false;
                if (!list) {
                    self->failed(error);
                    return;
                }
                self->failures_ = 0;
                emit self->statusChanged(
                    list->size() <= 1 ? QStringLiteral("POTA : %1 annonce").arg(list->size())
                                      : QStringLiteral("POTA : %1 annonces").arg(list->size()));
                emit self->spotsArrived(*list);
                if (self->running())
                    self->next_.start(self->timings_.period);
            },
            Qt::QueuedConnection);
    });
}

void PotaFeed::failed(const QString &cause) {
    ++failures_;
    const int factor = std::min(1 << std::min(failures_ - 1, 16), timings_.maxBackoff);
    const auto wait = timings_.period * factor;
    const qint64 seconds = std::chrono::duration_cast<std::chrono::seconds>(wait).count();
    const QString when = seconds >= 60 && seconds % 60 == 0
                             ? QStringLiteral("%1 min").arg(seconds / 60)
                             : QStringLiteral("%1 s").arg(std::max<qint64>(seconds, 1));
    emit statusChanged(QStringLiteral("POTA : %1, nouvel essai dans %2").arg(cause, when));
    if (running())
        next_.start(wait);
}

void PotaFeed::selfSpot(const QString &base, const spots::SelfSpot &spot) {
    run({QStringLiteral("--header"), QStringLiteral("Content-Type: application/json"),
         QStringLiteral("--data-binary"), QStringLiteral("@-"), base + QStringLiteral("/spot")},
        spots::selfSpotBody(spot),
        [this](int status, const QByteArray &body, const QString &cause) {
            emit selfSpotAnswered(status >= 200 && status < 300,
                                  spots::selfSpotAnswer(status, body, cause));
        });
}

void PotaFeed::run(const QStringList &arguments, const QByteArray &input,
                   std::function<void(int, const QByteArray &, const QString &)> done) {
    auto *process = new QProcess(this);
    auto body = std::make_shared<QByteArray>();
    auto finished = std::make_shared<bool>(false);
    const auto finish = [process, finished, done](int status, const QByteArray &b,
                                                  const QString &cause) {
        if (*finished)
            return;
        *finished = true;
        process->disconnect();
        process->kill();
        process->deleteLater();
        done(status, b, cause);
    };
    const qint64 seconds = std::max<qint64>(
        1, std::chrono::duration_cast<std::chrono::seconds>(timings_.requestLimit).count());
    QStringList args{QStringLiteral("--silent"),
                     QStringLiteral("--max-time"),
                     QString::number(seconds),
                     QStringLiteral("--max-filesize"),
                     QString::number(spots::potaMaxAnswer),
                     QStringLiteral("--proto"),
                     QStringLiteral("=http,https"),
                     QStringLiteral("--write-out"),
                     QString::fromLatin1(statusMark) + QStringLiteral("%{http_code}")};
    args += arguments;
    connect(process, &QProcess::readyReadStandardOutput, this, [process, body, finish] {
        *body += process->readAllStandardOutput();
        if (body->size() > spots::potaMaxAnswer + statusMark.size() + 8)
            finish(0, {}, QStringLiteral("réponse trop longue"));
    });
    connect(process, &QProcess::errorOccurred, this, [finish](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(0, {}, QStringLiteral("curl est absent"));
    });
    connect(
        process, &QProcess::finished, this,
        [process, body, finish](int code, QProcess::ExitStatus) {
            *body += process->readAllStandardOutput();
            const qsizetype mark = body->lastIndexOf(statusMark);
            const int status = mark < 0 ? 0 : body->mid(mark + statusMark.size()).trimmed().toInt();
            if (code != 0 || status == 0) {
                finish(0, {}, code != 0 ? curlCause(code) : QStringLiteral("réponse illisible"));
                return;
            }
            finish(status, body->left(mark), {});
        });
    process->start(timings_.curl, args);
    if (!input.isEmpty())
        process->write(input);
    process->closeWriteChannel();
}

} // namespace zep
