// The selection handler: its registration, the policy decision of a click,
// what is selectable, the callbacks' order, the apply family, deletion, and
// selected objects that stay valid while selected.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "platform/SgError.h"

namespace {

// Notes every selection and deselection callback by object name.
class NotingHandler : public SgSelectionHandler {
public:
    std::vector<std::string> events;

    void OnSelect(SgPath &path, int, int) { events.push_back("+" + Name(path)); }
    void OnDeselect(SgPath &path, int, int) { events.push_back("-" + Name(path)); }

    static std::string Name(SgPath &path)
    {
        SgSeparator *object = path.IsEmpty() ? nullptr : path.GetObject(true);
        return object ? object->GetName() : std::string("?");
    }

protected:
    ~NotingHandler() override = default;
};

class SgSelectionHandlerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = new SgSeparator;
        m_root->SetRoot(true);
        m_handler = new NotingHandler;
        m_root->AddChild(m_handler.get());
        m_handler->AddSelectionCB(static_cast<SgSelectionHandler::MemberCB>(&NotingHandler::OnSelect), 0);
        m_handler->AddDeselectionCB(static_cast<SgSelectionHandler::MemberCB>(&NotingHandler::OnDeselect));
        for (const char *name : {"a", "b", "c"})
            m_objects.push_back(AddObject(m_root.get(), name));
    }
    void TearDown() override { m_handler->DeselectAll(); }

    static SgObject *AddObject(SgGroup *parent, const char *name)
    {
        auto *object = new SgObject;
        object->SetName(name);
        parent->AddChild(object);
        return object;
    }
    SgPath PathTo(SgObject *object)
    {
        SgPathList paths;
        SgPath tail;
        paths.PathsFromNode(object, tail, nullptr);
        return paths.GetAt(paths.GetFirst());
    }
    std::string Selected()
    {
        std::string names;
        SgPathList &list = m_handler->GetPathList();
        for (POSITION pos = list.GetFirst(); pos;) {
            SgPath path = list.GetNext(pos);
            names += NotingHandler::Name(path);
        }
        return names;
    }

    SgRef<SgSeparator> m_root;
    SgRef<NotingHandler> m_handler;
    std::vector<SgObject *> m_objects;
};

TEST_F(SgSelectionHandlerTest, IsRegisteredAsAnEventHandler)
{
    const int id = SgFieldMngr::GetClassIDFromName("SgSelectionHandler");
    ASSERT_NE(id, 0);
    EXPECT_TRUE(SgFieldMngr::Family().IsDerivedFrom(id, SgEventHandler::ClassID()));
    SgRef<SgFieldMngr> made(SgFieldMngr::Create(id));
    EXPECT_NE(dynamic_cast<SgSelectionHandler *>(made.get()), nullptr);
    EXPECT_EQ(m_handler->GetHighlightMaterial()->m_diffuseColor[0].b, 1.0f);
}

TEST_F(SgSelectionHandlerTest, ClickPolicyDecidesWhatAClickDoes)
{
    struct Case {
        const char *name;
        SgSelectionHandler::Policy policy;
        bool ctrl;
        int click; // index of the object clicked, -1 for empty space
        const char *selected;
    };
    // Before each click "a" is selected.
    const Case cases[] = {
        {"replace by default", SgSelectionHandler::kByModifier, false, 1, "b"},
        {"ctrl adds", SgSelectionHandler::kByModifier, true, 1, "ab"},
        {"ctrl on a selected object deselects it", SgSelectionHandler::kByModifier, true, 0, ""},
        {"empty space clears", SgSelectionHandler::kByModifier, false, -1, ""},
        {"empty space with ctrl keeps", SgSelectionHandler::kByModifier, true, -1, "a"},
        {"replace policy ignores ctrl", SgSelectionHandler::kReplace, true, 1, "b"},
        {"toggle policy adds", SgSelectionHandler::kToggle, false, 1, "ab"},
        {"toggle policy keeps on empty space", SgSelectionHandler::kToggle, false, -1, "a"},
    };
    for (const Case &c : cases) {
        m_handler->SetPolicy(SgSelectionHandler::kByModifier);
        m_handler->SetCtrlDown(false);
        m_handler->Select(PathTo(m_objects[0]), 1);
        m_handler->SetPolicy(c.policy);
        m_handler->SetCtrlDown(c.ctrl);
        m_handler->Select(c.click < 0 ? SgPath() : PathTo(m_objects[c.click]), 1);
        EXPECT_EQ(Selected(), c.selected) << c.name;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(m_objects[i]->isSelected(), std::string(c.selected).find(m_objects[i]->GetName()) !=
                                                      std::string::npos)
                << c.name << ": selected flag of " << m_objects[i]->GetName();
        m_handler->SetPolicy(SgSelectionHandler::kByModifier);
        m_handler->DeselectAll();
    }
}

