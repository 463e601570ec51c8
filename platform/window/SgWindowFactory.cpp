#include "platform/window/SgWindowFactory.h"

#include <algorithm>

#include "platform/SgError.h"
#include "platform/window/SgHeadlessWindow.h"

namespace {

SgWindowFactory *s_factory = nullptr;

} // namespace

SgHeadlessWindowFactory::SgHeadlessWindowFactory() = default;
SgHeadlessWindowFactory::~SgHeadlessWindowFactory() = default;

SgPlatformWindow *SgHeadlessWindowFactory::CreateTopLevelWindow(const std::string &title, int width, int height,
                                                                bool fullScreen)
{
    if (fullScreen) {
        width = kScreenWidth;
        height = kScreenHeight;
    }
    if (width <= 0 || height <= 0)
        return nullptr;
    try {
        m_windows.push_back(std::make_unique<SgHeadlessWindow>(width, height));
    } catch (const SgError &) {
        return nullptr;
    }
    m_titles.push_back(title);
    return m_windows.back().get();
}

SgWindowFactory &GetWindowFactory()
{
    // Never destroyed: its windows' GL contexts cannot be released once the
    // GL library's own exit handlers have run, which may come first.
    static SgHeadlessWindowFactory *headless = new SgHeadlessWindowFactory;
    return s_factory ? *s_factory : *headless;
}

SgWindowFactory *SetWindowFactory(SgWindowFactory *factory)
{
    SgWindowFactory *previous = &GetWindowFactory();
    s_factory = factory;
    return previous;
}
