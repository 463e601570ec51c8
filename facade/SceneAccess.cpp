// What a host reads and writes by name: field values in their scene text,
// nodes found by name or through the selection, nodes made by class name and
// put into the scene, bounding boxes, and the layer table.
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/DxModule.h"
#include "engine/core/SgField.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "facade/SceneAccess.h"

#include "facade/CDrevon.h"
#include "platform/SgDiagnostics.h"
#include "facade/FacadePackage.h"

namespace drevon {

namespace {

// Class names are formed as "Sg" + name in a buffer of this size.
constexpr size_t kClassNameRoom = 224;
// A walk up the fathers of a node never goes deeper than this.
constexpr int kMaxDepth = 100000;

// Whether `node` is `ancestor` or lies below it.
bool IsAtOrBelow(const SgNode *node, const SgNode *ancestor, int depth = 0)
{
    if (node == ancestor)
        return true;
    if (!node || depth > kMaxDepth)
        return false;
    for (SgNode *father : node->GetFatherList())
        if (father->IsGroup() && IsAtOrBelow(father, ancestor, depth + 1))
            return true;
    return false;
}

} // namespace

// ---- Fields -------------------------------------------------------------------------------------------

SgField *SceneAccess::GetField(SgNode *node, const char *name)
{
    return node && name ? node->GetFieldAddressByName(name) : nullptr;
}

std::string SceneAccess::GetFieldStr(SgNode *node, const char *name)
{
    SgField *field = GetField(node, name);
    if (!field)
        return "";
    std::ostringstream text;
    field->WriteToStream(text, 0, -1);
    return text.str();
}

SgField *SceneAccess::FindField(const char *nodeName, const char *fieldName, SgViewer *)
{
    // Every viewer of the document shows its scene root.
    SgNode *node = FindNode(nodeName, static_cast<SgNode *>(nullptr));
    return GetField(node, fieldName);
}

std::string SceneAccess::GetFieldValue(const char *nodeName, const char *fieldName)
{
    return GetFieldStr(FindNode(nodeName, static_cast<SgNode *>(nullptr)), fieldName);
}

double SceneAccess::GetFieldDouble(const char *nodeName, const char *fieldName)
{
    const std::string text = GetFieldValue(nodeName, fieldName);
    double value = 0.0;
    if (std::sscanf(text.c_str(), "%lf", &value) != 1)
        return 0.0;
    return value;
}

int SceneAccess::SetFieldValue1(SgField *field, const char *text)
{
    if (!field || !text)
        return 0;
    // The whole text must be one value of the field: it is tried on a loose
    // field of the same class first, so that a text with something after
    // the value changes nothing either.
    std::unique_ptr<SgField> trial(SgField::Create(field->GetClassID()));
    if (trial) {
        std::istringstream probe(text);
        trial->ReadFromStream(probe, false);
        if (probe.fail())
            return 0;
        probe >> std::ws;
        if (!probe.eof())
            return 0;
    }
    // A read that fails leaves the field as it was and the stream failed.
    std::istringstream in(text);
    field->ReadFromStream(in, true);
    return in.fail() ? 0 : 1;
}

int SceneAccess::SetFieldValue(SgNode *node, const char *fieldName, const char *text)
{
    if (!node || !fieldName || !text)
        return 0;
    if (std::strcmp(fieldName, "name") == 0) {
        node->SetName(text);
        return 1;
    }
    const int result = SetFieldValue1(GetField(node, fieldName), text);
    if (result)
        m_facade.Redraw();
    return result;
}

int SceneAccess::SetFieldValue(const char *nodeName, const char *fieldName, const char *text)
{
    const int result = SetFieldValue1(FindField(nodeName, fieldName), text);
    if (result)
        m_facade.Redraw();
    return result;
}

bool SceneAccess::PlugTo(SgFieldMngr *output, const char *outName, SgFieldMngr *input, const char *inName)
{
    SgField *from = output && outName ? output->GetFieldAddressByName(outName) : nullptr;
    SgField *to = input && inName ? input->GetFieldAddressByName(inName) : nullptr;
    if (!from || !to || from == to)
        return false;
    return from->AsOutput().Connect(to->AsInput());
}

// ---- Nodes ----------------------------------------------------------------------------------------------

SgNode *SceneAccess::FindNode(const char *name, SgNode *root)
{
    SgDocument *document = m_facade.GetDocument();
    if (!document || !name)
        return nullptr;
    return document->FindNode(name, root ? root : m_facade.GetRoot());
}

SgNode *SceneAccess::FindNode(const char *name, NodeRoot root)
{
    SgSelectionHandler *selection = m_facade.Selection();
    switch (root) {
    case NodeRoot::Document:
        return FindNode(name, static_cast<SgNode *>(nullptr));
    case NodeRoot::Selection: {
        if (!selection || selection->GetSelCount() == 0) {
            m_iSelectionWalk = -1;
            return nullptr;
        }
        // The walk goes on from the next selected path.
        m_iSelectionWalk = 1;
        const SgPathList &list = selection->GetPathList();
        SgPath path = list.GetAt(list.GetFirst());
        return path.IsEmpty() ? nullptr : path.GetLastElement();
    }
    case NodeRoot::SelectionWalk: {
        if (!selection || m_iSelectionWalk < 0 || m_iSelectionWalk >= selection->GetSelCount()) {
            m_iSelectionWalk = -1;
            return nullptr;
        }
        const SgPathList &list = selection->GetPathList();
        POSITION pos = list.GetFirst();
        for (int i = 0; i < m_iSelectionWalk && pos; ++i)
            list.GetNext(pos);
        ++m_iSelectionWalk;
        if (!pos)
            return nullptr;
        SgPath path = list.GetAt(pos);
        return path.IsEmpty() ? nullptr : path.GetLastElement();
    }
    default:
        // The other reserved values find nothing, and so does any value
        // outside the reserved ones: a root value is never an address.
        return nullptr;
    }
}

SgNode *SceneAccess::CreateNode(const char *className)
{
    if (!className)
        return nullptr;
    if (std::strlen(className) + 3 > kClassNameRoom) {
        SgDiagWarning(kPackage, "CreateNode: a class name of %zu characters names no class", std::strlen(className));
        return nullptr;
    }
    const std::string name = std::string("Sg") + className;
    const int classId = SgFieldMngr::GetClassIDFromName(name.c_str());
    if (classId <= 0)
        return nullptr;
    SgFieldMngr *made = SgFieldMngr::Create(classId);
    if (!made)
        return nullptr;
    if (!made->IsNode()) {
        // Engines and other containers are no nodes to put into a scene.
        SgFieldMngr::Destroy(made);
        return nullptr;
    }
    return static_cast<SgNode *>(made);
}

int SceneAccess::InsertNode(SgNode *parent, SgNode *node, int mode, SgNode *reference)
{
    if (!parent)
        parent = m_facade.GetRoot();
    if (!parent || !node)
        return 0;
    if (!parent->IsGroup()) {
        SgDiagWarning(kPackage, "InsertNode: a %s holds no children", parent->GetClassName());
        return 0;
    }
    if (IsAtOrBelow(parent, node)) {
        SgDiagWarning(kPackage, "InsertNode: the node would hold itself");
        return 0;
    }
    auto *group = static_cast<SgGroup *>(parent);
    if (parent->IsObject() && parent->IsSeparator() && node->IsPropertyNode())
        return static_cast<SgSeparator *>(parent)->AddPropertyNode(node, true) ? 1 : 0;
    if (mode == 1)
        return group->AddChildAfter(node, reference) ? 1 : 0;
    return group->AddChildBefore(node, reference) ? 1 : 0;
}

int SceneAccess::RemoveChild(SgNode *parent, SgNode *child)
{
    SgDocument *document = m_facade.GetDocument();
    if (!document || (parent && !parent->IsGroup()))
        return 0;
    return document->RemoveChild(static_cast<SgGroup *>(parent), child);
}

int SceneAccess::GetBoundingBox(SgNode *node, float *box)
{
    if (!node || !box)
        return 0;
    SgPath path;
    path.CreateFromNode(node);
    bool hasBox = false;
    const Range<Vec3f> range = SgBoundingBoxAction::CalcBoundingBox(path, &hasBox);
    const Vec3f lo = hasBox ? range.GetMin() : Vec3f();
    const Vec3f hi = hasBox ? range.GetMax() : Vec3f();
    const float values[6] = {lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]};
    std::memcpy(box, values, sizeof values);
    return 1;
}

