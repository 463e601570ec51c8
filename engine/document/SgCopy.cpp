#include "engine/document/SgCopy.h"

#include <optional>
#include <string>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/actions/SgCopyAction.h"
#include "engine/core/SgPathList.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgError.h"

SgCopy::Entry::Entry(const SgPath &p) : path(p)
{
    for (SgNode *node : path.GetNodes()) {
        // An uncounted node (never owned) would be freed by the reference
        // let go; it is named without one.
        if (node && node->GetRefCount() > 0)
            keep.emplace_back(node);
    }
}

SgCopy::~SgCopy() = default;

void SgCopy::CheckIndex(int index) const
{
    if (index < 0 || index >= GetCount())
        throw SgInvalidArgument("copy buffer index " + std::to_string(index) + " outside 0.." +
                                std::to_string(GetCount() - 1));
}

int SgCopy::AddToBuffer(const SgPath &path)
{
    m_buffer.emplace_back(path);
    return GetCount() - 1;
}

void SgCopy::Clone(const SgPathList &paths)
{
    RemoveAll();
    const SgPathList saved(paths);
    if (saved.IsEmpty())
        return;
    // All copies of one command are undone together.
    std::optional<SgKeyPoint> keyPoint;
    if (m_bDeepCopy)
        keyPoint.emplace(saved.GetAt(saved.GetFirst()).FindDocInPath());
    for (POSITION pos = saved.GetFirst(); pos;) {
        SgPath path = saved.GetNext(pos);
        if (m_bDeepCopy)
            DeepCopy(path);
        else
            AddToBuffer(path);
    }
}

SgPath SgCopy::GetPath(int index) const
{
    CheckIndex(index);
    return m_buffer[index].path;
}

void SgCopy::UpdateList(int index, const SgPath &path)
{
    CheckIndex(index);
    m_buffer[index] = Entry(path);
}

int SgCopy::FindPath(const SgPath &path) const
{
    for (int i = 0; i < GetCount(); ++i) {
        if (m_buffer[i].path == path)
            return i;
    }
    return -1;
}

SgNode *SgCopy::DeepCopy(SgPath path)
{
    if (path.IsEmpty())
        return nullptr;
    SgNode *source = path.GetLastElement();
    SgCopyAction copy;
    if (!copy.Apply(source) || !copy.GetResult())
        return nullptr;
    SgRef<SgNode> result(copy.GetResult());
    path.CutToObject(0, true, false);
    if (path.IsEmpty())
        return nullptr;
    // Next to the source: a copied object beside the object in its parent, a
    // copied part of an object beside that part.
    SgNode *holder = path.GetLastElement();
    if (holder == source) {
        if (path.GetCount() < 2)
            return nullptr;
        holder = path[path.GetCount() - 2];
    }
    if (!holder || !holder->IsGroup() || !static_cast<SgGroup *>(holder)->AddChildAfter(result.get(), source))
        return nullptr;
    return result.get();
}

std::vector<SgObject *> SgCopy::Paste(SgSeparator *separator)
{
    std::vector<SgObject *> pasted;
    if (!separator || m_buffer.empty())
        return pasted;
    SgKeyPoint keyPoint(separator->GetDocument());
    for (const Entry &entry : m_buffer) {
        SgObject *source = entry.path.IsEmpty() ? nullptr : AsSgObject(entry.path.GetObject(true));
        if (!source)
            continue;
        SgCopyAction copy;
        if (!copy.Apply(source) || !copy.GetResult())
            continue;
        SgRef<SgNode> result(copy.GetResult());
        SgObject *object = AsSgObject(result.get());
        // Refused when the separator lies inside the source itself.
        if (object && separator->AddChild(object))
            pasted.push_back(object);
    }
    return pasted;
}

