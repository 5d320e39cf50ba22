#pragma once

#include "core/io/Dialogs.h"

class QWidget;

namespace zep {

/// The real message boxes: no icon, titled with the program's title, OK or "Oui"/"Non";
/// Enter answers the default button (OK, or "Oui" for a question).
class MessageBoxDialogs : public Dialogs {
public:
    explicit MessageBoxDialogs(QWidget *parent = nullptr) : parent_(parent) {}
    void message(const QString &text) override;
    bool question(const QString &text) override;

private:
    QWidget *parent_;
};

/// The title of every message box.
QString programTitle();

} // namespace zep
