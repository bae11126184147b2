#pragma once

// A test of scrolling capture whose steps can be read: SCROLL_DIAG=1 prints the
// capture's diagnostics while it runs.
#include "Capture/CaptureLog.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>

#include <gtest/gtest.h>

class ScrollDiagnosticsTest : public ::testing::Test {
public:
    void SetUp() override
    {
        setCaptureDiagnosticSink([](const QString& line) {
            if (qEnvironmentVariableIsSet("SCROLL_DIAG"))
                std::fprintf(stderr, "%s\n", qPrintable(line));
        });
    }
    void TearDown() override { setCaptureDiagnosticSink({}); }
};
