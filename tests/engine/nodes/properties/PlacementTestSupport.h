#pragma once
// An action that tracks the transform, coordinate and normal elements, and a
// node that records what of them is in force where it stands, for the tests
// of the placement and vertex-data nodes.
#include <string>

#include "engine/core/SgAction.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgVecField.h"
#include "utilities/math/Mat4.h"
#include "utilities/math/Transform3.h"

class PlacementTestAction : public SgAction {
    SG_ACTION_HEADER(PlacementTestAction)
    PlacementTestAction() { InitState(); }
};

class PlacementProbe : public SgNode {
    SG_CLASS_HEADER(PlacementProbe, SgFieldMngr)

    bool AffectsState() const override { return false; }
    void DoAction(SgAction *action) override;

    Mat4 m_seenMatrix;
    SgVecField<Vec3, 7> *m_seenPoints = nullptr;
    SgVecField<Vec3f, 14> *m_seenNormals = nullptr;
    int m_visits = 0;

protected:
    ~PlacementProbe() override = default;
};

// Starts the engine and registers the two classes once.
void InitPlacementTestClasses();

// The largest difference between two matrices, element by element.
double MaxDifference(const Mat4 &a, const Mat4 &b);
// "[a b c d; ...]" for failure messages.
std::string MatrixText(const Mat4 &m);
