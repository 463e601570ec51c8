#include "platform/window/SgKeyState.h"

#include <bitset>

namespace {
constexpr int kKeyCount = 256;

std::bitset<kKeyCount> &Keys()
{
    static std::bitset<kKeyCount> keys;
    return keys;
}
} // namespace

bool SgKeyState::IsDown(int virtualKey)
{
    return virtualKey >= 0 && virtualKey < kKeyCount && Keys().test(static_cast<size_t>(virtualKey));
}

void SgKeyState::SetDown(int virtualKey, bool down)
{
    if (virtualKey >= 0 && virtualKey < kKeyCount)
        Keys().set(static_cast<size_t>(virtualKey), down);
}

void SgKeyState::ReleaseAll()
{
    Keys().reset();
}
