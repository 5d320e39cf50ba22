#pragma once

#include "core/log/OperatorTally.h"

#include <gtest/gtest.h>

namespace zep::testing {

/// The operator list as a window shows it, kept from the edits each count gives.
struct ShownOperators {
    QStringList rows;
    bool whole = false; ///< the last count gave the whole list anew

    int follow(OperatorTally &tally, const LogReading &log) {
        OperatorListChanges changes;
        const int count = tally.count(log, &changes);
        whole = changes.whole;
        if (whole)
            rows = tally.operators();
        for (const OperatorListEdit &edit : changes.edits) {
            if (edit.inserted) {
                rows.insert(edit.row, edit.name);
            } else {
                EXPECT_EQ(rows.value(edit.row), edit.name) << "taken out of row " << edit.row;
                rows.removeAt(edit.row);
            }
        }
        return count;
    }
};

} // namespace zep::testing
