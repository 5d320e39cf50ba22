#pragma once

#include <QObject>

#include <functional>

class QKeyEvent;
class QWidget;

namespace zep {

/// Keys the windows react to in their fields.
enum class FieldKey { Enter, KeypadPlus, F9, F10, F11, F12 };

/// Key handling shared by every entry field, installed as an event filter on the field (for
/// an editable combo box, on the combo box itself): Enter (main or keypad), the keypad "+" and
/// F9 to F12 go to one handler per field; the handler returns true to consume the key. Typed
/// letters a to z can be turned into capitals as they are typed (accented letters are left).
class FieldKeys : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<bool(FieldKey)>;

    /// Routes the keys of interest pressed in `field` to `handler`.
    static void onKey(QWidget *field, Handler handler);
    /// Turns a to z into A to Z as typed in `field` (a line edit or an editable combo box).
    static void upperCase(QWidget *field);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit FieldKeys(QWidget *field);
    static FieldKeys *of(QWidget *field);

    Handler handler_;
    bool upper_ = false;
};

} // namespace zep
