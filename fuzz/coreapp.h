#pragma once

// For harnesses that run the engine: an application with the plain event dispatcher, so
// that timers are registered and never run on their own. Included by one file a harness.
#include <QCoreApplication>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_NO_GLIB", "1");
    static QCoreApplication app(*argc, *argv);
    return 0;
}
