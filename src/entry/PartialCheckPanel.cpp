#include "entry/PartialCheckPanel.h"

#include "core/io/Dialogs.h"
#include "core/io/TextFile.h"
#include "entry/Saisie_QSO.h"
#include "platform/Accessibility.h"
#include "platform/FileChooser.h"
#include "platform/ShapedTextDelegate.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace zep {

namespace {

QString itemText(const KnownCall &k) {
    QString text = k.call.leftJustified(12);
    switch (k.source) {
    case KnownCall::Source::Log:
        text += k.worked;
        break;
    case KnownCall::Source::Memory:
        text += k.firstName;
        if (!k.department.isEmpty())
            text += QStringLiteral(" (") + k.department + QLatin1Char(')');
        break;
    case KnownCall::Source::Scp:
        break;
    }
    return text.trimmed();
}

/// Keeps a highlighted call's own colour: a call the duplicate question would stop shows red
/// on a light highlight, where the usual highlight would paint every call alike.
class KnownCallDelegate : public ShapedTextDelegate {
public:
    using ShapedTextDelegate::ShapedTextDelegate;

    /// A line high, and no wider than its margins: the list lays its rows out again at each
    /// key typed, and the width of a row's text is not worth laying it out for. A row longer
    /// than the list is cut at its edge, as it was past the first row's width.
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override {
        return ShapedTextDelegate::sizeHint(option, QModelIndex());
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override {
        ShapedTextDelegate::initStyleOption(option, index);
        const QVariant colour = index.data(Qt::ForegroundRole);
        if (!colour.isValid())
            return;
        const QColor own = colour.value<QBrush>().color();
        option->palette.setColor(QPalette::HighlightedText, own);
        option->palette.setColor(QPalette::Highlight,
                                 option->palette.color(QPalette::Highlight).lighter(170));
    }
};

} // namespace

/// The rows of a known-call list.
class KnownCallRows : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    QVariant data(const QModelIndex &index, int role) const override {
        if (!index.isValid() || index.row() >= rows_.size())
            return {};
        const KnownCallList::Row &r = rows_.at(index.row());
        switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return r.text;
        case Qt::ForegroundRole:
            return r.red ? QVariant(QBrush(Qt::red)) : QVariant();
        default:
            return {};
        }
    }

    const QList<KnownCallList::Row> &rows() const { return rows_; }

    void setRows(const QList<KnownCallList::Row> &rows) {
        const int before = int(rows_.size()), after = int(rows.size());
        if (after < before) {
            beginRemoveRows({}, after, before - 1);
            rows_.resize(after);
            endRemoveRows();
        }
        // The rows kept are rewritten in place, and the view told of them once.
        int first = -1, last = -1;
        for (int i = 0; i < std::min(before, after); ++i) {
            if (rows_.at(i) == rows.at(i))
                continue;
            rows_[i] = rows.at(i);
            if (first < 0)
                first = i;
            last = i;
        }
        if (first >= 0)
            emit dataChanged(index(first), index(last), {Qt::DisplayRole, Qt::ForegroundRole});
        if (after > before) {
            beginInsertRows({}, before, after - 1);
            rows_.append(rows.mid(before));
            endInsertRows();
        }
    }

private:
    QList<KnownCallList::Row> rows_;
};

KnownCallList::KnownCallList(QWidget *parent) : QListView(parent), rows_(new KnownCallRows(this)) {
    setModel(rows_);
    // The highlight is moved from the call-sign field: the focus stays there.
    setFocusPolicy(Qt::NoFocus);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new KnownCallDelegate(this));
    setUniformItemSizes(true);
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { emit rowChosen(index.row()); });
}

void KnownCallList::currentChanged(const QModelIndex &current, const QModelIndex &previous) {
    if (hasFocus())
        QListView::currentChanged(current, previous);
    else
        QAbstractItemView::currentChanged(current, previous);
}

