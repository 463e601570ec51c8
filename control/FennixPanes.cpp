#include "control/FennixPanes.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/SgError.h"
#include "platform/Settings.h"

namespace fennix {

void DockPanes::Start(std::int32_t toolBarConfig)
{
    if (ShowsPanesAtStart(toolBarConfig)) {
        m_panesShown = true;
        ShowAllDocable(1);
        return;
    }
    for (bool &remembered : m_remembered)
        remembered = true;
    ShowAllDocable(0);
}

void DockPanes::Apply(int slot, int show)
{
    if (slot < 0 || slot >= kSlotCount || !m_view.HasPane(slot))
        return;
    const bool shown = m_view.IsPaneShown(slot);
    const bool wanted = show == -1 ? !shown : show != 0;
    if (wanted != shown)
        m_view.ShowPane(slot, wanted);
}

void DockPanes::ShowDockable(int slot, int show)
{
    if (slot < 0 || slot >= kSlotCount || !m_view.HasPane(slot))
        return;
    Apply(slot, show);
    m_view.PanesChanged();
}

void DockPanes::ShowAllDocable(int show)
{
    if (show == -1) {
        if (m_panesShown) {
            for (int slot = 0; slot < kSlotCount; ++slot) {
                m_remembered[slot] = m_view.HasPane(slot) && m_view.IsPaneShown(slot);
                if (m_remembered[slot])
                    Apply(slot, 0);
            }
        } else {
            for (int slot = 0; slot < kSlotCount; ++slot)
                if (m_remembered[slot])
                    Apply(slot, 1);
        }
        m_panesShown = !m_panesShown;
    } else {
        for (int slot = 0; slot < kSlotCount; ++slot)
            Apply(slot, show);
        // Shown panes hide at the next toggle; hidden ones come back as
        // remembered.
        m_panesShown = show != 0;
    }
    m_view.PanesChanged();
}

bool DockPanes::OpenPane(int dialog)
{
    if (dialog == 20) {
        ShowDockable(kTreeSlot, -1);
        return true;
    }
    if (dialog >= 21 && dialog <= 23) {
        ShowDockable(dialog - 21, -1);
        return true;
    }
    if (dialog == 24) {
        ShowAllDocable(-1);
        return true;
    }
    return false;
}

namespace {

const char *const kKeys[3][2] = {
    {"sizeHorzCX", "sizeHorzCY"}, {"sizeVertCX", "sizeVertCY"}, {"sizeFloatCX", "sizeFloatCY"}};

// The whole text as a number in [lo, hi], else the old value.
int ReadSize(const std::string &key, int lo, int old)
{
    const std::string text = Settings::Get(key);
    if (text.empty())
        return old;
    char *end = nullptr;
    errno = 0;
    const long n = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || n < lo || n > BarSizes::kMaxSize)
        return old;
    return static_cast<int>(n);
}

} // namespace

BarSizes::Size BarSizes::Minimum(Where where)
{
    switch (where) {
    case kHorz: return kMinHorz;
    case kVert: return kMinVert;
    case kFloat: break;
    }
    return kMinFloat;
}

void BarSizes::Set(Where where, Size size)
{
    const Size minimum = Minimum(where);
    m_sizes[where] = {std::clamp(size.cx, minimum.cx, kMaxSize), std::clamp(size.cy, minimum.cy, kMaxSize)};
}

std::string BarSizes::Section(const std::string &profile, int id)
{
    return profile + "-SCBar-" + std::to_string(id);
}

void BarSizes::Load(const std::string &profile, int id)
{
    const std::string section = Section(profile, id) + ".";
    for (int where = kHorz; where <= kFloat; ++where) {
        const Size minimum = Minimum(static_cast<Where>(where));
        Size &size = m_sizes[where];
        size.cx = ReadSize(section + kKeys[where][0], minimum.cx, size.cx);
        size.cy = ReadSize(section + kKeys[where][1], minimum.cy, size.cy);
    }
}

bool BarSizes::Save(const std::string &profile, int id) const
{
    const std::string section = Section(profile, id) + ".";
    bool saved = true;
    try {
        for (int where = kHorz; where <= kFloat; ++where) {
            saved = Settings::Set(section + kKeys[where][0], std::to_string(m_sizes[where].cx)) && saved;
            saved = Settings::Set(section + kKeys[where][1], std::to_string(m_sizes[where].cy)) && saved;
        }
    } catch (const SgError &) {
        // A profile name with '=' or a line break cannot name a key.
        return false;
    }
    return saved;
}

} // namespace fennix
