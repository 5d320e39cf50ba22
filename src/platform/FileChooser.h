#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

class QWidget;

namespace zep {

/// The save-file dialog: a proposed path, a filter ("Fichiers ADIF (*.adi)"), a default suffix
/// added to a name typed without one. Empty optional: the operator cancelled.
/// The open-file dialog: a directory to start in and a filter; only an existing file can be
/// chosen. The folder dialog: a folder to start in; only an existing folder can be chosen.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual std::optional<QString> saveFileName(QWidget *parent, const QString &caption,
                                                const QString &proposedPath, const QString &filter,
                                                const QString &defaultSuffix) = 0;
    virtual std::optional<QString> openFileName(QWidget *parent, const QString &caption,
                                                const QString &directory,
                                                const QString &filter) = 0;
    virtual std::optional<QString> directoryName(QWidget *parent, const QString &caption,
                                                 const QString &directory) = 0;
};

/// Qt's QFileDialog in save mode (it asks before overwriting an existing file) or in open
/// mode.
class QtFileChooser : public FileChooser {
public:
    std::optional<QString> saveFileName(QWidget *parent, const QString &caption,
                                        const QString &proposedPath, const QString &filter,
                                        const QString &defaultSuffix) override;
    std::optional<QString> openFileName(QWidget *parent, const QString &caption,
                                        const QString &directory, const QString &filter) override;
    std::optional<QString> directoryName(QWidget *parent, const QString &caption,
                                         const QString &directory) override;
};

/// Test double: answers from a queue (a path, or a cancel), cancel when the queue is empty,
/// and keeps what each dialog was opened with. Save, open and folder dialogs have a queue each.
class ScriptedFileChooser : public FileChooser {
public:
    struct Request {
        QString caption, proposedPath, filter, defaultSuffix;
    };
    std::optional<QString> saveFileName(QWidget *, const QString &caption,
                                        const QString &proposedPath, const QString &filter,
                                        const QString &defaultSuffix) override {
        requests.push_back({caption, proposedPath, filter, defaultSuffix});
        if (answers.empty())
            return std::nullopt;
        // Taken apart rather than copied whole: GCC 12 in Release warns (wrongly) that a copied
        // optional<QString> may be used uninitialized.
        const bool cancelled = !answers.front().has_value();
        const QString path = cancelled ? QString() : *answers.front();
        answers.pop_front();
        if (cancelled)
            return std::nullopt;
        return path;
    }
    std::optional<QString> openFileName(QWidget *, const QString &caption, const QString &directory,
                                        const QString &filter) override {
        openRequests.push_back({caption, directory, filter, QString()});
        return next(openAnswers);
    }
    std::optional<QString> directoryName(QWidget *, const QString &caption,
                                         const QString &directory) override {
        directoryRequests.push_back({caption, directory, QString(), QString()});
        return next(directoryAnswers);
    }
    void setNextAnswer(std::optional<QString> path) { answers.push_back(std::move(path)); }
    void setNextOpenAnswer(std::optional<QString> path) { openAnswers.push_back(std::move(path)); }
    void setNextDirectoryAnswer(std::optional<QString> path) {
        directoryAnswers.push_back(std::move(path));
    }

    std::deque<std::optional<QString>> answers;
    std::deque<Request> requests;
    std::deque<std::optional<QString>> openAnswers;
    std::deque<Request> openRequests;
    std::deque<std::optional<QString>> directoryAnswers;
    std::deque<Request> directoryRequests;

private:
    static std::optional<QString> next(std::deque<std::optional<QString>> &queue) {
        if (queue.empty())
            return std::nullopt;
        const bool cancelled = !queue.front().has_value();
        const QString path = cancelled ? QString() : *queue.front();
        queue.pop_front();
        if (cancelled)
            return std::nullopt;
        return path;
    }
};

} // namespace zep
