#include "summary/SummaryMenus.h"

#include "core/awards/ValidityCount.h"
#include "core/log/Activation.h"
#include "platform/EntryDoor.h"
#include "platform/ListBox.h"
#include "platform/StatusLabel.h"
#include "setup/Setup.h"
#include "summary/Bilan_Activation.h"

#include <QAction>
#include <QMenu>
#include <QPalette>
#include <QSet>
#include <QStatusBar>
#include <QThread>

#include <algorithm>
#include <memory>

namespace zep {

namespace {

/// The references of the current activation, with the rules they are counted by now (the
/// operator may have changed a minimum in the settings since the last QSO).
QList<ReferenceValidity> currentReferences(const WindowServices &services) {
    const CurrentActivation a = services.activation.currentActivation();
    const ActivationRules &rules = ActivationRules::builtIn();
    QList<ReferenceValidity> out;
    for (const QString &reference : {a.reference, a.isDouble ? a.secondReference : QString()})
        if (!reference.trimmed().isEmpty())
            out.append({reference.trimmed(), rules.ruleFor(reference, &services.settings), 0});
    return out;
}

bool sameCounting(const QList<ReferenceValidity> &a, const QList<ReferenceValidity> &b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].reference != b[i].reference ||
            a[i].rule.perBandAndMode != b[i].rule.perBandAndMode ||
            a[i].rule.perDay != b[i].rule.perDay)
            return false;
    return true;
}

/// The colour of a line where some reference reached its minimum.
const QColor reachedColour(0x00, 0x64, 0x00);

/// The longest line the references may show: the line keeps its size, so that the window is
/// not laid out again at each QSO.
QString widestText(const QList<ReferenceValidity> &references) {
    QList<ReferenceValidity> widest = references;
    for (ReferenceValidity &r : widest) {
        r.count = 99999;
        if (r.rule.minimum)
            r.rule.minimum = 99999;
    }
    return validityText(widest);
}

/// A log this large met anew (the opening, another activation) is counted on a worker.
constexpr qsizetype countedOnWorkerFrom = 20000;

struct ValidityLine {
    ValidityFollower follower;
    QList<ReferenceValidity> references;
    QSet<QString> reached;     ///< references whose reaching was announced
    bool newlyReached = false; ///< the text being shown announces a minimum reached
    bool counting = false;     ///< a worker is counting the whole log
    LogReading latest;         ///< the reading that came while it counted
};

void show(StatusLabel *line, ValidityLine &state) {
    QList<ReferenceValidity> figures = state.follower.figures();
    state.newlyReached = false;
    for (qsizetype i = 0; i < figures.size() && i < state.references.size(); ++i) {
        figures[i].rule.minimum = state.references[i].rule.minimum;
        if (figures[i].reached() && !state.reached.contains(figures[i].reference)) {
            state.reached.insert(figures[i].reference);
            state.newlyReached = true;
        } else if (!figures[i].reached()) {
            state.reached.remove(figures[i].reference); // a QSO deleted: heard again later
        }
    }
    line->setVisible(!figures.isEmpty());
    const bool anyReached = std::any_of(figures.begin(), figures.end(),
                                        [](const ReferenceValidity &f) { return f.reached(); });
    QPalette palette = line->palette();
    const QColor colour =
        anyReached ? reachedColour : line->parentWidget()->palette().color(QPalette::WindowText);
    if (palette.color(QPalette::WindowText) != colour) {
        palette.setColor(QPalette::WindowText, colour);
        line->setPalette(palette);
    }
    line->setText(validityText(figures));
    state.newlyReached = false;
}

