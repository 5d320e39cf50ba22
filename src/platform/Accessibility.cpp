#include "platform/Accessibility.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace zep::access {

QString nameFromCaption(const QString &caption) {
    QString text = caption;
    text.remove(QLatin1Char('*'));
    text.remove(QLatin1Char('&'));
    return text.simplified();
}

void name(QWidget *control, const QString &caption, QLabel *label) {
    control->setAccessibleName(nameFromCaption(caption));
    // The keyboard focus of an editable combo box is its line edit: a screen reader announces
    // that one, so it carries the caption too (or only the box's current value is heard).
    if (auto *combo = qobject_cast<QComboBox *>(control); combo && combo->lineEdit())
        combo->lineEdit()->setAccessibleName(nameFromCaption(caption));
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
