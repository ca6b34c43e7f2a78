#pragma once

#include <QApplication>
#include <QTest>

// Like QTEST_MAIN, but runs on the offscreen platform unless told otherwise,
// so that the widget tests need no display.
#define TARVELLO_OFFSCREEN_TEST_MAIN(TestClass)             \
    int main(int argc, char** argv) {                       \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) \
            qputenv("QT_QPA_PLATFORM", "offscreen");        \
        QApplication app(argc, argv);                       \
        TestClass test;                                     \
        return QTest::qExec(&test, argc, argv);             \
    }
