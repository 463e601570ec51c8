#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgLayoutNode.h"
#include "engine/nodes/properties/SgEnvironment.h"
#include "engine/nodes/properties/SgFont.h"
#include "engine/nodes/properties/SgLayers.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "platform/SgError.h"
#include "utilities/math/Color.h"

namespace {

std::string ClassNames(const SgGroup &group)
{
    std::string names;
    for (SgNode *child : group.GetChildList())
        names += (names.empty() ? "" : ",") + std::string(child->GetClassName());
    return names;
}

class SgDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_document.reset(SgDocument::Create());
        ASSERT_NE(m_document, nullptr);
        m_root = m_document->GetNodara();
        ASSERT_NE(m_root, nullptr);
    }
    // A plain object on the given layer, added to the root.
    SgObject *AddObject(const char *name, int layer)
    {
        auto *object = new SgObject;
        object->SetName(name);
        object->m_layer = layer;
        m_root->AddChild(object);
        return object;
    }

    std::unique_ptr<SgDocument> m_document;
    SgSeparator *m_root = nullptr;
};

TEST_F(SgDocumentTest, NewDocumentHoldsTheDefaultScene)
{
    EXPECT_EQ(m_root->GetName(), "ROOT");
    EXPECT_TRUE(m_root->IsRoot()) << "the scene root should carry the document-root mark";
    EXPECT_EQ(ClassNames(*m_root), "SgLayers,SgSelectionHandler,SgMaterial,SgEnvironment,SgShapeHints");
    for (SgNode *child : m_root->GetChildList())
        EXPECT_EQ(child->GetDocument(), m_document.get()) << child->GetClassName() << " does not know its document";

    auto *material = static_cast<SgMaterial *>(m_root->GetChild(2));
    ASSERT_EQ(material->m_diffuseColor.GetCount(), 1);
    EXPECT_EQ(material->m_diffuseColor.GetValue(0, false), Color(0, 0.4, 1.0, 1.0));
    EXPECT_EQ(material->m_ambientColor.GetValue(0, false), Color(0, 0.4, 1.0, 1.0));
    EXPECT_EQ(material->m_specularColor.GetValue(0, false), Color(1, 1, 1, 1));
    EXPECT_FLOAT_EQ(material->m_shininess.GetValue(0, false), 1.0f);
    EXPECT_EQ(static_cast<SgShapeHints *>(m_root->GetChild(4))->m_shapeType.Get(false), 1);

    EXPECT_EQ(m_document->GetLayers(), m_root->GetChild(0));
    ASSERT_EQ(m_document->GetLayerCount(), 1);
    EXPECT_EQ(m_document->GetLayerName(0), "Layer0");
    EXPECT_EQ(m_document->GetLayerFlags(0), 0);
    EXPECT_EQ(m_document->GetCurrentLayer(), 0);

    ASSERT_NE(m_document->GetDefaultFont(), nullptr);
    EXPECT_EQ(m_root->IndexOf(m_document->GetDefaultFont()), -1)
        << "the default font must not be part of the scene";
    EXPECT_NE(m_document->GetStorageManager(), nullptr);
    EXPECT_NE(m_document->GetAnimationMngr(), nullptr);
    EXPECT_NE(m_document->GetCopyBuffer(), nullptr);

    EXPECT_TRUE(m_document->IsUndoRecording());
    EXPECT_FALSE(m_document->IsUndoStackNonEmpty()) << "building the default scene left undo records";
    EXPECT_EQ(m_document->GetViewerCount(), 0);
    EXPECT_EQ(m_document->GetCachedDownload(), 1);
    ASSERT_NE(m_document->GetLayoutRoot(), nullptr);
    EXPECT_EQ(m_document->GetLayoutRoot()->m_iKind, 1);
    EXPECT_EQ(m_document->GetLayoutRoot()->GetLeafCount(), 1);

    const int handles[] = {5, 2, 6, 0, -1, -1};
    for (int kind = 0; kind < 6; ++kind)
        EXPECT_EQ(m_document->GetActiveHandle(kind), handles[kind]) << "handle kind " << kind;
}

TEST_F(SgDocumentTest, AddingAnExistingLayerNameReturnsItsIndexAndAddsNothing)
{
    EXPECT_EQ(m_document->AddLayer({1, "Walls"}), 1);
    EXPECT_EQ(m_document->GetLayerFlags(1), 0) << "a new layer always starts with flags 0";
    const int records = m_document->GetUndoCount();
    EXPECT_EQ(m_document->AddLayer({0, "Walls"}), 1);
    EXPECT_EQ(m_document->AddLayer({0, "Layer0"}), 0);
    EXPECT_EQ(m_document->GetUndoCount(), records) << "an existing layer name recorded a change";
    EXPECT_EQ(m_document->AddLayer({0, "walls"}), 2) << "layer names compare case-sensitively";
    EXPECT_EQ(m_document->GetLayerCount(), 3);
    m_document->Undo();
    EXPECT_EQ(m_document->GetLayerCount(), 2) << "one undo should take back one added layer";
}

