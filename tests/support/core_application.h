#pragma once

#include <QCoreApplication>

// QtSerialPort wants an application object; the tests of a program share one.
inline void ensureCoreApplication() {
    static int argc = 1;
    static char name[] = "tilt_tests";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) {
        static QCoreApplication app(argc, argv);
    }
}

