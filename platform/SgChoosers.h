#pragma once
// The two small modal questions library code may ask besides messages and
// file names: a colour, and a choice from a menu that pops up over a
// window. The host installs the toolkit's versions; the defaults answer as
// a user who cancels, so the same code runs headless and tests script the
// answers.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>
#include "platform/PlatformExport.h"

class SgPlatformWindow;

struct PLATFORM_API SgRgb8 {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const SgRgb8 &) const = default;
};

// Shows a colour chooser starting at `initial`; no value when cancelled.
using ColorChooser = std::function<std::optional<SgRgb8>(const SgRgb8 &initial)>;
PLATFORM_API const ColorChooser &GetColorChooser();
// Installs `chooser` (an empty function goes back to the default) and
// returns the one it replaces.
PLATFORM_API ColorChooser SetColorChooser(ColorChooser chooser);
PLATFORM_API std::optional<SgRgb8> ChooseColor(const SgRgb8 &initial);

// One line of a pop-up menu; id 0 is a separator line.
struct PLATFORM_API SgPopupItem {
    int id = 0;
    std::string label;
    bool checkable = false;
    bool checked = false;
};
// Shows the items at the mouse cursor over `window` and returns the chosen
// item's id; 0 when nothing was chosen.
using PopupMenuChooser = std::function<int(const std::vector<SgPopupItem> &items, SgPlatformWindow *window)>;
PLATFORM_API const PopupMenuChooser &GetPopupMenuChooser();
PLATFORM_API PopupMenuChooser SetPopupMenuChooser(PopupMenuChooser chooser);
PLATFORM_API int ChoosePopupItem(const std::vector<SgPopupItem> &items, SgPlatformWindow *window);

// Shows a folder chooser titled `title` starting at `initial`; no value
// when cancelled.
using FolderChooser = std::function<std::optional<std::string>(const std::string &title, const std::string &initial)>;
PLATFORM_API const FolderChooser &GetFolderChooser();
PLATFORM_API FolderChooser SetFolderChooser(FolderChooser chooser);
PLATFORM_API std::optional<std::string> ChooseFolder(const std::string &title, const std::string &initial);
