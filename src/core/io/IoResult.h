#pragma once

#include <QString>

namespace zep {

/// Outcome of a file operation: success, or a French message ready to show the operator.
/// A failed operation has left every file it touched as it was before the call.
struct [[nodiscard]] IoResult {
    bool ok = true;
    QString message;
    /// The system's error number behind a failure (errno), 0 when there is none to give.
    int code = 0;

    static IoResult success() { return {}; }
    static IoResult failure(QString text, int error = 0) { return {false, std::move(text), error}; }
    explicit operator bool() const { return ok; }
};

} // namespace zep
