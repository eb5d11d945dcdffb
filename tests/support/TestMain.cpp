#include "platform/Log.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_ENABLE_REGEXP_JIT", "0"); // as the application: tests are the helper's clients too
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    platform::log::setQuiet(qgetenv("PELORN_TEST_LOG") != "1");
    return RUN_ALL_TESTS();
}
