#pragma once

#include <QString>

#include <initializer_list>

class QLabel;
class QWidget;

namespace zep::access {

/// The name a screen reader announces for a control shown under or beside `caption`: the
/// caption without its mandatory mark "*", its accelerator "&" or its runs of blanks.
QString nameFromCaption(const QString &caption);

/// Names `control` (and the line edit of an editable combo box) after `caption`, and makes `label`
/// (when given) its buddy, so that the caption and the control are announced together.
void name(QWidget *control, const QString &caption, QLabel *label = nullptr);

/// Tab visits `chain` in this order (the order the Enter key follows through the fields).
void tabChain(std::initializer_list<QWidget *> chain);

/// Says `text` to a screen reader at once, wherever the keyboard is, without moving the focus:
/// a notification appears in the window of `from` (the role a screen reader reads unasked when
/// it shows; a change of a label's name, or an alert event, is not forwarded to it or not read).
/// Nothing is shown on screen, and a window that is not shown says nothing.
void announce(QWidget *from, const QString &text);

/// The last text announced in the window of `from` (empty when none).
QString lastAnnouncement(const QWidget *from);

} // namespace zep::access
