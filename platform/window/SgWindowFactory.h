#pragma once
// Top-level windows with a GL surface that library code asks for (a viewer
// in a window of its own, the full-screen view). The host installs the
// toolkit's factory; the headless default makes offscreen windows, so the
// same calls run in tests.
#include <memory>
#include <string>
#include <vector>
#include "platform/PlatformExport.h"

class SgPlatformWindow;

class PLATFORM_API SgWindowFactory {
public:
    virtual ~SgWindowFactory() = default;
    // A shown window of the size (or the whole screen with `fullScreen`);
    // null when none can be made. The factory owns it until it is
    // destroyed through DestroyWindow or the factory goes.
    virtual SgPlatformWindow *CreateTopLevelWindow(const std::string &title, int width, int height,
                                                   bool fullScreen) = 0;
    // The largest client size a window of CreateTopLevelWindow may have (the
    // screen's, within what GL draws into), so that callers refuse a bigger
    // one before any window opens; false when the factory sets no bound.
    virtual bool GetLargestSize(int &width, int &height) const
    {
        (void)width;
        (void)height;
        return false;
    }
};

class PLATFORM_API SgHeadlessWindowFactory : public SgWindowFactory {
public:
    // Full screen is this size.
    static constexpr int kScreenWidth = 1280;
    static constexpr int kScreenHeight = 1024;

    SgHeadlessWindowFactory();
    ~SgHeadlessWindowFactory() override;
    SgPlatformWindow *CreateTopLevelWindow(const std::string &title, int width, int height,
                                           bool fullScreen) override;
    int GetWindowCount() const { return static_cast<int>(m_windows.size()); }
    const std::string &GetTitle(int index) const { return m_titles.at(index); }

private:
    std::vector<std::unique_ptr<SgPlatformWindow>> m_windows;
    std::vector<std::string> m_titles;
};

// The factory in use: a headless one until someone installs another.
PLATFORM_API SgWindowFactory &GetWindowFactory();
// Installs `factory` (not owned; null goes back to the headless default) and
// returns the one it replaces.
PLATFORM_API SgWindowFactory *SetWindowFactory(SgWindowFactory *factory);
