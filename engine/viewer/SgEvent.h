#pragma once
// The input record the viewer builds for each window message and hands to the
// event action and the tools. Messages keep their window-system numbers
// (SgEventHandler::Message lists the ones the tools dispatch on).
#include <cstdint>
#include "engine/core/NodaraExport.h"

class NODARA_API SgEvent {
public:
    enum Kind : int { kMouse = 0, kKey = 1 };
    // Key-state bits of a mouse message's first parameter; the window sets
    // kAltBit while Alt is held.
    static constexpr unsigned kShiftBit = 0x4;
    static constexpr unsigned kCtrlBit = 0x8;
    static constexpr unsigned kAltBit = 0x20;

    SgEvent() = default;
    virtual ~SgEvent() = default;

    // Fills the position, message and modifier bytes from a mouse message:
    // x is the low 16 bits of the point parameter and y the high 16 bits,
    // each sign-extended (positions left of or above a window are negative).
    void SetMouse(int message, std::uintptr_t wParam, std::intptr_t lParam);
    void SetKey(int message, int key);
    // The point parameter of a mouse message at (x, y), as the window gives it.
    static std::intptr_t MakePoint(int x, int y);
    // The first parameter of a wheel message: key bits low, signed delta high.
    static std::uintptr_t MakeWheelParam(int delta, unsigned keyBits);

    int m_nKind = kMouse;
    int m_x = 0;
    int m_y = 0;
    int m_nMessage = 0;
    int m_nKey = 0;
    int m_nWheelDelta = 0;
    bool m_bShift = false;
    bool m_bCtrl = false;
    bool m_bAlt = false;
};
