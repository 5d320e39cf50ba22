#pragma once

#include <QString>
#include <QStringList>

#include <deque>

namespace zep {

/// What the program asks of the operator: a message with OK, or a question with "Oui"/"Non".
/// Core routines that need an answer take this interface; windows pass the real message boxes.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual void message(const QString &text) = 0;
    /// True for "Oui".
    virtual bool question(const QString &text) = 0;
};

/// Test double: records every text shown and answers questions from a queue ("Oui" when the
/// queue is empty, like Enter on the default button).
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        bool isQuestion;
        QString text;
    };

    void message(const QString &text) override { shown_.push_back({false, text}); }
    bool question(const QString &text) override {
        shown_.push_back({true, text});
        if (answers_.empty())
            return true;
        const bool answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    void setNextAnswer(bool yes) { answers_.push_back(yes); }
    const std::deque<Shown> &shown() const { return shown_; }
    QStringList texts() const {
        QStringList all;
        for (const Shown &s : shown_)
            all.append(s.text);
        return all;
    }
    QString last() const { return shown_.empty() ? QString() : shown_.back().text; }
    void clear() {
        shown_.clear();
        answers_.clear();
    }

private:
    std::deque<Shown> shown_;
    std::deque<bool> answers_;
};

} // namespace zep
