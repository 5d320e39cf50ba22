#pragma once

#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

// Waits, running the event loop, until a condition holds or `ms` milliseconds have gone by,
// then asserts it as Google Test does. Qt's QTRY_ macros report to QTest's own runner: under
// Google Test a QTRY_ that times out ends the test silently, as a pass.
#define ZEP_TRY_VERIFY(expr, ms)                                                                   \
    do {                                                                                           \
        QElapsedTimer zepWaited_;                                                                  \
        zepWaited_.start();                                                                        \
        while (!(expr) && zepWaited_.elapsed() < (ms))                                             \
            QTest::qWait(10);                                                                      \
        ASSERT_TRUE(expr) << "still false after " << (ms) << " ms";                                \
    } while (false)

#define ZEP_TRY_COMPARE(actual, expected, ms)                                                      \
    do {                                                                                           \
        QElapsedTimer zepWaited_;                                                                  \
        zepWaited_.start();                                                                        \
        while (!((actual) == (expected)) && zepWaited_.elapsed() < (ms))                           \
            QTest::qWait(10);                                                                      \
        ASSERT_EQ(actual, expected) << "after " << (ms) << " ms";                                  \
    } while (false)