SgSeparator *SgCopy::CopyView(SgSeparator *tree)
{
    if (!tree)
        return nullptr;
    SgCopyAction copy;
    if (!copy.Apply(tree) || !copy.GetResult())
        return nullptr;
    SgNode *result = copy.GetResult();
    if (!result->IsSeparator()) {
        SgFieldMngr::Destroy(result);
        return nullptr;
    }
    return static_cast<SgSeparator *>(result);
}

bool SgCopy::IsClone(const SgPath &path)
{
    for (SgNode *node : path.GetNodes()) {
        if (node && node->IsObject() && node->IsClone())
            return true;
    }
    return false;
}

SgObject *SgCopy::GetLastObject(const SgPath &path)
{
    return path.IsEmpty() ? nullptr : FindLastObject(AsSgObject(path.GetObject(true)));
}

SgObject *SgCopy::FindLastObject(SgObject *object)
{
    if (!object || !object->IsClone())
        return object;
    const SgSeparator *content = object->GetInnerGroup();
    if (!content || content->GetChildsCount() == 0)
        return object;
    SgObject *shown = AsSgObject(content->GetChild(0));
    return shown ? shown : object;
}

Range<Vec3f> SgCopy::CalcBoundingBox(const SgPath &path)
{
    SgSeparator *object = path.IsEmpty() ? nullptr : path.GetObject(true);
    if (!object)
        return Range<Vec3f>();
    SgPath alone(*object);
    return SgBoundingBoxAction::CalcBoundingBox(alone);
}

double SgCopy::CalculateCloneOffset(const SgPath &path, double factor)
{
    const Range<Vec3f> box = CalcBoundingBox(path);
    return (Vec3(box.GetMax()) - Vec3(box.GetMin())).Length() * factor;
}

SgObject *SgCopy::CreateClone(const SgPath &source, SgPath &target)
{
    auto *clone = new SgObject(true, true);
    clone->SetName(kCloneName);
    // The object shown keeps its name, place and transform: the clone's own
    // transform acts on top of them, so a clone of a plain object stands on
    // it as it is, and a clone of a clone stands on that clone.
    if (SgObject *shown = GetLastObject(source))
        clone->AddChild(shown);
    clone->SetClone(true);

    SgObject *sourceObject = source.IsEmpty() ? nullptr : AsSgObject(source.GetObject(true));
    if (sourceObject && IsClone(source)) {
        SgTransform *from = sourceObject->GetTransform(false);
        SgFieldMngr *to = clone->GetTransform(true);
        if (from && to)
            SgCopyAction::copyFields(from, to);
    }

    target = source;
    target.CutToObject(-1, true, false);
    target.Append(clone);
    return clone;
}

std::vector<SgObject *> SgCopy::PasteClone(SgSeparator *separator)
{
    std::vector<SgObject *> pasted;
    if (!separator)
        return pasted;
    SgKeyPoint keyPoint(separator->GetDocument());
    // The buffer keeps what was copied: each paste of it shows that again,
    // where it stands, whatever became of the clones pasted before.
    for (int index = 0; index < GetCount(); ++index)
        if (SgObject *clone = PlaceClone(separator, index, nullptr))
            pasted.push_back(clone);
    return pasted;
}

SgObject *SgCopy::PasteClone(SgSeparator *separator, const SgPath &path)
{
    const int index = FindPath(path);
    if (index < 0)
        return nullptr;
    SgPath target;
    SgObject *clone = PlaceClone(separator, index, &target);
    if (clone)
        UpdateList(index, target);
    return clone;
}

SgObject *SgCopy::PlaceClone(SgSeparator *separator, int index, SgPath *target)
{
    const SgPath source = m_buffer[index].path;
    if (!separator || !GetLastObject(source))
        return nullptr;
    SgKeyPoint keyPoint(separator->GetDocument());
    SgPath placed;
    SgRef<SgObject> clone(CreateClone(source, placed));
    // Refused when the separator lies inside the object shown: the unplaced
    // clone goes, and nothing else was touched.
    if (!separator->AddChild(clone.get()))
        return nullptr;
    if (target)
        *target = placed;
    return clone.get();
}
