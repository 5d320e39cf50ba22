#pragma once

#include "entry/PartialCheckPanel.h"

#include <memory>

namespace zep {

/// What tests and benchmarks watch of the known-calls panel, kept out of the program's header.
struct PartialCheckProbe {
    /// The index is built and the lists answer.
    static bool ready(const PartialCheckPanel &panel) { return panel.index_ != nullptr; }
    /// Builds asked of the builder since the panel was made.
    static int builds(const PartialCheckPanel &panel) { return panel.builds_; }
    /// The index in use, to be watched (never kept: it is freed on the builder's thread).
    static std::weak_ptr<const PartialCheckIndex> index(const PartialCheckPanel &panel) {
        return panel.index_;
    }
    static PartialCheckBuilder *builder(const PartialCheckPanel &panel) { return panel.builder_; }
};

} // namespace zep
