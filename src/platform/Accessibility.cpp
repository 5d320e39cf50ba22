#include "platform/Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace zep::access {

namespace {

/// Qt announces a combo box on Linux by its current value, leaving its caption to a relation
/// with its label that screen readers do not all follow: "3.5" is heard, not "Bande (Mhz)".
/// A combo box named here gives its name as its name and its text as its value.
class NamedComboBox : public QAccessibleWidget {
public:
    explicit NamedComboBox(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}
    QString text(QAccessible::Text t) const override {
        const auto *box = static_cast<const QComboBox *>(widget());
        if (t == QAccessible::Name && !box->accessibleName().isEmpty())
            return box->accessibleName();
        if (t == QAccessible::Value)
            return box->currentText();
        return QAccessibleWidget::text(t);
    }
};

const char *const namedProperty = "zepNamedComboBox";

/// The window's notification: one pixel, never drawn, never focused, outside any layout. Each
/// announcement hides it and shows it again with the new text, which a screen reader hears as a
/// notification appearing.
class Announcement : public QWidget {
    Q_OBJECT
public:
    explicit Announcement(QWidget *window) : QWidget(window) {
        setObjectName(QStringLiteral("Annonce_Lecteur"));
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(0, 0, 1, 1);
        hide();
    }
    QString said;
};

class AnnouncementInterface : public QAccessibleWidget {
public:
    explicit AnnouncementInterface(Announcement *note)
        : QAccessibleWidget(note, QAccessible::Notification) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return static_cast<const Announcement *>(widget())->said;
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *announcements(const QString &, QObject *object) {
    if (auto *note = qobject_cast<Announcement *>(object))
        return new AnnouncementInterface(note);
    return nullptr;
}

QAccessibleInterface *namedComboBoxes(const QString &className, QObject *object) {
    if (className != QLatin1String("QComboBox"))
        return nullptr;
    auto *box = qobject_cast<QComboBox *>(object);
    if (!box || !box->property(namedProperty).toBool())
        return nullptr;
    return new NamedComboBox(box);
}

/// A text field as Qt reads it to a screen reader, but for its text attributes: Qt gives an
/// empty run at each offset, which a screen reader reads as runs of no text and so drops the
/// field's last character ("59" heard "5"). Here the whole text is one run, without
/// attributes; the rest reads the field as Qt does.
class FieldInterface : public QAccessibleWidget,
                       public QAccessibleTextInterface,
                       public QAccessibleEditableTextInterface {
public:
    explicit FieldInterface(QLineEdit *field)
        : QAccessibleWidget(field, QAccessible::EditableText) {}

    void *interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return shown();
        return QAccessibleWidget::text(t);
    }
    void setText(QAccessible::Text t, const QString &text) override {
        if (t == QAccessible::Value && !field()->isReadOnly())
            field()->setText(text);
        else
            QAccessibleWidget::setText(t, text);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = !field()->isReadOnly();
        state.readOnly = field()->isReadOnly();
        state.selectableText = true;
        state.passwordEdit = field()->echoMode() != QLineEdit::Normal;
        return state;
    }

    // QAccessibleTextInterface
    QString attributes(int offset, int *startOffset, int *endOffset) const override {
        const int count = characterCount();
        if (offset < 0 || offset > count) {
            *startOffset = *endOffset = -1;
            return {};
        }
        *startOffset = 0;
        *endOffset = count;
        return {};
    }
    void addSelection(int startOffset, int endOffset) override {
        setSelection(0, startOffset, endOffset);
    }
    int cursorPosition() const override { return field()->cursorPosition(); }
    QRect characterRect(int offset) const override {
        const QString text = shown();
        if (offset < 0 || offset > text.size())
            return {};
        const QFontMetrics metrics = field()->fontMetrics();
        const QRect area = field()->contentsRect();
        const int x = area.left() + field()->textMargins().left() +
                      metrics.horizontalAdvance(text.left(offset));
        const int width = offset < text.size() ? metrics.horizontalAdvance(text.at(offset)) : 1;
        return QRect(field()->mapToGlobal(QPoint(x, area.top())), QSize(width, area.height()));
    }
    int selectionCount() const override { return field()->hasSelectedText() ? 1 : 0; }
    int offsetAtPoint(const QPoint &point) const override {
        return field()->cursorPositionAt(field()->mapFromGlobal(point));
    }
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0 || !field()->hasSelectedText())
            return;
        *startOffset = field()->selectionStart();
        *endOffset = field()->selectionEnd();
    }
    QString text(int startOffset, int endOffset) const override {
        return startOffset > endOffset ? QString()
                                       : shown().mid(startOffset, endOffset - startOffset);
    }
    void removeSelection(int selectionIndex) override {
        if (selectionIndex == 0)
            field()->deselect();
    }
    void setCursorPosition(int position) override { field()->setCursorPosition(position); }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override {
        if (selectionIndex == 0)
            field()->setSelection(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(shown().size()); }
    void scrollToSubstring(int startIndex, int endIndex) override {
        field()->setCursorPosition(endIndex);
        field()->setCursorPosition(startIndex);
    }

    // QAccessibleEditableTextInterface
    void deleteText(int startOffset, int endOffset) override {
        replaceText(startOffset, endOffset, QString());
    }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString &text) override {
        if (field()->isReadOnly() || startOffset < 0 || endOffset < startOffset)
            return;
        QString value = field()->text();
        value.replace(startOffset, endOffset - startOffset, text);
        field()->setText(value);
    }