TEST_F(SgSelectionHandlerTest, UnselectableObjectsAreNeverSelected)
{
    m_objects[0]->m_selectMode = 0;
    m_objects[1]->SetSelectable(false);
    for (int flag : {0, 1}) {
        m_handler->Select(PathTo(m_objects[0]), flag);
        m_handler->Select(PathTo(m_objects[1]), flag);
    }
    m_handler->Select(m_objects[0], 0);
    EXPECT_EQ(Selected(), "");
    EXPECT_FALSE(SgSelectionHandler::IsSelectable(SgPath(*m_root))) << "a path without an object is not selectable";
    EXPECT_THROW(SgSelectionHandler::IsSelectable(SgPath()), SgInvalidArgument);
    EXPECT_THROW(m_handler->DoSelect(SgPath()), SgInvalidArgument);
}

TEST_F(SgSelectionHandlerTest, CallbacksRunInSelectionOrderAndDeselectLooksUpItsEntry)
{
    m_handler->Select(PathTo(m_objects[0]), 0);
    m_handler->Select(PathTo(m_objects[2]), 0);
    m_handler->Select(PathTo(m_objects[1]), 0);
    SgPath notSelected = PathTo(m_objects[1]);
    m_handler->Deselect(notSelected, true);
    EXPECT_EQ(Selected(), "ac");
    SgPath unselected = PathTo(m_objects[1]);
    m_handler->Deselect(unselected, true);
    EXPECT_EQ(Selected(), "ac") << "deselecting a path that is not selected should leave the others";
    m_handler->events.clear();
    m_handler->ReselectAll();
    EXPECT_EQ(m_handler->events, (std::vector<std::string>{"-a", "-c", "+a", "+c"}));
}

TEST_F(SgSelectionHandlerTest, SelectAllAndInvert)
{
    SgObject *nested = AddObject(m_objects[2], "n");
    (void)nested;
    m_handler->Select(PathTo(m_objects[1]), 0);
    m_handler->SelectInvert(m_root.get());
    EXPECT_EQ(Selected(), "ac") << "inverting selects the top objects that were not selected";
    m_handler->SelectInvert(m_root.get());
    EXPECT_EQ(Selected(), "b") << "inverting twice gives the first set back";
    m_handler->SelectAll(m_root.get());
    EXPECT_EQ(Selected(), "bac");

    SgObject *objects[2] = {};
    SgPath paths[2];
    EXPECT_EQ(m_handler->GetSelectedObjects(2, objects, paths), 2);
    EXPECT_EQ(objects[0], m_objects[1]);
    EXPECT_EQ(paths[1].GetLastElement(), m_objects[0]);
    EXPECT_EQ(m_handler->GetSelectedObjects(0, objects, paths), 0);
}

TEST_F(SgSelectionHandlerTest, SelectingManyObjectsRunsTheSelectionCallbackForABoundedNumber)
{
    const int many = SgSelectionHandler::kMaxSelectionTools * 4;
    for (int i = 0; i < many; ++i)
        m_objects.push_back(AddObject(m_root.get(), "m"));
    m_handler->SelectAll(m_root.get());
    EXPECT_EQ(m_handler->GetSelCount(), many + 3);
    int selected = 0;
    for (const std::string &event : m_handler->events)
        selected += event[0] == '+';
    EXPECT_EQ(selected, SgSelectionHandler::kMaxSelectionTools) << "a manipulator for every selected object";
    m_handler->DeselectAll();
    EXPECT_EQ(m_handler->GetSelCount(), 0);
    for (SgObject *object : m_objects)
        EXPECT_FALSE(object->isSelected());
}

// Collects the names of the objects it is run on.
struct NameOp : SelectOp {
    explicit NameOp(int recurse) : SelectOp(recurse) {}
    void operator()(SgNode *node) override { names += node->GetName(); }
    std::string names;
};