// ---- Layers ---------------------------------------------------------------------------------------------

int SceneAccess::GetLayerValue(int layer, int what, void *out, size_t outSize)
{
    SgDocument *document = m_facade.GetDocument();
    if (!document)
        return 0;
    const bool known = layer >= 0 && layer < document->GetLayerCount();
    switch (what) {
    case kLayerFlags:
        return known ? document->GetLayerFlags(layer) : 0;
    case kLayerName: {
        if (!known || !out || outSize == 0)
            return 0;
        const std::string &name = document->GetLayerName(layer);
        const size_t length = std::min(name.size(), outSize - 1);
        std::memcpy(out, name.data(), length);
        static_cast<char *>(out)[length] = '\0';
        return 1;
    }
    case kLayerCurrent:
        return document->GetCurrentLayer();
    default:
        return 1;
    }
}

int SceneAccess::SetLayerValue(int layer, int what, const void *value)
{
    SgDocument *document = m_facade.GetDocument();
    if (!document)
        return 0;
    const bool known = layer >= 0 && layer < document->GetLayerCount();
    switch (what) {
    case kLayerFlags:
        if (!known || !value)
            return 0;
        document->SetLayerFlag(layer, 1, *static_cast<const int *>(value));
        m_facade.Redraw();
        return 1;
    case kLayerName:
        if (!known || !value)
            return 0;
        document->SetLayerName(layer, static_cast<const char *>(value));
        return 1;
    case kLayerAdd: {
        if (!value)
            return 0;
        if (!document->GetLayers())
            document->EnsureLayersNode();
        CLayer added;
        added.name = static_cast<const char *>(value);
        return document->AddLayer(added);
    }
    case kLayerCurrent:
        // New objects join the current layer: it must be one there is.
        if (!known)
            return 0;
        document->SetCurrentLayer(layer);
        return 1;
    default:
        return 1;
    }
}

} // namespace drevon
