#pragma once

#include "core/aids/PartialCheck.h"
#include "core/log/LogJournal.h"

#include <QDateTime>
#include <QListView>
#include <QWidget>

#include <QMutex>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QThread;

class QKeyEvent;

namespace zep {

class Dialogs;
class FileChooser;
class Saisie_QSO;

/// Builds the partial check's index on its own thread: MASTER.SCP and the first-name memory
/// are read and the whole index made there, so that opening the entry window or validating a
/// QSO never waits for it. An index replaced or left is freed there too: freeing some 200,000
/// calls takes the window's thread as long as a keystroke may.
class PartialCheckBuilder : public QObject {
    Q_OBJECT
public:
    /// Set from the window's thread to cut a build short when the window closes.
    std::atomic_bool cancel = false;

    void build(const QString &scpPath, const QString &memoryPath, const LogReading &log);
    /// The index the last build made (once), taken by the window's thread after `built`.
    std::shared_ptr<PartialCheckIndex> take();
    /// Frees `index` on this object's thread, then says so by `released`.
    void release(std::shared_ptr<PartialCheckIndex> index);

signals:
    void built();
    /// An index was freed on the builder's thread (emitted there).
    void released();

private:
    friend class PartialCheckPanel;
    void drop();

    QMutex mutex_;
    std::shared_ptr<PartialCheckIndex> made_;
};

class KnownCallRows;

/// One of the lists of known call signs: a row of text for each call, some in red, one row
/// highlighted (its selection). It only shows: the focus stays in the call-sign field, which
/// moves the highlight. Showing new rows tells the view what changed in one step, not a row
/// at a time: the lists change at every key typed.
class KnownCallList : public QListView {
    Q_OBJECT
public:
    struct Row {
        QString text, call;
        bool red = false; ///< taking it would bring the duplicate question
        bool operator==(const Row &) const = default;
    };

    explicit KnownCallList(QWidget *parent = nullptr);

    /// Shows `rows` in place of those shown.
    void setRows(const QList<Row> &rows);
    int count() const;
    const Row &row(int at) const;
    /// Red for a call the duplicate question would stop, nothing otherwise.
    QBrush foreground(int at) const;
    int highlighted() const;
    /// Highlights row `at` (none for -1); a list already so is left as it is.
    void highlight(int at);
    QRect rowRect(int at) const;

signals:
    /// A row was double-clicked.
    void rowChosen(int at);

protected:
    // A highlight moved from the call-sign field is no move of the focus: a screen reader
    // hears the rows only while the operator is in the list.
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;
    /// Entered, the list is heard at its highlighted row, not only by its name.
    void focusInEvent(QFocusEvent *event) override;

private:
    KnownCallRows *rows_;
};

/// The known call signs shown beside the call-sign field while it is typed: "Indicatifs
/// connus" (the log's, the first-name memory's, then MASTER.SCP's calls containing the text,
/// in red when taking one would bring the duplicate question) and "Voisins" (the calls one
/// character away). Up and Down move the highlight from row to row of both lists; F8 puts the
/// highlighted call in the field and presses Enter there, so the field's checks and the
/// first-name lookup run as for a typed call. Nothing else is changed: the lists only show.
/// The lists are read when asked: Ctrl+L in the call-sign field goes into them (Up and Down
/// then read their rows, Enter or F8 takes the call, Escape goes back to the field).
class PartialCheckPanel : public QWidget {
    Q_OBJECT
public:
    struct Context {
        QString programDir;
        QString memoryPath;
        std::function<QString()> logPath;
        std::function<QString()> band, mode;
        /// A logged QSO is being corrected: no duplicate question, so no red.
        std::function<bool()> correcting;
        /// The log's current reading, asked when a build starts or an index arrives. The
        /// panel keeps no lines of its own between two QSOs: a kept copy would make the log
        /// copy all its lines at the next QSO added.
        std::function<LogReading()> currentLog;
    };

    PartialCheckPanel(QLineEdit *callField, Context context, QWidget *parent = nullptr);
    ~PartialCheckPanel() override;

    /// Follows the log after each of its changes; a changed memory or another activation's
    /// log makes the index again. The first build waits for the panel's first paint: the
    /// window opens as fast as without the lists.
    void followLog(const LogReading &log);
    /// Makes the index again from the files (MASTER.SCP replaced).
    void reload();
    /// A validation recorded `call` in the first-name memory: the index takes the entry as it
    /// is, rather than reading the whole memory again after every QSO. During a build the
    /// entry is kept and given to the new index when it arrives; the build is not made again.
    void remembered(const QString &call, const QString &department, const QString &firstName);
    /// Shows the lists again for the text in the field, the band and the mode (at once; nothing
    /// is done when neither they nor the index changed since the lists were last shown).
    void refresh();
    KnownCallList *known() const { return known_; }
    KnownCallList *neighbours() const { return neighbours_; }

signals:
    /// A new index is in use (after the start, a memory change, a new MASTER.SCP).
    void indexReady();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    /// Tests and benchmarks watch the index and its builds from outside (tests/support).
    friend struct PartialCheckProbe;

    struct FileStamp {
        qint64 size = -1;
        QDateTime changed;
        bool operator==(const FileStamp &) const = default;
    };
    static FileStamp stampOf(const QString &path);
    struct Remembered {
        QString call, department, firstName;
    };
    void start();
    void requestBuild();
    void take();
    void fill(KnownCallList *list, const QList<KnownCall> &calls);
    /// Refreshes once control is back to the event loop, however many times it is asked.
    void refreshSoon();
    void moveHighlight(int step);
    /// The list and row highlighted, if any.
    std::pair<KnownCallList *, int> highlighted() const;
    void takeHighlighted();
    /// Ctrl+L: the focus into the list that has rows, its first row highlighted if none is.
    void enterLists();
    /// A key typed in a list: handled (true) or left to the list (Up, Down...).
    bool listKey(KnownCallList *list, const QKeyEvent *key);

    QLineEdit *call_;
    Context context_;
    KnownCallList *known_;
    KnownCallList *neighbours_;
    QThread *thread_;
    PartialCheckBuilder *builder_;
    std::shared_ptr<PartialCheckIndex> index_;
    QString builtLog_;                ///< the log the build under way (or the last one) follows
    QString indexLog_;                ///< the log the index in use follows
    FileStamp builtMemory_;           ///< the memory file the index was built from
    std::vector<Remembered> pending_; ///< remembered during the build under way
    bool started_ = false;            ///< past the first paint: the index may be built
    bool building_ = false;
    bool again_ = false; ///< a new list, memory or log came while a build was under way
    int builds_ = 0;
    /// What the lists show: the field's text, the band and mode, and the index as it was.
    struct Shown {
        QString typed, band, mode;
        bool correcting = false;
        quint64 changes = 0;
        bool operator==(const Shown &) const = default;
    };
    std::optional<Shown> shown_;
    /// Counts the changes made to the index in use, a new index being one.
    quint64 indexChanges_ = 0;
    bool refreshQueued_ = false;
};

/// "Fichiers" > "Mettre à jour MASTER.SCP…": a list chosen by the operator, checked and copied
/// into the program directory on a worker thread (the item greyed meanwhile), then the index
/// made again.
void connectMasterScpUpdate(Saisie_QSO &entry, FileChooser &files, Dialogs &dialogs);

} // namespace zep
