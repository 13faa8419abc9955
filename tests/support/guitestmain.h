#pragma once

#include <QApplication>
#include <QtTest>
#include <clocale>

// main() for tests that build the whole GUI: QtWebEngine needs shared GL contexts before the
// application exists, and libmpv needs C number formatting after it.
#define ZEVIDUD_GUI_TEST_MAIN(TestClass)                                                          \
    int main(int argc, char **argv)                                                              \
    {                                                                                            \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                              \
        QApplication app(argc, argv);                                                            \
        std::setlocale(LC_NUMERIC, "C");                                                         \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                 \
        TestClass test;                                                                          \
        QTEST_SET_MAIN_SOURCE_PATH                                                               \
        return QTest::qExec(&test, argc, argv);                                                  \
    }
