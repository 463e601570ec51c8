#include "tests/engine/core/TestNodes.h"

#include <algorithm>

#include "engine/core/SgAction.h"

SG_CLASS_SOURCE(TestShape, SgNode, SgFieldMngr, "TestShape")
SG_CLASS_SOURCE(TestBox, TestShape, SgFieldMngr, "TestBox")
SG_CLASS_SOURCE(TestMarker, TestShape, SgFieldMngr, "TestMarker")
SG_CLASS_SOURCE(TestGroup, SgNode, SgFieldMngr, "TestGroup")

TestShape::TestShape()
{
    AddField(m_profile, "profile");
    AddField(m_translation, "translation", Vec3(0, 0, 0));
    AddField(m_count, "count", 0);
    AddField(m_radius, "radius", 1.0);
    AddField(m_color, "color", Color(0.8, 0.8, 0.8, 1.0));
    AddField(m_rotation, "rotation", Rotation());
    AddField(m_label, "label", std::string());
    AddField(m_curve, "curve");
}

TestBox::TestBox()
{
    AddField(m_width, "width", 2.0);
    AddField(m_depth, "depth", 3.0);
}

TestGroup::~TestGroup()
{
    const std::vector<SgNode *> children = m_children;
    m_children.clear();
    for (SgNode *child : children) {
        child->DeleteFather(this);
        SgFieldMngr::Release(child);
    }
}

void TestGroup::AddChild(SgNode *child)
{
    child->AddRef();
    child->AddFather(this);
    m_children.push_back(child);
}

int TestGroup::RemoveChild(SgNode *child)
{
    auto it = std::find(m_children.begin(), m_children.end(), child);
    if (it == m_children.end())
        return 0;
    m_children.erase(it);
    child->DeleteFather(this);
    return 1;
}

void InitTestClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    SgNodara::Init();
    TestShape::InitClass();
    TestBox::InitClass();
    TestMarker::InitClass();
    TestGroup::InitClass();
    // Classes registered after start-up take their visitors from their parents.
    SgAction::ReBuildVisitorsMaps();
}
