#pragma once
// The modeller window's commands: one table from which the window builds its
// menu bar, its three toolbars and its accelerators. An entry is either a
// facade command (its id is one of the facade's command ids, chosen through
// CDrevon::ApplyButton, its enable and check states asked of the facade) or
// a command of the window itself (ids from kFirstHostCommand), run by
// RunHostCommand. No toolkit here: the window supplies what needs one
// through HostActions, so the table and its routing are tested headless.
#include <string>
#include <vector>

namespace drevon {
class CDrevon;
}

namespace modeller {

enum HostCommand : int {
    kFirstHostCommand = 33000,
    kHostImportStl = kFirstHostCommand,
    kHostExportStl,
    kHostPrint,
    kHostExit,
    kHostSelectAll,
    kHostSelectNone,
    kHostSelectInvert,
    kHostShowAll,
    kHostFocusSelection,
    kHostMainToolbar,
    kHostToolsToolbar,
    kHostViewToolbar,
    kHostAbout,
    kHostFullScreen,
    kHostSelectionColor,
    kHostAttachCamera,
    kHostTestPopup,
    kHostRightMouseMenu,
    // Modelling on the selection that has no facade command id.
    kHostOffset,
    kHostCappedExtrude,
    kHostConform,
    kHostSmoothModifier,
    kHostSimplifyModifier,
    kHostMeltModifier,
    kHostWaveModifier,
    kHostTwistModifier,
    kHostBendModifier,
    kHostFreeFormModifier,
    kHostSliceModifier,
    kHostTriangulateModifier,
    kHostCreateBone,
    kHostSkin,
    kHostBackToSkin,
    // Dialogs the facade opens by their button only (no command id of its own).
    kHostModelBuilder,
    kHostMovie,
    kHostSceneTree,
    kLastHostCommand = kHostSceneTree,
};

enum Toolbar : int { kNoToolbar = -1, kMainToolbar = 0, kToolsToolbar = 1, kViewToolbar = 2, kToolbarCount = 3 };

// How an icon is made: an image of the toolkit's art provider, or one drawn
// here from a shape and a short text.
enum class Glyph { Art, Sphere, Box, Cylinder, Cone, Curve, Arrow, Fence, Rotate, Move, Scale, Pan, Zoom, Fly, View, Text };

struct CommandEntry {
    int id;
    const char *menu;         // "File", "Edit", ...
    const char *label;        // with its mnemonic ("&Open...")
    const char *tooltip;
    Glyph glyph;
    const char *art;          // the art id for Glyph::Art, the text for drawn glyphs
    const char *accelerator;  // "Ctrl+Z", "Delete", or null
    Toolbar toolbar;
    bool check;               // shows an on/off state
};

// The menus in the order of the menu bar.
const char *const *GetMenus(int &count);
const CommandEntry *GetCommands(int &count);
const CommandEntry *FindCommand(int id);
inline bool IsHostCommand(int id)
{
    return id >= kFirstHostCommand && id <= kLastHostCommand;
}

// What a host command needs of the window.
class HostActions {
public:
    virtual ~HostActions() = default;
    virtual void Print() = 0;
    virtual void Exit() = 0;
    virtual void ShowToolbar(Toolbar toolbar, bool show) = 0;
    virtual bool IsToolbarShown(Toolbar toolbar) const = 0;
    virtual void About() = 0;
    // The scene-tree pane beside the view; a window without one has none.
    virtual void ShowSceneTree(bool) {}
    virtual bool IsSceneTreeShown() const { return false; }
};

// Runs a command of the table: facade commands through ApplyButton, host
// commands here. False for an id no entry routes (nothing happened).
bool RunCommand(int id, drevon::CDrevon &facade, HostActions &actions);
// Whether the command can run now.
bool IsCommandEnabled(int id, drevon::CDrevon &facade);
// The on/off state a check entry shows.
bool IsCommandChecked(int id, drevon::CDrevon &facade, const HostActions &actions);

// The engine key codes of the accelerators without Ctrl, Alt or Shift
// (Delete, Home): the menus run those keys, so the facade's shortcuts leave them.
std::vector<int> MenuKeys();

// The facade command that --create KIND chooses ("sphere", "box",
// "cylinder"), or 0 for an unknown kind.
int CreationCommand(const std::string &kind);

} // namespace modeller
