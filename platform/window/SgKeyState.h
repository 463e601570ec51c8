#pragma once
// Which keys are down, by virtual-key code: what the window system's key
// state query answers. Windows keep it up to date from their key events;
// tests set it directly.
namespace SgKeyState {
bool IsDown(int virtualKey);
void SetDown(int virtualKey, bool down);
// Every key up: a window that loses the focus no longer sees the releases.
void ReleaseAll();
} // namespace SgKeyState
