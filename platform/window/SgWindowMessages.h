#pragma once
// Window messages and virtual-key codes as the engine knows them: the
// numbers of the window system the engine was first written for. Every
// window implementation translates its toolkit's events into these, so the
// engine never sees a toolkit type.
#include <cstdint>

namespace SgWM {
constexpr unsigned kDestroy = 0x0002;
constexpr unsigned kSize = 0x0005;
constexpr unsigned kActivate = 0x0006;
constexpr unsigned kSetFocus = 0x0007;
constexpr unsigned kKillFocus = 0x0008;
constexpr unsigned kPaint = 0x000F;
constexpr unsigned kClose = 0x0010;
constexpr unsigned kWindowPosChanged = 0x0047;
constexpr unsigned kNcActivate = 0x0086;
constexpr unsigned kKeyDown = 0x0100;
constexpr unsigned kKeyUp = 0x0101;
constexpr unsigned kSysKeyDown = 0x0104;
constexpr unsigned kSysKeyUp = 0x0105;
constexpr unsigned kTimer = 0x0113;
constexpr unsigned kMouseMove = 0x0200;
constexpr unsigned kLButtonDown = 0x0201;
constexpr unsigned kLButtonUp = 0x0202;
constexpr unsigned kLButtonDblClk = 0x0203;
constexpr unsigned kRButtonDown = 0x0204;
constexpr unsigned kRButtonUp = 0x0205;
constexpr unsigned kRButtonDblClk = 0x0206;
constexpr unsigned kMButtonDown = 0x0207;
constexpr unsigned kMButtonUp = 0x0208;
constexpr unsigned kMButtonDblClk = 0x0209;
constexpr unsigned kMouseWheel = 0x020A;

// Key-state bits of a mouse message's first parameter.
constexpr unsigned kLeftButtonBit = 0x01;
constexpr unsigned kRightButtonBit = 0x02;
constexpr unsigned kShiftBit = 0x04;
constexpr unsigned kControlBit = 0x08;
constexpr unsigned kMiddleButtonBit = 0x10;
// Set by the GL window while Alt is held.
constexpr unsigned kAltBit = 0x20;

// One notch of a mouse wheel.
constexpr int kWheelDelta = 120;

// The point parameter of a mouse or size message: x low, y high, 16 bits each.
inline std::intptr_t MakePoint(int x, int y)
{
    const std::uintptr_t low = static_cast<std::uint16_t>(static_cast<std::int16_t>(x));
    const std::uintptr_t high = static_cast<std::uint16_t>(static_cast<std::int16_t>(y));
    return static_cast<std::intptr_t>(low | (high << 16));
}
// The first parameter of a wheel message: key bits low, signed delta high.
inline std::uintptr_t MakeWheelParam(int delta, unsigned keyBits)
{
    const std::uintptr_t high = static_cast<std::uint16_t>(static_cast<std::int16_t>(delta));
    return (high << 16) | (keyBits & 0xFFFFu);
}
inline int LowWord(std::intptr_t value)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uintptr_t>(value) & 0xFFFFu));
}
inline int HighWord(std::intptr_t value)
{
    return static_cast<std::int16_t>(
        static_cast<std::uint16_t>((static_cast<std::uintptr_t>(value) >> 16) & 0xFFFFu));
}
} // namespace SgWM

namespace SgVK {
constexpr int kBack = 0x08;
constexpr int kTab = 0x09;
constexpr int kReturn = 0x0D;
constexpr int kShift = 0x10;
constexpr int kControl = 0x11;
constexpr int kMenu = 0x12; // Alt
constexpr int kEscape = 0x1B;
constexpr int kSpace = 0x20;
constexpr int kPrior = 0x21;
constexpr int kNext = 0x22;
constexpr int kEnd = 0x23;
constexpr int kHome = 0x24;
constexpr int kLeft = 0x25;
constexpr int kUp = 0x26;
constexpr int kRight = 0x27;
constexpr int kDown = 0x28;
constexpr int kInsert = 0x2D;
constexpr int kOemComma = 0xBC;
constexpr int kOemPeriod = 0xBE;
constexpr int kOemPlus = 0xBB;  // the = and + key
constexpr int kOemMinus = 0xBD;
constexpr int kDelete = 0x2E;
constexpr int kF1 = 0x70;
constexpr int kLShift = 0xA0;
constexpr int kLControl = 0xA2;
constexpr int kLMenu = 0xA4; // the left Alt key
constexpr int kRMenu = 0xA5;
} // namespace SgVK
