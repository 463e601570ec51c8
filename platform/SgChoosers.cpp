#include "platform/SgChoosers.h"

#include <utility>

namespace {

std::optional<SgRgb8> NoColor(const SgRgb8 &)
{
    return std::nullopt;
}

int NoItem(const std::vector<SgPopupItem> &, SgPlatformWindow *)
{
    return 0;
}

ColorChooser &ColorSlot()
{
    static ColorChooser chooser = NoColor;
    return chooser;
}

std::optional<std::string> NoFolder(const std::string &, const std::string &)
{
    return std::nullopt;
}

FolderChooser &FolderSlot()
{
    static FolderChooser chooser = NoFolder;
    return chooser;
}

PopupMenuChooser &PopupSlot()
{
    static PopupMenuChooser chooser = NoItem;
    return chooser;
}

} // namespace

const ColorChooser &GetColorChooser()
{
    return ColorSlot();
}

ColorChooser SetColorChooser(ColorChooser chooser)
{
    ColorChooser previous = std::move(ColorSlot());
    ColorSlot() = chooser ? std::move(chooser) : ColorChooser(NoColor);
    return previous;
}

std::optional<SgRgb8> ChooseColor(const SgRgb8 &initial)
{
    // A copy: the chooser may install another while it runs.
    ColorChooser chooser = GetColorChooser();
    return chooser(initial);
}

const PopupMenuChooser &GetPopupMenuChooser()
{
    return PopupSlot();
}

PopupMenuChooser SetPopupMenuChooser(PopupMenuChooser chooser)
{
    PopupMenuChooser previous = std::move(PopupSlot());
    PopupSlot() = chooser ? std::move(chooser) : PopupMenuChooser(NoItem);
    return previous;
}

int ChoosePopupItem(const std::vector<SgPopupItem> &items, SgPlatformWindow *window)
{
    PopupMenuChooser chooser = GetPopupMenuChooser();
    return chooser(items, window);
}

const FolderChooser &GetFolderChooser()
{
    return FolderSlot();
}

FolderChooser SetFolderChooser(FolderChooser chooser)
{
    FolderChooser previous = std::move(FolderSlot());
    FolderSlot() = chooser ? std::move(chooser) : FolderChooser(NoFolder);
    return previous;
}

std::optional<std::string> ChooseFolder(const std::string &title, const std::string &initial)
{
    FolderChooser chooser = GetFolderChooser();
    return chooser(title, initial);
}
