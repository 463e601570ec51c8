#include "platform/SgPrinter.h"

#include <mutex>
#include <utility>

namespace {

std::mutex &Lock()
{
    static std::mutex lock;
    return lock;
}

SgPrinterFactory &Factory()
{
    static SgPrinterFactory factory;
    return factory;
}

int s_screenDpiX = 96;
int s_screenDpiY = 96;

} // namespace

SgPrinterFactory SgSetPrinterFactory(SgPrinterFactory factory)
{
    std::lock_guard<std::mutex> hold(Lock());
    return std::exchange(Factory(), std::move(factory));
}

std::unique_ptr<SgPrinter> SgCreatePrinter()
{
    SgPrinterFactory factory;
    {
        std::lock_guard<std::mutex> hold(Lock());
        factory = Factory();
    }
    return factory ? factory() : nullptr;
}

void SgSetScreenDpi(int dpiX, int dpiY)
{
    std::lock_guard<std::mutex> hold(Lock());
    if (dpiX > 0)
        s_screenDpiX = dpiX;
    if (dpiY > 0)
        s_screenDpiY = dpiY;
}

void SgGetScreenDpi(int &dpiX, int &dpiY)
{
    std::lock_guard<std::mutex> hold(Lock());
    dpiX = s_screenDpiX;
    dpiY = s_screenDpiY;
}