TEST_F(SgDocumentTest, DeletingALayerMovesObjectsDownAsOneUndoableStep)
{
    for (const char *name : {"L1", "L2", "L3", "L4"})
        m_document->AddLayer({0, name});
    std::vector<SgObject *> objects;
    for (int layer = 0; layer < 5; ++layer)
        objects.push_back(AddObject(("obj" + std::to_string(layer)).c_str(), layer));
    m_document->SetCurrentLayer(3);

    m_document->DeleteLayer(2);

    const int expected[] = {0, 1, 0, 2, 3};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(objects[i]->m_layer.Get(false), expected[i]) << "object that was on layer " << i;
    ASSERT_EQ(m_document->GetLayerCount(), 4);
    EXPECT_EQ(m_document->GetLayerName(2), "L3");
    EXPECT_EQ(m_document->GetCurrentLayer(), 2);

    m_document->Undo();
    EXPECT_EQ(m_document->GetLayerCount(), 5) << "one undo should bring the layer back";
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(objects[i]->m_layer.Get(false), i) << "undo left object " << i << " on another layer";

    // Out of range: nothing changes.
    m_document->DeleteLayer(7);
    EXPECT_EQ(m_document->GetLayerCount(), 5);
}

TEST_F(SgDocumentTest, ClearingTheSceneKeepsHandlersAndOptionallyLayers)
{
    struct Case {
        const char *what;
        std::function<void(SgDocument &)> clear;
        const char *left;
    };
    const Case cases[] = {
        {"ClearScene(false)", [](SgDocument &d) { d.ClearScene(false); }, "SgSelectionHandler"},
        {"ClearScene(true)", [](SgDocument &d) { d.ClearScene(true); }, "SgLayers,SgSelectionHandler"},
        {"RemoveChild(null, null)", [](SgDocument &d) { d.RemoveChild(nullptr, nullptr); },
         "SgLayers,SgSelectionHandler"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        AddObject("box", 0);
        c.clear(*m_document);
        EXPECT_EQ(ClassNames(*m_root), c.left);
    }
}

TEST_F(SgDocumentTest, RemoveChildCountsWhatItRemoved)
{
    SgObject *a = AddObject("a", 0);
    SgRef<SgSeparator> group = new SgSeparator;
    m_root->AddChild(group.get());
    group->AddChild(a);
    group->AddChild(new SgSeparator);
    EXPECT_EQ(m_document->RemoveChild(group.get(), m_root->GetChild(0)), 0) << "not a child of that group";
    EXPECT_EQ(m_document->RemoveChild(nullptr, a), 2) << "a stood in the root and in the group";
    EXPECT_EQ(m_root->IndexOf(group.get()), 5);
    EXPECT_EQ(m_document->RemoveChild(group.get(), nullptr), 1);
    EXPECT_EQ(group->GetChildsCount(), 0);
}

TEST_F(SgDocumentTest, FindsNodesAndFieldsByExactName)
{
    SgObject *box = AddObject("Box", 0);
    EXPECT_EQ(m_document->FindNode("Box"), box);
    EXPECT_EQ(m_document->FindNode("box"), nullptr);
    EXPECT_EQ(m_document->FindNode("Material"), nullptr) << "a class name is no node name";
    EXPECT_EQ(m_document->FindField(m_root, "Box", "layer"), &box->m_layer);
    EXPECT_EQ(m_document->FindField(m_root, "Nothing", "layer"), nullptr);
}

TEST_F(SgDocumentTest, LayerAndViewerIndicesOutOfRangeRaise)
{
    EXPECT_THROW(m_document->GetLayerName(1), SgInvalidArgument);
    EXPECT_THROW(m_document->GetLayerFlags(-1), SgInvalidArgument);
    EXPECT_THROW(m_document->SetLayerFlags(3, 1), SgInvalidArgument);
    EXPECT_THROW(m_document->GetViewer(0), SgInvalidArgument);
    m_document->SetLayerFlag(0, 5, 1);
    EXPECT_EQ(m_document->GetLayerFlags(0), 5);
    m_document->SetLayerFlag(0, 1, 0);
    EXPECT_EQ(m_document->GetLayerFlags(0), 4);
}

TEST_F(SgDocumentTest, NodesTheOwnerKeepsForgetTheDestroyedDocument)
{
    SgRef<SgObject> kept = AddObject("kept", 0);
    SgRef<SgSeparator> root = m_root;
    m_document.reset();
    EXPECT_EQ(kept->GetDocument(), nullptr);
    EXPECT_EQ(root->GetDocument(), nullptr);
    kept->m_layer = 3; // no document to record into
    EXPECT_EQ(kept->m_layer.Get(false), 3);
}

TEST_F(SgDocumentTest, ALayersNodeIsFoundOrMadeAfterTheSceneWasReplaced)
{
    m_document->ClearScene(false);
    EXPECT_EQ(m_document->GetLayers(), nullptr) << "a layer table that left the scene is still in use";
    EXPECT_EQ(m_document->GetLayerCount(), 0);
    EXPECT_EQ(m_document->AddLayer({0, "Lost"}), -1);
    SgLayers *layers = m_document->EnsureLayersNode();
    ASSERT_NE(layers, nullptr);
    EXPECT_EQ(m_root->GetChild(0), layers);
    EXPECT_EQ(m_document->GetLayerName(0), "Layer0");
    EXPECT_EQ(m_document->EnsureLayersNode(), layers) << "a second call should find the same node";
}

} // namespace
