#include "control/FennixDispatchDocs.h"

#include <map>

namespace fennix {

namespace {

const char *const kNodeOrZero = "a handle, or 0 for none";

std::map<std::string, DispDoc> MakeDocs()
{
    // What a script author needs beside the types: each parameter's name and
    // meaning, and what the result says. Properties are read with no
    // parameter and set with `value`.
    return {
        {"FileName", {"The scene file the control shows; setting it opens that file (an error, and nothing changed, when it cannot be read).", {{"value", "a file path"}}, "the path, \"\" when the scene is untitled"}},
        {"N1", {"A number kept for the host.", {{"value", "any 32-bit integer"}}, "the number"}},
        {"BGColor", {"The view's background as 0x00BBGGRR.", {{"value", "the colour"}}, "the colour"}},
        {"Cookies", {"A text kept for the host.", {{"value", "any text"}}, "the text"}},
        {"file", {"A whole scene given as text; it replaces the scene, which becomes untitled.", {{"value", "scene text"}}, "the text last given"}},
        {"texturePath", {"Folders searched for textures, each closed by \";\".", {{"value", "the folders"}}, "the folders"}},
        {"ClientFrame", {"-1: the view has a sunken edge while panes stand beside it.", {{"value", "-1 or 0"}}, "the value"}},
        {"ToolBarConfig", {"Which panes show at start (0: none).", {{"value", "the configuration"}}, "the configuration"}},
        {"CacheLoadedUrl", {"Whether files fetched from addresses are kept.", {{"value", "0 or 1"}}, "the value"}},
        {"RotateSceneTool", {"Turns on the tool that turns the view.", {}, ""}},
        {"FlyThroughTool", {"Turns on the fly-through tool.", {}, ""}},
        {"SelectionHandlebox", {"The handles new selections get.", {{"kind", "the manipulator's kind"}}, ""}},
        {"BooleanOperation", {"A Boolean of the two selected objects.", {{"operation", "the operation's code"}}, ""}},
        {"DeleteOperation", {"Deletes the selection.", {}, ""}},
        {"CreatePolyline", {"Starts drawing a curve.", {{"kind", "the curve's kind"}}, ""}},
        {"EditPolyline", {"Edits the selected curve's points.", {}, ""}},
        {"Extrude", {"Extrudes the selected curve.", {}, ""}},
        {"Clone", {"Copies the selection.", {}, ""}},
        {"PasteClone", {"Pastes what Clone copied.", {}, ""}},
        {"LoadFile", {"Reads a scene file.", {{"name", "a file path; \"\" lets the user pick one (for a script: none)"}, {"replace", "true: it replaces the scene, false: it is added"}, {"root", std::string("where it is added: ") + kNodeOrZero}}, ""}},
        {"OpenTree", {"Kept for old callers; does nothing.", {}, ""}},
        {"Redraw", {"Draws the views again.", {}, ""}},
        {"OnCreateTool", {"Starts a creation tool.", {{"tool", "the creation command's code"}}, ""}},
        {"OnExtrude", {"As Extrude.", {}, ""}},
        {"GroupSelection", {"Groups or ungroups the selection.", {{"group", "true: group, false: ungroup"}}, ""}},
        {"Undo", {"Takes back the last step, or does it again.", {{"redo", "false: undo, true: redo"}}, ""}},
        {"SelectByFence", {"Starts selecting with a rubber band.", {}, ""}},
        {"Scatter", {"Scatters copies of the selection.", {}, ""}},
        {"TogleStyle", {"Switches a drawing style.", {{"style", "the style's code"}}, ""}},
        {"Save", {"Saves the scene (an error when nothing was written: no name given, or the write failed).", {{"mode", "0: under its name (an untitled scene asks for one), 1: under a new name, 2: the layout"}}, ""}},
        {"ToggleGrid", {"Shows or hides the grid.", {}, ""}},
        {"Play", {"Starts or stops the animation (an error without a view).", {}, ""}},
        {"Navigate", {"Moves the selection through the scene.", {{"direction", "the direction's code"}}, ""}},
        {"SetFieldVal", {"Sets a field of a named node from its scene text (an error when nothing changed).", {{"node", "the node's name"}, {"field", "the field's name"}, {"text", "the value as in a scene file"}}, ""}},
        {"GetFieldValue", {"A field of a named node as scene text.", {{"node", "the node's name"}, {"field", "the field's name"}}, "the text, \"\" when there is no such field"}},
        {"WrapAlongSpline", {"Wraps the selection along a curve.", {}, ""}},
        {"EnableEvent", {"Turns on ClickEvent (any kind but 3) or follows the frames of the view in use (3).", {{"kind", "the event kind"}}, ""}},
        {"OnOpenTree", {"Opens the scene-tree dialog.", {}, ""}},
        {"CreateViewer", {"Opens a view of the scene in a window of its own.", {{"name", "the window's title, or \"fullscreen\""}, {"width", "pixels, at most the screen's"}, {"height", "pixels, at most the screen's"}}, "the view's handle (at least 1025)"}},
        {"ChangeView", {"Looks at the scene from a standard direction.", {{"view", "the direction's code"}}, ""}},
        {"CameraMode", {"Perspective or parallel projection.", {{"mode", "the mode"}}, ""}},
        {"ZoomTool", {"Turns on the zoom tool.", {}, ""}},
        {"AnimationOp", {"Kept for old callers; does nothing.", {{"operation", "ignored"}}, ""}},
        {"OpenDialog", {"Opens a dialog (80-86, 90, 95) or toggles a pane (20-23, 24 all).", {{"dialog", "the dialog's code"}, {"name", "for 95: the custom dialog's name"}}, ""}},
        {"ActivateViewTool", {"Turns on a view tool.", {{"tool", "1 turn, 2 zoom, 3 pan, 4 fly"}}, ""}},
        {"GetStateInt", {"Kept for old callers.", {{"which", "ignored"}}, "0"}},
        {"TestFunc", {"Starts the compound-object tool.", {{"kind", "the tool's kind"}, {"text", "ignored"}}, "\"\""}},
        {"SetHtmlDocument", {"Kept for old callers; does nothing.", {{"document", "ignored"}}, ""}},
        {"SaveToString", {"The whole scene as scene text.", {}, "the text"}},
        {"TextureDialog", {"Opens the texture dialog.", {}, ""}},
        {"GetThumbnail", {"A picture of the view.", {{"width", "pixels"}, {"height", "pixels"}}, "a BMP file in base64"}},
        {"Select", {"Turns on selecting.", {{"mode", "ignored"}}, ""}},
        {"MaterialDialog", {"Opens the colour (0) or texture (1) dialog.", {{"which", "0 or 1"}}, ""}},
        {"UndoOp", {"An undo operation.", {{"operation", "the operation's code"}}, ""}},
        {"CreateNode", {"Makes a node, outside the scene until inserted.", {{"class", "the node's class (\"Sphere\", \"Cube\", \"Transform\", ...)"}}, "its handle, 0 for an unknown class"}},
        {"InsertNode", {"Puts a node into a group.", {{"parent", std::string("the group: ") + kNodeOrZero + " (the scene)"}, {"node", "the node's handle"}, {"where", "0: before the reference, 1: after it"}, {"reference", kNodeOrZero}}, "1 when inserted, 0 otherwise"}},
        {"SetVal", {"Sets a field from its scene text.", {{"node", "a handle (a whole number) or a node's name"}, {"field", "the field's name"}, {"text", "the value as in a scene file"}}, "1 when set, 0 otherwise"}},
        {"SetAppParam", {"Keeps a named value for the host (at most 100 names).", {{"name", "compared without case"}, {"value", "any value"}}, ""}},
        {"GetAppParam", {"A value SetAppParam kept.", {{"name", "compared without case"}}, "the value, null when none"}},
        {"FindNode", {"Finds a node by name.", {{"below", "0 the scene, 1 the first selected node, 2 the next selected, or a handle to search below"}, {"name", "the node's name"}}, "its handle, 0 when none"}},
        {"RemoveChild", {"Takes a node out of a group.", {{"parent", std::string("the group: ") + kNodeOrZero + " (the scene)"}, {"child", "the node's handle"}}, "1 when removed, 0 otherwise"}},
        {"SaveToUrl", {"Not supported: an error.", {{"url", "an address"}, {"options", "ignored"}}, "never given (the reply is an error)"}},
        {"AboutBox", {"Shows the about box (the reply does not wait for it).", {}, ""}},
        {"SetCurrentLayer", {"The layer new objects join.", {{"layer", "the layer's index"}}, ""}},
        {"GetCurrentLayer", {"The layer new objects join.", {}, "its index"}},
        {"AddLayer", {"Adds a layer (or finds one of that name).", {{"name", "the layer's name"}, {"flags", "ignored"}}, "the layer's index"}},
        {"SetLayerMode", {"Shows or hides a layer.", {{"layer", "the layer's index"}, {"on", "0 or not 0"}}, ""}},
        {"Refresh", {"Draws the views again.", {{"what", "the refresh's code"}}, ""}},
        {"ModifyView", {"Moves the view.", {{"how", "the move's code"}, {"x", "a number"}, {"y", "a number"}}, ""}},
        {"PlugTo", {"Drives one field by another.", {{"output", "the handle of the driving node"}, {"outputField", "its field"}, {"input", "the handle of the driven node"}, {"inputField", "its field"}}, ""}},
        {"GetVal", {"A field as scene text.", {{"node", "a handle (a whole number) or a node's name"}, {"field", "the field's name"}}, "the text, \"\" when there is no such node or field"}},
        {"AddRef", {"Holds the node once more (let go with Release).", {{"node", "a handle"}}, ""}},
        {"GetToolState", {"Whether a dialog is open.", {{"dialog", "the dialog's code (80-97)"}}, "1 when open, 0 otherwise"}},
        {"IsNull", {"Whether the value is the integer 0.", {{"value", "any value"}}, "1 or 0"}},
        {"AttachToGroup", {"Moves an object into or out of a group object.", {{"group", "the group object's handle"}, {"object", "the object's handle"}, {"attach", "not 0: attach, 0: detach"}}, "1 when done, 0 otherwise"}},
        {"ModelInfo", {"Facts about the scene.", {{"what", "1: the texture files used"}, {"root", kNodeOrZero}}, "the texture files, each closed by \";\""}},
    };
}

} // namespace

const DispDoc *FindDoc(const std::string &name)
{
    static const std::map<std::string, DispDoc> docs = MakeDocs();
    const auto it = docs.find(name);
    return it == docs.end() ? nullptr : &it->second;
}

} // namespace fennix
