#pragma once

#include "core/io/Dialogs.h"
#include "entry/EntryState.h"
#include "entry/FieldRules.h"

#include <functional>

class QWidget;

namespace zep {

/// Moves the entry from field to field on Enter and keeps the colour code: the field expected
/// next is light green, enabled and focused, every other one light yellow. Each field is bound
/// once with its check, the field its Enter leads to and, for the fields that have them, the
/// quick validation keys; a refusal shows its message and leaves the focus in the field,
/// emptied or as typed as the check says.
class FieldChain {
public:
    /// Which quick validation keys a field answers to.
    enum class QuickKeys { None, FunctionKeys, FunctionKeysAndKeypadPlus };

    struct Step {
        std::function<FieldVerdict(rules::Trigger)> check;
        /// Runs after an accepted check, before moving on; false stops the entry in the field
        /// (the call sign dropped as a duplicate).
        std::function<bool()> accepted;
        /// The field the accepted Enter leads to.
        std::function<QWidget *()> next;
        QuickKeys quickKeys = QuickKeys::None;
    };

    FieldChain(Dialogs &dialogs, EntryState &state) : dialogs_(dialogs), state_(state) {}

    /// The quick validation keys act only while `allowed` says so (deferred entry off) and
    /// then run `validate` once the field's own check has passed.
    void setQuickValidation(std::function<bool()> allowed, std::function<void()> validate);

    void bind(QWidget *field, Step step);

    /// The field where input is expected next: enabled, light green, focused.
    static void expect(QWidget *field);
    /// A field done with, or not expected now: light yellow.
    static void leave(QWidget *field);
    /// An accepted Enter: `from` turns light yellow and `to` is expected next.
    void advance(QWidget *from, QWidget *to);

private:
    bool handleKey(QWidget *field, const Step &step, bool quickKey);
    void refuse(QWidget *field, const FieldVerdict &verdict);

    Dialogs &dialogs_;
    EntryState &state_;
    std::function<bool()> quickAllowed_;
    std::function<void()> validate_;
};

} // namespace zep
