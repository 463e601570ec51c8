#include "engine/viewer/SgEvent.h"

#include "engine/handlers/SgEventHandler.h"

namespace {
// The low and high 16 bits of a message parameter, sign-extended as window
// coordinates are (a drag may leave the window on the left or the top).
int LowWord(std::intptr_t value)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uintptr_t>(value) & 0xFFFFu));
}
int HighWord(std::intptr_t value)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((static_cast<std::uintptr_t>(value) >> 16) & 0xFFFFu));
}
} // namespace

void SgEvent::SetMouse(int message, std::uintptr_t wParam, std::intptr_t lParam)
{
    m_nKind = kMouse;
    m_nMessage = message;
    m_x = LowWord(lParam);
    m_y = HighWord(lParam);
    m_bShift = (wParam & kShiftBit) != 0;
    m_bCtrl = (wParam & kCtrlBit) != 0;
    m_bAlt = (wParam & kAltBit) != 0;
    m_nWheelDelta = message == SgEventHandler::kMouseWheel ? HighWord(static_cast<std::intptr_t>(wParam)) : 0;
}

void SgEvent::SetKey(int message, int key)
{
    m_nKind = kKey;
    m_nMessage = message;
    m_nKey = key;
}

std::intptr_t SgEvent::MakePoint(int x, int y)
{
    const std::uintptr_t low = static_cast<std::uint16_t>(static_cast<std::int16_t>(x));
    const std::uintptr_t high = static_cast<std::uint16_t>(static_cast<std::int16_t>(y));
    return static_cast<std::intptr_t>(low | (high << 16));
}

std::uintptr_t SgEvent::MakeWheelParam(int delta, unsigned keyBits)
{
    const std::uintptr_t high = static_cast<std::uint16_t>(static_cast<std::int16_t>(delta));
    return (high << 16) | (keyBits & 0xFFFFu);
}
