#include "engine/nodes/properties/TextureBundle.h"

#include <algorithm>

#include "engine/core/SgGroup.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/nodes/properties/SgTexture2Transform.h"
#include "engine/nodes/properties/SgTextureFunction.h"
#include "engine/nodes/properties/SgTextureUnit.h"
#include "platform/SgDiagnostics.h"

static_assert(TextureBundle::kUnits == SgTextureUnit::kMaxUnits, "one bundle record per texture unit");

void TextureBundle::Clear()
{
    for (Unit &unit : units)
        unit = Unit();
}

int scanTextureUnits(SgGroup *group, TextureBundle *bundle)
{
    if (!bundle)
        return 0;
    bundle->Clear();
    if (!group)
        return 1;
    int current = 0;
    int highest = 0;
    for (SgNode *child : group->GetChildList()) {
        const int classId = child->GetClassID();
        TextureBundle::Unit &record = bundle->units[current];
        if (classId == SgTextureUnit::ClassID()) {
            auto *unitNode = static_cast<SgTextureUnit *>(child);
            const int unit = unitNode->m_unit.Get();
            if (!SgTextureUnit::IsValidUnit(unit)) {
                SgDiagWarning("Texture", "scanTextureUnits: texture unit %d is outside 0..%d; the node is passed over",
                              unit, TextureBundle::kUnits - 1);
                continue;
            }
            bundle->units[unit].unit = unitNode;
            current = unit;
            highest = std::max(highest, unit);
        } else if (classId == SgTextureFunction::ClassID()) {
            record.function = static_cast<SgTextureFunction *>(child);
        } else if (classId == SgTexture2Transform::ClassID()) {
            record.transform = static_cast<SgTexture2Transform *>(child);
        } else if (classId == SgTexture2D::ClassID()) {
            record.texture = static_cast<SgTexture2D *>(child);
        }
    }
    return highest + 1;
}
