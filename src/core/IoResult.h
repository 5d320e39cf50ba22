#pragma once

#include <QString>

namespace zep {

/// Outcome of a file operation: success, or a French message ready to show the operator.
/// A failed operation has left every file it touched as it was before the call.
struct IoResult {
    bool ok = true;
    QString message;

    static IoResult success() { return {}; }
    static IoResult failure(QString text) { return {false, std::move(text)}; }
    explicit operator bool() const { return ok; }
};

} // namespace zep