void KnownCallList::selectionChanged(const QItemSelection &selected,
                                     const QItemSelection &deselected) {
    if (hasFocus())
        QListView::selectionChanged(selected, deselected);
    else
        QAbstractItemView::selectionChanged(selected, deselected);
}

void KnownCallList::focusInEvent(QFocusEvent *event) {
    QListView::focusInEvent(event);
    if (currentIndex().isValid())
        QListView::currentChanged(currentIndex(), QModelIndex());
}

void KnownCallList::setRows(const QList<Row> &rows) {
    rows_->setRows(rows);
}

int KnownCallList::count() const {
    return rows_->rowCount();
}

const KnownCallList::Row &KnownCallList::row(int at) const {
    return rows_->rows().at(at);
}

QBrush KnownCallList::foreground(int at) const {
    return rows_->data(rows_->index(at), Qt::ForegroundRole).value<QBrush>();
}

int KnownCallList::highlighted() const {
    const QModelIndex current = currentIndex();
    return current.isValid() && selectionModel()->isSelected(current) ? current.row() : -1;
}

void KnownCallList::highlight(int at) {
    // Each new highlight makes the list paint again and tell its watchers.
    if (at == highlighted())
        return;
    if (at < 0)
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
    else
        selectionModel()->setCurrentIndex(rows_->index(at), QItemSelectionModel::ClearAndSelect);
}

QRect KnownCallList::rowRect(int at) const {
    return visualRect(rows_->index(at));
}

void PartialCheckBuilder::build(const QString &scpPath, const QString &memoryPath,
                                const LogReading &log) {
    PartialCheckSources sources;
    // A missing or unreadable list or memory leaves its part of the index empty: the lists
    // help with what there is, and the entry never stops for them. Read with QFile, not the
    // program's file calls: those belong to the window's thread.
    const auto bytesOf = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    sources.scpCalls = masterscp::check(bytesOf(scpPath), false).calls;
    sources.memoryBytes = bytesOf(memoryPath);
    sources.log = log;
    auto index = std::make_shared<PartialCheckIndex>(PartialCheckIndex::build(sources, &cancel));
    // What was read is freed here, before the index goes to the window.
    sources = {};
    if (cancel)
        return;
    std::shared_ptr<PartialCheckIndex> replaced;
    {
        const QMutexLocker locker(&mutex_);
        replaced = std::exchange(made_, std::move(index));
    }
    replaced.reset();
    emit built();
}

std::shared_ptr<PartialCheckIndex> PartialCheckBuilder::take() {
    const QMutexLocker locker(&mutex_);
    return std::move(made_);
}

void PartialCheckBuilder::release(std::shared_ptr<PartialCheckIndex> index) {
    if (!index)
        return;
    QMetaObject::invokeMethod(this, [this, index = std::move(index)]() mutable {
        index.reset();
        emit released();
    });
}

void PartialCheckBuilder::drop() {
    std::shared_ptr<PartialCheckIndex> left;
    const QMutexLocker locker(&mutex_);
    left = std::move(made_);
}

