#pragma once
#include "platform/PlatformExport.h"
// Which keys are down, by virtual-key code: what the window system's key
// state query answers. Windows keep it up to date from their key events;
// tests set it directly.
namespace SgKeyState {
PLATFORM_API bool IsDown(int virtualKey);
PLATFORM_API void SetDown(int virtualKey, bool down);
// Every key up: a window that loses the focus no longer sees the releases.
PLATFORM_API void ReleaseAll();
} // namespace SgKeyState
