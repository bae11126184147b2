#include "Platform/WindowImageSource.h"

#include "Platform/X11WindowImage.h"

namespace {
WindowImageSource* installed = nullptr;
}

WindowImageSource& WindowImageSource::current()
{
    // Never destroyed: its connection may be wanted until the very end of the process.
    static X11WindowImageSource* x11 = new X11WindowImageSource;
    return installed ? *installed : *x11;
}

void WindowImageSource::setForTesting(WindowImageSource* source)
{
    installed = source;
}