TEST_F(SgSelectionHandlerTest, ApplyFamilyVisitsTheObjectsOfTheScene)
{
    AddObject(m_objects[2], "n");
    NameOp all(1);
    m_handler->ApplyToAll(&all);
    EXPECT_EQ(all.names, "abcn");
    NameOp top(0);
    m_handler->ApplyToAll(&top);
    EXPECT_EQ(top.names, "abc") << "without recursion nothing below an object is visited";

    m_handler->Select(PathTo(m_objects[1]), 0);
    NameOp unselected(1);
    m_handler->ApplyToUnSelected(&unselected);
    EXPECT_EQ(unselected.names, "ac");
    NameOp selection(1);
    m_handler->ApplyToSelection(&selection);
    EXPECT_EQ(selection.names, "b");

    SgRef<SgSelectionHandler> loose(new SgSelectionHandler);
    EXPECT_THROW(loose->ApplyToAll(&all), SgInvalidArgument) << "a handler in no scene has nothing to apply to";
}

TEST_F(SgSelectionHandlerTest, DeleteDeselectsAndTakesTheObjectOut)
{
    m_handler->Select(PathTo(m_objects[1]), 0);
    SgPath path = PathTo(m_objects[1]);
    m_handler->Delete(path);
    EXPECT_EQ(Selected(), "");
    EXPECT_EQ(m_root->IndexOf(m_objects[1]), -1);
    m_objects.erase(m_objects.begin() + 1);
    SgPath noObject(*m_root);
    EXPECT_THROW(m_handler->Delete(noObject), SgInvalidArgument);
}

TEST_F(SgSelectionHandlerTest, SelectedObjectDeletedFromTheSceneStaysValidUntilDeselected)
{
    m_handler->Select(PathTo(m_objects[1]), 0);
    m_root->DeleteChild(m_objects[1]);
    // The selection's reference keeps the object; deselecting writes its flag.
    EXPECT_EQ(Selected(), "b");
    m_handler->DeselectAll();
    EXPECT_EQ(Selected(), "");
}

TEST_F(SgSelectionHandlerTest, TopMostObjectBelowTheContextParentIsPicked)
{
    SgObject *inner = AddObject(m_objects[0], "inner");
    SgObject *deep = AddObject(inner, "deep");
    SgPath path = PathTo(deep);
    SgPath plain = path;
    SgSelectionHandler::MostTopObject(plain, m_handler.get());
    EXPECT_EQ(plain.GetLastElement(), m_objects[0]) << "without a context the top object is picked";

    m_handler->SetContextParent(m_objects[0]);
    SgPath inContext = path;
    SgSelectionHandler::MostTopObject(inContext, m_handler.get());
    EXPECT_EQ(inContext.GetLastElement(), inner) << "inside the context the object right below it is picked";
    EXPECT_EQ(m_handler->GetContextParent(), m_objects[0]);

    SgPath lowest = path;
    SgSelectionHandler::LowestObject(lowest, nullptr);
    EXPECT_EQ(lowest.GetLastElement(), deep);
}

TEST(SgSelectionHandlerDocumentTest, DocumentHandlerIsTheFirstChildOfTheRoot)
{
    std::unique_ptr<SgDocument> document(SgDocument::Create());
    SgSelectionHandler *handler = document->GetSelectionHandler();
    ASSERT_NE(handler, nullptr);
    EXPECT_EQ(handler->GetFirstFather(), document->GetNodara());
    EXPECT_EQ(handler->GetDocumentHack(), document.get());
    auto *object = new SgObject;
    document->GetNodara()->AddChild(object);
    handler->Select(object, 0);
    EXPECT_EQ(document->GetSelectionList()->GetCount(), 1);
    document->DeselectAll();
    EXPECT_EQ(handler->GetSelCount(), 0);
    EXPECT_FALSE(object->isSelected());
}

TEST(SgSelectionHandlerDocumentTest, DetachManipulatorDeselectsTheObjectInItsDocument)
{
    std::unique_ptr<SgDocument> document(SgDocument::Create());
    SgSelectionHandler *handler = document->GetSelectionHandler();
    ASSERT_NE(handler, nullptr);
    auto *object = new SgObject;
    auto *other = new SgObject;
    document->GetNodara()->AddChild(object);
    document->GetNodara()->AddChild(other);
    handler->Select(object, 0);
    handler->Select(other, 0);
    ASSERT_EQ(handler->GetSelCount(), 2);
    object->DetachManipulator();
    EXPECT_EQ(handler->GetSelCount(), 1) << "only the object itself leaves the selection";
    EXPECT_FALSE(object->isSelected());
    EXPECT_TRUE(other->isSelected());
    SgRef<SgObject> loose = new SgObject;
    loose->DetachManipulator(); // no document: nothing to do
    document->DeselectAll();
}

} // namespace