private:
    QLineEdit *field() const { return static_cast<QLineEdit *>(widget()); }
    /// What the field shows: a hidden text is never read out.
    QString shown() const {
        return field()->echoMode() == QLineEdit::Normal ? field()->text() : field()->displayText();
    }
};

const char *const fieldProperty = "zepNamedField";

QAccessibleInterface *namedFields(const QString &className, QObject *object) {
    if (className != QLatin1String("QLineEdit"))
        return nullptr;
    auto *field = qobject_cast<QLineEdit *>(object);
    if (!field || !field->property(fieldProperty).toBool())
        return nullptr;
    return new FieldInterface(field);
}

/// Reads `field` through FieldInterface from now on.
void readAsField(QLineEdit *field) {
    static const bool installed = [] {
        QAccessible::installFactory(namedFields);
        return true;
    }();
    Q_UNUSED(installed);
    field->setProperty(fieldProperty, true);
    QAccessibleInterface *made = QAccessible::queryAccessibleInterface(field);
    if (made && !dynamic_cast<FieldInterface *>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

} // namespace

QString nameFromCaption(const QString &caption) {
    QString text = caption;
    text.remove(QLatin1Char('*'));
    text.remove(QLatin1Char('&'));
    return text.simplified();
}

void name(QWidget *control, const QString &caption, QLabel *label) {
    if (auto *combo = qobject_cast<QComboBox *>(control)) {
        static const bool installed = [] {
            QAccessible::installFactory(namedComboBoxes);
            return true;
        }();
        Q_UNUSED(installed);
        combo->setProperty(namedProperty, true);
        // An interface Qt made for the box earlier (any change of a widget makes one) is
        // dropped, so that the next one is made by the factory above.
        QAccessibleInterface *made = QAccessible::queryAccessibleInterface(combo);
        if (made && !dynamic_cast<NamedComboBox *>(made))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
        // The keyboard focus of an editable combo box is its line edit: it carries the caption
        // too.
        if (combo->lineEdit()) {
            combo->lineEdit()->setAccessibleName(nameFromCaption(caption));
            readAsField(combo->lineEdit());
        }
    }
    if (auto *field = qobject_cast<QLineEdit *>(control))
        readAsField(field);
    control->setAccessibleName(nameFromCaption(caption));
    if (label)
        label->setBuddy(control);
}

void tabChain(std::initializer_list<QWidget *> chain) {
    QWidget *previous = nullptr;
    for (QWidget *w : chain) {
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

void announce(QWidget *from, const QString &text) {
    static const bool installed = [] {
        QAccessible::installFactory(announcements);
        return true;
    }();
    Q_UNUSED(installed);
    QWidget *window = from ? from->window() : nullptr;
    if (!window || text.isEmpty())
        return;
    auto *note = window->findChild<Announcement *>(QString(), Qt::FindDirectChildrenOnly);
    if (!note)
        note = new Announcement(window);
    note->hide();
    note->said = text;
    note->setAccessibleName(text);
    // Shown with a hidden window, it would be heard later, when the news is stale.
    if (window->isVisible())
        note->show();
    note->lower();
}

QString lastAnnouncement(const QWidget *from) {
    const QWidget *window = from ? from->window() : nullptr;
    const auto *note =
        window ? window->findChild<Announcement *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    return note ? note->said : QString();
}

} // namespace zep::access

#include "Accessibility.moc"
