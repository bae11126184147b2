#pragma once

// Shared by the fuzz targets: the input as bytes, a Qt application for code that wants
// one, and a check that stops the run with a crash report.
#include <QByteArray>
#include <QCoreApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace Fuzz {

inline QByteArray bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "lumetra-fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

// A broken promise of the code under test: reported like a crash, so the input is kept.
inline void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

} // namespace Fuzz
