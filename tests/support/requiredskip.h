#pragma once

#include <QByteArray>
#include <QString>
#include <QTest>
#include <QtGlobal>

// A case that cannot run here skips, and CTest shows the test as skipped. Some of those conditions are
// ones the CI run rules out (it runs as root, after scripts/install-deps.sh); there it sets
// KWELTA_REQUIRE_ALL_TESTS=1, and the same condition fails the case, so a check the CI must make can
// never turn into a skip unseen. Conditions the CI cannot rule out (root itself, another program on a
// fixed port) keep a plain QSKIP.
inline bool allTestsRequired()
{
    return qEnvironmentVariableIntValue("KWELTA_REQUIRE_ALL_TESTS") != 0;
}

// QSKIP, or QFAIL with the same reason where every test is required.
#define SKIP_UNLESS_REQUIRED(reason)                                                                                   \
    do {                                                                                                               \
        const QByteArray skipReason_ = QByteArray(reason);                                                             \
        if (allTestsRequired())                                                                                        \
            QFAIL(("cannot run, and KWELTA_REQUIRE_ALL_TESTS=1 requires it: " + skipReason_).constData());             \
        QSKIP(skipReason_.constData());                                                                                \
    } while (false)
