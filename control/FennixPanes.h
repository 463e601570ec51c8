#pragma once
// The control's docking panes without their toolkit: which of the four
// slots (the three toolbars, then the scene-tree pane) are shown, what the
// H and S keys and OpenDialog 20-24 do to them, what ToolBarConfig means at
// start-up, and the scene-tree pane's three remembered sizes with their
// minimums in the user's settings. The control's window (control/wx) shows
// and hides the real panes through PaneView; the docking, floating and
// resizing themselves are the toolkit's.
#include <cstdint>
#include <string>
#include "control/FennixExport.h"

namespace fennix {

class FENNIX_API DockPanes {
public:
    static constexpr int kSlotCount = 4;
    // Slots 0-2 are the toolbars in order; the scene tree's pane is the last.
    static constexpr int kTreeSlot = 3;

    // What the panes look like on screen.
    class PaneView {
    public:
        virtual ~PaneView() = default;
        virtual bool HasPane(int slot) const = 0;
        virtual bool IsPaneShown(int slot) const = 0;
        virtual void ShowPane(int slot, bool show) = 0;
        // Called once after a change of one or more panes, to lay out again.
        virtual void PanesChanged() {}
    };

    explicit DockPanes(PaneView &view) : m_view(view) {}

    // ToolBarConfig 0 starts with every pane hidden (all remembered as
    // visible, so that the first toggle shows them all); any other value
    // shows them all.
    static bool ShowsPanesAtStart(std::int32_t toolBarConfig) { return toolBarConfig != 0; }
    void Start(std::int32_t toolBarConfig);
    // One slot: -1 toggles, 0 hides, any other value shows. An empty or
    // unknown slot does nothing.
    void ShowDockable(int slot, int show);
    // All slots: 0 hides, 1 (any value but 0 and -1) shows, -1 toggles:
    // hides the visible ones and remembers them, or shows the remembered
    // ones again.
    void ShowAllDocable(int show);
    // OpenDialog's pane values: 20 the scene tree, 21-23 the toolbars, 24
    // all. False for any other value (not a pane).
    bool OpenPane(int dialog);
    bool ArePanesShown() const { return m_panesShown; }

private:
    void Apply(int slot, int show);

    PaneView &m_view;
    bool m_remembered[kSlotCount] = {};
    bool m_panesShown = true;
};

// The sizes of a resizable pane docked along a top or bottom side, along a
// left or right side, and floating, with their minimums; kept in the user's
// settings under "<profile>-SCBar-<id>.<key>".
class FENNIX_API BarSizes {
public:
    struct Size {
        int cx;
        int cy;
        bool operator==(const Size &) const = default;
    };
    enum Where { kHorz, kVert, kFloat };

    static constexpr Size kMinHorz{43, 32};
    static constexpr Size kMinVert{33, 32};
    static constexpr Size kMinFloat{37, 32};
    // Larger numbers in a settings file are taken for damage, not sizes.
    static constexpr int kMaxSize = 32767;

    Size Get(Where where) const { return m_sizes[where]; }
    static Size Minimum(Where where);
    // A size below its minimum in either direction is raised to it.
    void Set(Where where, Size size);

    // "%s-SCBar-%d" of the profile name and the pane's id.
    static std::string Section(const std::string &profile, int id);
    // Reads the six numbers; each replaces its size only when it is a whole
    // number from its minimum up to kMaxSize, else the current one stays.
    void Load(const std::string &profile, int id);
    // Writes the six numbers; false when the settings file could not be written.
    bool Save(const std::string &profile, int id) const;

private:
    Size m_sizes[3] = {{200, 200}, {200, 200}, {200, 300}};
};

} // namespace fennix
