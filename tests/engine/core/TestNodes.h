#pragma once
// Small node classes and a recording document that the kernel tests share.
#include <memory>
#include <vector>

#include "engine/SgNodara.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgUndoInfo.h"

// A node with one field of each kind the tests touch; it counts its change notices.
class TestShape : public SgNode {
    SG_CLASS_HEADER(TestShape, SgFieldMngr)
    TestShape();

    void OnChange(SgField *field) override
    {
        ++m_changes;
        SgNode::OnChange(field);
    }

    SgFNodePtr m_profile;
    SgFVec3 m_translation;
    SgFInt m_count;
    SgFDouble m_radius;
    SgFColor m_color;
    SgFRotation m_rotation;
    SgFStr m_label;
    SgFR1FuncRef m_curve;
    int m_changes = 0;

protected:
    ~TestShape() override = default;
};

// Declares two fields of its own on top of TestShape's.
class TestBox : public TestShape {
    SG_CLASS_HEADER(TestBox, SgFieldMngr)
    TestBox();

    SgFDouble m_width;
    SgFDouble m_depth;

protected:
    ~TestBox() override = default;
};

// Declares no field of its own.
class TestMarker : public TestShape {
    SG_CLASS_HEADER(TestMarker, SgFieldMngr)

protected:
    ~TestMarker() override = default;
};

// A minimal group: an ordered child list with the fathers links kept.
class TestGroup : public SgNode {
    SG_CLASS_HEADER(TestGroup, SgFieldMngr)

    bool IsGroup() const override { return true; }
    int GetNumChildren() const override { return static_cast<int>(m_children.size()); }
    SgNode *GetChild(int i) const override { return m_children[i]; }
    int RemoveChild(SgNode *child) override;
    void AddChild(SgNode *child);

    std::vector<SgNode *> m_children;

protected:
    ~TestGroup() override;
};

// Keeps the undo records and counts the scene-manager updates it is given.
class RecordingDocument : public SgDocument {
public:
    RecordingDocument() { SetUndoRecording(true); }
    void AddUndoInfo(SgUndoInfo *info) override { m_records.emplace_back(info); }
    void UpdateSceneManager(SgNode *) override { ++m_sceneUpdates; }

    std::vector<std::unique_ptr<SgUndoInfo>> m_records;
    int m_sceneUpdates = 0;
};

// Starts the engine and registers the test classes once.
void InitTestClasses();