PartialCheckPanel::PartialCheckPanel(QLineEdit *callField, Context context, QWidget *parent)
    : QWidget(parent), call_(callField), context_(std::move(context)) {
    setObjectName(QStringLiteral("Controle_Partiel"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto newList = [this, layout](const QString &caption) {
        auto *label = new QLabel(caption, this);
        auto *list = new KnownCallList(this);
        list->setObjectName(caption);
        access::name(list, caption, label);
        layout->addWidget(label);
        layout->addWidget(list);
        list->installEventFilter(this);
        connect(list, &KnownCallList::rowChosen, this, [this, list](int at) {
            known_->highlight(list == known_ ? at : -1);
            neighbours_->highlight(list == neighbours_ ? at : -1);
            call_->setFocus();
            takeHighlighted();
        });
        return list;
    };
    known_ = newList(QStringLiteral("Indicatifs connus"));
    neighbours_ = newList(QStringLiteral("Voisins"));
    layout->setStretchFactor(known_, 3);
    layout->setStretchFactor(neighbours_, 1);
    known_->setToolTip(
        QStringLiteral("↑ ↓ choisissent un indicatif, F8 le met dans le champ Indicatif"));
    neighbours_->setToolTip(known_->toolTip());
    setFixedWidth(260);

    call_->installEventFilter(this);
    connect(call_, &QLineEdit::textChanged, this, &PartialCheckPanel::refresh);

    thread_ = new QThread(this);
    thread_->setObjectName(QStringLiteral("Controle_Partiel"));
    builder_ = new PartialCheckBuilder;
    builder_->moveToThread(thread_);
    connect(builder_, &PartialCheckBuilder::built, this, &PartialCheckPanel::take);
    thread_->start(QThread::LowPriority);
}

PartialCheckPanel::~PartialCheckPanel() {
    builder_->cancel = true;
    // The index in use and one made but not taken are freed on the builder's thread, which
    // then ends.
    QMetaObject::invokeMethod(builder_,
                              [b = builder_, t = thread_, index = std::move(index_)]() mutable {
                                  index.reset();
                                  b->drop();
                                  t->quit();
                              });
    thread_->wait();
    delete builder_;
}

bool PartialCheckPanel::event(QEvent *event) {
    // The first paint is what the operator waits for; the build starts just after it.
    if (event->type() == QEvent::Paint && !started_) {
        started_ = true;
        QTimer::singleShot(0, this, &PartialCheckPanel::start);
    }
    return QWidget::event(event);
}

void PartialCheckPanel::start() {
    if (!index_ && !building_)
        requestBuild();
}

PartialCheckPanel::FileStamp PartialCheckPanel::stampOf(const QString &path) {
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return {info.size(), info.lastModified()};
}

void PartialCheckPanel::requestBuild() {
    if (building_) {
        again_ = true;
        return;
    }
    building_ = true;
    again_ = false;
    ++builds_;
    builtLog_ = context_.logPath();
    builtMemory_ = stampOf(context_.memoryPath);
    const QString scp = masterscp::path(context_.programDir);
    const QString memory = context_.memoryPath;
    // The lines are shared, not copied; the way to later versions stays on this thread.
    const LogReading current = context_.currentLog();
    const LogReading log{current.lines, current.version, {}};
    QMetaObject::invokeMethod(builder_,
                              [b = builder_, scp, memory, log] { b->build(scp, memory, log); });
}

void PartialCheckPanel::take() {
    std::shared_ptr<PartialCheckIndex> index = builder_->take();
    if (!index || !building_)
        return builder_->release(std::move(index));
    building_ = false;
    if (builtLog_ != context_.logPath()) {
        // Made for the log of an activation no longer shown: the one for the log now in use
        // follows.
        builder_->release(std::move(index));
        pending_.clear();
        requestBuild();
        return;
    }
    builder_->release(std::exchange(index_, std::move(index)));
    indexLog_ = builtLog_;
    // What was validated while it was made, and the log's changes since.
    for (const Remembered &r : pending_)
        index_->remember(r.call, r.department, r.firstName);
    pending_.clear();
    index_->followLog(context_.currentLog());
    ++indexChanges_;
    if (again_ || index_->scanned() > PartialCheckIndex::headroom / 2)
        requestBuild();
    refresh();
    emit indexReady();
}

void PartialCheckPanel::followLog(const LogReading &log) {
    if (!started_)
        return;
    if (!index_ && !building_) {
        requestBuild();
        return;
    }
    // Another activation's log, or a memory changed outside the validation (an import): the
    // index is made again on its thread. Meanwhile the one in use keeps answering.
    const bool otherLog = builtLog_ != context_.logPath();
    if (otherLog || builtMemory_ != stampOf(context_.memoryPath))
        requestBuild();
    // The index of another log waits for its successor: it would have to count this one's
    // lines all over again.
    if (!index_ || indexLog_ != context_.logPath())
        return;
    if (log.version != 0 && index_->logVersion() == log.version)
        return; // the log as the index last saw it
    index_->followLog(log);
    ++indexChanges_;
    // The stations logged since the build are scanned one by one; past a few thousand, a new
    // build gives them postings, off this thread.
    if (index_->scanned() > PartialCheckIndex::headroom / 2 && !building_)
        requestBuild();
    // A QSO validated empties the call-sign field just after: the lists are shown once, for
    // what the field then holds.
    refreshSoon();
}

void PartialCheckPanel::remembered(const QString &call, const QString &department,
                                   const QString &firstName) {
    // The memory file now holds what the index is given here: its new stamp is no change.
    builtMemory_ = stampOf(context_.memoryPath);
    // A build under way may have read the memory before this entry: the new index takes it
    // when it arrives.
    if (building_)
        pending_.push_back({call, department, firstName});
    if (index_) {
        index_->remember(call, department, firstName);
        ++indexChanges_;
    }
}

void PartialCheckPanel::reload() {
    builtMemory_ = {};
    if (started_)
        requestBuild();
}

void PartialCheckPanel::fill(KnownCallList *list, const QList<KnownCall> &calls) {
    const bool asked = !context_.correcting();
    QList<KnownCallList::Row> rows;
    rows.reserve(calls.size());
    for (const KnownCall &k : calls)
        rows.append({itemText(k), k.call, k.duplicate && asked});
    list->setRows(rows);
}

void PartialCheckPanel::refresh() {
    const QString typed = call_->text().trimmed();
    const QString band = context_.band(), mode = context_.mode();
    const bool correcting = context_.correcting();
    // The same text, band and mode against an unchanged index show the same lists.
    Shown now{typed, band, mode, correcting, indexChanges_};
    if (shown_ && *shown_ == now)
        return;
    shown_ = std::move(now);
    QList<KnownCall> known, near;
    if (index_) {
        known = index_->search(typed, band, mode);
        near = index_->neighbours(typed, band, mode);
    }
    // The first call is highlighted, ready for F8. A highlight that goes is taken away before
    // the rows change: with the rows still laid out as shown, the list knows at once what to
    // paint again.
    if (known.isEmpty())
        known_->highlight(-1);
    if (!known.isEmpty() || near.isEmpty())
        neighbours_->highlight(-1);
    fill(known_, known);
    fill(neighbours_, near);
    if (!known.isEmpty())
        known_->highlight(0);
    else if (!near.isEmpty())
        neighbours_->highlight(0);
}

void PartialCheckPanel::refreshSoon() {
    if (refreshQueued_)
        return;
    refreshQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshQueued_ = false;
        refresh();
    });
}