/// Takes a reading of the log: its changes at once, a large log met anew on a worker (the
/// line keeps its last figures meanwhile, then catches up with the latest reading).
void follow(StatusLabel *line, const std::shared_ptr<ValidityLine> &state,
            const WindowServices &services, const LogReading &log) {
    const QList<ReferenceValidity> now = currentReferences(services);
    if (!sameCounting(now, state->references)) {
        state->follower.setReferences(now);
        state->reached.clear();
        line->keepSizeOf(widestText(now));
    }
    state->references = now;
    if (state->counting) {
        state->latest = log;
        return;
    }
    if (!state->follower.takesChangesOf(log) && log.lines.size() >= countedOnWorkerFrom) {
        state->counting = true;
        state->latest = log;
        auto fresh = std::make_shared<ValidityFollower>();
        fresh->setReferences(now);
        // The lines alone go to the worker: the way to later readings stays on this thread.
        const LogReading whole{log.lines, log.version, {}};
        QThread *worker = QThread::create([fresh, whole] { fresh->follow(whole); });
        QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
        QObject::connect(worker, &QThread::finished, line, [line, state, fresh, &services] {
            state->counting = false;
            if (sameCounting(currentReferences(services), state->references))
                state->follower = std::move(*fresh); // no copy of its counts to make
            follow(line, state, services, state->latest);
        });
        worker->start(QThread::LowPriority);
        return;
    }
    state->follower.follow(log);
    show(line, *state);
}

} // namespace

StatusLabel *connectSummary(EntryDoor &entry, const WindowServices &services) {
    auto *line = new StatusLabel(QStringLiteral("Validité"), entry.widget());
    line->setObjectName(QStringLiteral("Validite"));
    line->setTextFormat(Qt::PlainText);
    entry.addStatusLine(line);
    auto state = std::make_shared<ValidityLine>();
    line->announceWhen([state](const QString &) { return state->newlyReached; });
    QObject::connect(
        &entry.events(), &EntryEvents::logRefreshed, line,
        [state, line, &services](const LogReading &log) { follow(line, state, services, log); });
    // The window read its log before this line was there: it is read again for it.
    entry.refreshFromLog();

    QAction *item = entry.addMenuItem(EntryMenu::Show, QStringLiteral("Mnu_Bilan"),
                                      QStringLiteral("Bilan de l'activation"));
    QObject::connect(item, &QAction::triggered, entry.widget(), [&entry, &services] {
        const CurrentActivation a = services.activation.currentActivation();
        SummarySource source;
        source.references << a.reference.trimmed();
        if (a.isDouble && !a.secondReference.trimmed().isEmpty())
            source.references << a.secondReference.trimmed();
        source.logPath = entry.logPath();
        (new Bilan_Activation(services, source, entry.widget()))->show();
    });
    return line;
}

bool openSummaryOf(const QString &number, const WindowServices &services, QWidget *parent) {
    const LoadedActivation loaded = ActivationList(services.programDir).load(number);
    if (!loaded.status) {
        services.dialogs.message(loaded.status.message);
        return false;
    }
    if (!loaded.found) {
        services.dialogs.message(QStringLiteral("L'activation ") + number +
                                 QStringLiteral(" n'est pas dans la liste."));
        return false;
    }
    SummarySource source;
    source.references << loaded.first.number;
    if (loaded.second)
        source.references << loaded.second->number;
    source.logPath = activityLogPath(services.programDir, loaded.first.number);
    (new Bilan_Activation(services, source, parent))->show();
    return true;
}

void connectSummaryToActivationList(Setup &setup, const WindowServices &services) {
    auto *item = new QAction(QStringLiteral("Bilan de l'activation"), setup.Liste_Activite);
    item->setObjectName(QStringLiteral("Mnu_Bilan_Liste"));
    setup.Liste_Activite->addAction(item);
    setup.Liste_Activite->setContextMenuPolicy(Qt::ActionsContextMenu);
    QObject::connect(item, &QAction::triggered, &setup, [&setup, &services] {
        const QString number = setup.Liste_Activite->listItem(setup.Liste_Activite->listIndex());
        if (number.isEmpty()) {
            services.dialogs.message(QStringLiteral("Cliquez sur une activation de la liste."));
            return;
        }
        openSummaryOf(number, services, &setup);
    });
}

} // namespace zep
