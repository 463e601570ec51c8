#pragma once
// How a dragged object rests on another: the path of the passive object it
// slides on, the face of the passive object's box it slides on, and the face
// of its own box that touches it. Every object keeps one; the drag tools read
// and change it.
#include "engine/core/SgPath.h"
#include "utilities/math/Range.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

class NODARA_API CConstraintRule {
public:
    using BoxFace = Range<Vec3f>::BOX3_SIZE;

    // An object rests by its bottom face on the top face of the other.
    CConstraintRule() = default;

    SgPath &GetPassivePath() { return m_passivePath; }
    const SgPath &GetPassivePath() const { return m_passivePath; }
    void SetPassivePath(const SgPath &path) { m_passivePath = path; }
    BoxFace GetPassiveSize() const { return m_passiveSize; }
    void SetPassiveSize(BoxFace face) { m_passiveSize = face; }
    BoxFace GetActiveSize() const { return m_activeSize; }
    void SetActiveSize(BoxFace face) { m_activeSize = face; }

private:
    SgPath m_passivePath;
    BoxFace m_passiveSize = Range<Vec3f>::Z_MAX;
    BoxFace m_activeSize = Range<Vec3f>::Z_MIN;
};