std::pair<KnownCallList *, int> PartialCheckPanel::highlighted() const {
    for (KnownCallList *list : {known_, neighbours_})
        if (const int at = list->highlighted(); at >= 0)
            return {list, at};
    return {nullptr, -1};
}

void PartialCheckPanel::moveHighlight(int step) {
    // Both lists as one column: the known calls, then the neighbours.
    const int total = known_->count() + neighbours_->count();
    if (total == 0)
        return;
    int at = -1;
    if (const auto [list, row] = highlighted(); list)
        at = list == known_ ? row : known_->count() + row;
    at = std::clamp(at + step, 0, total - 1);
    if (at < known_->count()) {
        neighbours_->highlight(-1);
        known_->highlight(at);
    } else {
        known_->highlight(-1);
        neighbours_->highlight(at - known_->count());
    }
}

void PartialCheckPanel::takeHighlighted() {
    const auto [list, row] = highlighted();
    if (!list)
        return;
    call_->setText(list->row(row).call);
    call_->end(false);
    // Enter in the field, as the operator would press it after typing the call.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(call_, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(call_, &release);
}

bool PartialCheckPanel::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress && (watched == known_ || watched == neighbours_))
        return listKey(static_cast<KnownCallList *>(watched), static_cast<QKeyEvent *>(event));
    if (watched == call_ && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::ControlModifier && key->key() == Qt::Key_L) {
            enterLists();
            return true;
        }
        if (key->modifiers() & ~Qt::KeypadModifier)
            return QWidget::eventFilter(watched, event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (known_->count() + neighbours_->count() == 0)
                break;
            moveHighlight(key->key() == Qt::Key_Down ? 1 : -1);
            return true;
        case Qt::Key_F8:
            takeHighlighted();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PartialCheckPanel::enterLists() {
    KnownCallList *list = known_->count() > 0 || neighbours_->count() == 0 ? known_ : neighbours_;
    if (list->highlighted() < 0 && list->count() > 0)
        list->highlight(0);
    list->setFocus(Qt::ShortcutFocusReason);
}

bool PartialCheckPanel::listKey(KnownCallList *list, const QKeyEvent *key) {
    switch (key->key()) {
    case Qt::Key_Escape:
        call_->setFocus(Qt::ShortcutFocusReason);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F8:
        if (list->highlighted() < 0)
            return true;
        // One list's highlight at a time: the one the operator is reading.
        (list == known_ ? neighbours_ : known_)->highlight(-1);
        call_->setFocus(Qt::ShortcutFocusReason);
        takeHighlighted();
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        KnownCallList *other = list == known_ ? neighbours_ : known_;
        if (other->count() == 0)
            return true;
        list->highlight(-1);
        if (other->highlighted() < 0)
            other->highlight(0);
        other->setFocus(Qt::TabFocusReason);
        return true;
    }
    default:
        return false;
    }
}

