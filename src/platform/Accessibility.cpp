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

QAccessibleInterface *namedComboBoxes(const QString &className, QObject *object) {
    if (className != QLatin1String("QComboBox"))
        return nullptr;
    auto *box = qobject_cast<QComboBox *>(object);
    if (!box || !box->property(namedProperty).toBool())
        return nullptr;
    return new NamedComboBox(box);
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
        if (combo->lineEdit())
            combo->lineEdit()->setAccessibleName(nameFromCaption(caption));
    }
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

} // namespace zep::access
