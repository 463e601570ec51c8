#include "engine/nodes/geometry/SgScatter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/core/SgAction.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/nodes/geometry/GeometryLog.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "utilities/math/Rotation.h"

SG_CLASS_SOURCE(SgScatter, SgGeometricShape, SgFieldMngr, "SgScatter")

namespace {

SgScatter::CollectFunction s_collect = nullptr;

// The turn of a copy at one place; false leaves the turn as it stands.
bool PlaceTurn(const SgScatter::Item &item, const SgScatter::Place &place, Rotation &turn)
{
    if (item.hasNormals) {
        // An empty list, or normals that cancel, give no direction to turn to.
        if (place.normals < 1 || place.normalSum.Length() < 1e-12)
            return false;
        turn = Rotation(Vec3(0.0, 0.0, 1.0), place.normalSum);
        return true;
    }
    if (!item.radial)
        return false;
    const double x = place.local.x, y = place.local.y;
    // A place on the axis has no direction about it: no turn.
    if (std::sqrt(x * x + y * y) < 1e-5) {
        turn = Rotation();
        return true;
    }
    turn = Rotation(Vec3(0.0, 0.0, 1.0), std::atan2(y, x));
    return true;
}

} // namespace

void SgScatter::SetCollectFunction(CollectFunction collect)
{
    s_collect = collect;
}

SgScatter::CollectFunction SgScatter::GetCollectFunction()
{
    return s_collect;
}

SgScatter::SgScatter()
{
    AddField(m_mode, "mode", 0);
    AddField(m_count, "count", 1);
    AddField(m_skip, "skip", 0);
    AddField(m_showTarget, "showTarget", static_cast<unsigned short>(1));
}

void SgScatter::PlaceCopies(SgAction *action, const PlacementScope &scope)
{
    SgSeparator *group = GetSeparator();
    if (!action || !group)
        return;
    if (IsExploded()) {
        group->SgGroup::DoAction(action);
        return;
    }
    if (group->GetChildsCount() < 2)
        return;
    SgNode *first = group->GetChild(0);
    SgNode *second = group->GetChild(1);
    if (!first || !second || !first->IsObject() || !second->IsObject())
        return;
    auto *source = static_cast<SgObject *>(first);
    SgNode *target = second;
    SgSeparator *holder = source->GetGroupHolder(false);

    const SgActionKind kind = action->GetKind();
    const bool firstOnly = kind == SgActionKind::kBoundingBox || kind == SgActionKind::kBuildCache;
    const bool event = kind == SgActionKind::kEvent;

    if (m_showTarget.Get(true) != 0)
        action->Traverse(target);
    if (!s_collect) {
        GeometryLog(ReportMngr::LEVEL_WARN, "SgScatter: no shape collector is installed; nothing is placed");
        return;
    }
    std::vector<Item> items;
    if (!s_collect(action, this, target, items) || !holder)
        return;

    SgRef<SgTransform> place = new SgTransform;
    place->DisableUndo();
    const size_t stride = size_t(std::max(m_skip.Get(true), 1));
    int placed = 0;
    for (const Item &item : items) {
        for (size_t k = 0; k < item.places.size(); k += stride) {
            const Place &at = item.places[k];
            Rotation turn;
            if (PlaceTurn(item, at, turn))
                place->m_rotation.SetValuePtr(&turn, -1, false, false);
            place->m_translation.SetValuePtr(&at.world, -1, false, false);
            const auto copy = [&] {
                action->PushState();
                action->Traverse(place.get());
                action->Traverse(holder);
                action->PopState();
            };
            if (scope)
                scope(copy);
            else
                copy();
            if (firstOnly || (event && placed++ > 1))
                return;
        }
    }
}