namespace {

/// Copies a chosen MASTER.SCP on a worker thread (a list of several Mo is read and checked
/// there), the menu item greyed meanwhile; the window then makes its index again.
class MasterScpUpdate : public QObject {
public:
    MasterScpUpdate(Saisie_QSO &entry, QAction *item, FileChooser &files, Dialogs &dialogs)
        : QObject(&entry), entry_(entry), item_(item), files_(files), dialogs_(dialogs) {}
    ~MasterScpUpdate() override {
        // The window closes while a list is copied: the copy ends first, never cut.
        if (worker_) {
            worker_->wait();
            delete worker_;
        }
    }

    void start() {
        if (worker_)
            return;
        const std::optional<QString> chosen = files_.openFileName(
            &entry_, QStringLiteral("Mettre à jour MASTER.SCP"), QDir::homePath(),
            QStringLiteral("Listes d'indicatifs (*.scp *.SCP);;Tous les fichiers (*)"));
        if (!chosen)
            return;
        item_->setEnabled(false);
        auto result = std::make_shared<IoResult>();
        worker_ = QThread::create([result, dir = entry_.programDir(), file = *chosen] {
            *result = masterscp::install(dir, file);
        });
        worker_->setObjectName(QStringLiteral("MASTER.SCP"));
        connect(worker_, &QThread::finished, this, [this, result] {
            worker_->deleteLater();
            worker_ = nullptr;
            item_->setEnabled(true);
            if (!*result) {
                dialogs_.message(result->message);
                return;
            }
            entry_.Controle_Partiel->reload();
            dialogs_.message(QStringLiteral("MASTER.SCP est mis à jour."));
        });
        worker_->start();
    }

private:
    Saisie_QSO &entry_;
    QAction *item_;
    FileChooser &files_;
    Dialogs &dialogs_;
    QThread *worker_ = nullptr;
};

} // namespace

void connectMasterScpUpdate(Saisie_QSO &entry, FileChooser &files, Dialogs &dialogs) {
    QAction *item = entry.addMenuItem(EntryMenu::Files, QStringLiteral("Mnu_Master_Scp"),
                                      QStringLiteral("Mettre à jour MASTER.SCP…"));
    auto *update = new MasterScpUpdate(entry, item, files, dialogs);
    QObject::connect(item, &QAction::triggered, update, &MasterScpUpdate::start);
}

} // namespace zep
