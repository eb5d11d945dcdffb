#include "platform/Log.h"

#include <QApplication>
#include <gtest/gtest.h>

// As the application does: tests are the helper's clients too.
__attribute__((constructor(101))) static void withoutRegularExpressionJit()
{
    qputenv("QT_ENABLE_REGEXP_JIT", "0");
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    platform::log::setQuiet(qgetenv("PELORN_TEST_LOG") != "1");
    return RUN_ALL_TESTS();
}
