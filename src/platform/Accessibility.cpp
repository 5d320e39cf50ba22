#include "platform/Accessibility.h"

#include <QLabel>
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
