// The dispatch entries that reach nodes, fields, layers, modelling and the
// dialog table: handles come from the checked table and are checked coming
// back, the special roots of FindNode are values of their own, a bad field
// text changes nothing, and a boolean is one undo step.
#include <cstdint>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "dialogs/CCadDlg.h"
#include "dialogs/CDisplayDlg.h"
#include "engine/core/SgHandleTable.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgBox.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "facade/CDrevon.h"
#include "facade/CDrevonDialogs.h"
#include "tests/control/ControlTestSupport.h"

using namespace fennix;

namespace {

DispValue Handle(const DispResult &r)
{
    // As a script whose numbers are doubles sends it back.
    return DispValue::Real(static_cast<double>(r.value.integer));
}

class NodesTest : public controltest::ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        Create();
    }
    drevon::CDrevon *Facade() { return m_control.GetFacade(); }
    SgDocument *Document() { return Facade()->GetDocument(); }
    SgSeparator *Root() { return Facade()->GetRoot(); }
    DispResult Call(const char *name, DispArgs args) { return m_control.Call(name, args); }

    // A new object with a box of size 2 (or a sphere), straight under the root.
    SgObject *AddObject(const char *name, bool sphere, double x = 0)
    {
        auto *object = new SgObject(true, true);
        object->SetName(name);
        object->GetTransform(true)->m_translation.Set(Vec3(x, 0, 0));
        if (sphere) {
            auto *ball = new SgSphere;
            ball->m_radius.Set(0.8);
            object->AddChild(ball);
        } else {
            auto *box = new SgBox;
            box->m_width.Set(2.0);
            box->m_depth.Set(2.0);
            box->m_height.Set(2.0);
            object->AddChild(box);
        }
        Root()->AddChild(object);
        return object;
    }
    void Select(std::initializer_list<SgObject *> objects)
    {
        SgSelectionHandler *selection = Document()->GetSelectionHandler();
        selection->DeselectAll();
        for (SgObject *object : objects) {
            SgPath path;
            path.Append(Root());
            path.Append(object);
            selection->Select(path, 0);
        }
    }
    // The scene as SaveToString gives it, without the names the writer makes
    // up for nodes an undone step still holds.
    std::string SceneText()
    {
        std::string text = Call("SaveToString", {}).value.text;
        for (size_t at = text.find("DEF "); at != std::string::npos; at = text.find("DEF ", at)) {
            const size_t end = text.find(' ', at + 4);
            text.erase(at, end == std::string::npos ? std::string::npos : end + 1 - at);
        }
        return text;
    }
};

TEST_F(NodesTest, CreateNodeAndInsertNodePutASphereIntoTheScene)
{
    const DispResult made = Call("CreateNode", {DispValue::Str("Sphere")});
    ASSERT_TRUE(made.ok) << made.message;
    ASSERT_EQ(made.value.kind, DispValue::Kind::Integer);
    const auto handle = static_cast<SgHandleTable::Handle>(made.value.integer);
    SgFieldMngr *node = SgHandleTable::Lookup(handle);
    ASSERT_NE(node, nullptr) << "a checked handle, never an address";
    EXPECT_EQ(node->GetClassID(), SgSphere::ClassID());
    EXPECT_EQ(SceneText().find("Sphere"), std::string::npos);

    const DispResult inserted =
        Call("InsertNode", {DispValue::Real(0), Handle(made), DispValue::Int(0), DispValue::Real(0)});
    ASSERT_TRUE(inserted.ok) << inserted.message;
    EXPECT_EQ(inserted.value, DispValue::Int(1));
    EXPECT_NE(SceneText().find("Sphere"), std::string::npos);

    // Taken out again: the handle still names it, the scene no longer does.
    EXPECT_EQ(Call("RemoveChild", {DispValue::Real(0), Handle(made)}).value, DispValue::Int(1));
    EXPECT_EQ(SceneText().find("Sphere"), std::string::npos);
    EXPECT_EQ(SgHandleTable::Lookup(handle), node);

    EXPECT_EQ(Call("CreateNode", {DispValue::Str("NoSuchKind")}).value, DispValue::Int(0));
    EXPECT_EQ(Call("CreateNode", {DispValue::Str("")}).value, DispValue::Int(0));
}

TEST_F(NodesTest, FieldsRoundTripAndABadTextKeepsTheValue)
{
    const DispResult made = Call("CreateNode", {DispValue::Str("Sphere")});
    ASSERT_TRUE(Call("InsertNode", {DispValue::Real(0), Handle(made), DispValue::Int(0), DispValue::Real(0)}).ok);
    const auto handle = DispValue::Int(made.value.integer);

    EXPECT_EQ(Call("SetVal", {handle, DispValue::Str("radius"), DispValue::Str("2.5")}).value, DispValue::Int(1));
    EXPECT_EQ(Call("GetVal", {handle, DispValue::Str("radius")}).value, DispValue::Str("2.5"));
    EXPECT_EQ(Call("SetVal", {Handle(made), DispValue::Str("name"), DispValue::Str("ball")}).value, DispValue::Int(1))
        << "a handle carried in a double";
    EXPECT_EQ(Call("GetVal", {DispValue::Str("ball"), DispValue::Str("radius")}).value, DispValue::Str("2.5"))
        << "a name finds the node";
    EXPECT_EQ(Call("GetFieldValue", {DispValue::Str("ball"), DispValue::Str("radius")}).value, DispValue::Str("2.5"));
    ASSERT_TRUE(Call("SetFieldVal", {DispValue::Str("ball"), DispValue::Str("radius"), DispValue::Str("4")}).ok);
    EXPECT_EQ(Call("GetFieldValue", {DispValue::Str("ball"), DispValue::Str("radius")}).value, DispValue::Str("4"));

    struct Bad {
        const char *what;
        const char *node;
        const char *field;
        const char *text;
    };
    const Bad bad[] = {
        {"no number", "ball", "radius", "wide"},
        {"something after the value", "ball", "radius", "3 4"},
        {"an empty text", "ball", "radius", ""},
        {"no such field", "ball", "girth", "3"},
        {"no such node", "nobody", "radius", "3"},
    };
    for (const Bad &b : bad) {
        const DispResult set =
            Call("SetFieldVal", {DispValue::Str(b.node), DispValue::Str(b.field), DispValue::Str(b.text)});
        EXPECT_EQ(set.code, kErrFailed) << b.what << ": the caller hears that nothing changed";
        EXPECT_EQ(Call("SetVal", {DispValue::Str(b.node), DispValue::Str(b.field), DispValue::Str(b.text)}).value,
                  DispValue::Int(0))
            << b.what;
        EXPECT_EQ(Call("GetFieldValue", {DispValue::Str("ball"), DispValue::Str("radius")}).value,
                  DispValue::Str("4"))
            << b.what << ": the field keeps its value";
    }

    // Variants that name no node: 0 or an empty text, never an error.
    EXPECT_EQ(Call("SetVal", {DispValue::Bool(true), DispValue::Str("radius"), DispValue::Str("1")}).value,
              DispValue::Int(0));
    EXPECT_EQ(Call("SetVal", {DispValue(), DispValue::Str("radius"), DispValue::Str("1")}).value, DispValue::Int(0));
    EXPECT_EQ(Call("GetVal", {Handle(made), DispValue::Str("radius")}).value, DispValue::Str("4"))
        << "GetVal takes a handle in a double, as SetVal does";
    EXPECT_EQ(Call("GetVal", {DispValue::Real(static_cast<double>(made.value.integer) + 0.5), DispValue::Str("radius")})
                  .code,
              kErrBadHandle)
        << "a fraction is no handle";
    EXPECT_EQ(Call("GetVal", {DispValue::Str(std::string("ball\0x", 6)), DispValue::Str("radius")}).code, kErrParams)
        << "a name with a NUL inside addresses no node";
    EXPECT_EQ(Call("SetFieldVal", {DispValue::Str(std::string("ball\0x", 6)), DispValue::Str("radius"),
                                   DispValue::Str("9")}).code,
              kErrParams);
    EXPECT_EQ(Call("GetVal", {DispValue::Int(0), DispValue::Str("radius")}).value, DispValue::Str(""));
}

TEST_F(NodesTest, FindNodeByNameBelowANodeAndThroughTheSpecialRoots)
{
    SgObject *box = AddObject("box", false);
    SgObject *ball = AddObject("ball", true, 3);
    const DispResult found = Call("FindNode", {DispValue::Real(0), DispValue::Str("ball")});
    ASSERT_TRUE(found.ok) << found.message;
    EXPECT_EQ(SgHandleTable::Lookup(static_cast<SgHandleTable::Handle>(found.value.integer)), ball);
    EXPECT_EQ(Call("FindNode", {DispValue::Real(0), DispValue::Str("ball")}).value, found.value)
        << "the same handle again, held once";
    EXPECT_EQ(Call("FindNode", {DispValue::Real(0), DispValue::Str("nobody")}).value, DispValue::Int(0));
    // Below a node: the ball is not inside the box.
    const DispResult boxHandle = Call("FindNode", {DispValue::Real(0), DispValue::Str("box")});
    EXPECT_EQ(Call("FindNode", {Handle(boxHandle), DispValue::Str("ball")}).value, DispValue::Int(0));
    EXPECT_EQ(Call("FindNode", {Handle(found), DispValue::Str("ball")}).value, found.value);

    // The selection root gives the first selected node whatever the name;
    // the walk the next one, then none.
    EXPECT_EQ(Call("FindNode", {DispValue::Real(1), DispValue::Str("")}).value, DispValue::Int(0)) << "no selection";
    Select({box, ball});
    EXPECT_EQ(Call("FindNode", {DispValue::Real(1), DispValue::Str("x")}).value, boxHandle.value);
    EXPECT_EQ(Call("FindNode", {DispValue::Real(2), DispValue::Str("")}).value, found.value);
    EXPECT_EQ(Call("FindNode", {DispValue::Real(2), DispValue::Str("")}).value, DispValue::Int(0));
    for (int reserved = 3; reserved <= 9; ++reserved)
        EXPECT_EQ(Call("FindNode", {DispValue::Real(reserved), DispValue::Str("ball")}).value, DispValue::Int(0))
            << reserved;
}

TEST_F(NodesTest, StaleForgedAndWrongHandlesAreRefused)
{
    SgRef<SgNode> gone(drevon::SceneAccess::CreateNode("Sphere"));
    const auto stale = static_cast<std::int64_t>(SgHandleTable::Hold(gone.get()));
    SgHandleTable::Drop(static_cast<SgHandleTable::Handle>(stale));
    gone.reset();
    const DispResult made = Call("CreateNode", {DispValue::Str("Transform")});
    const auto good = DispValue::Int(made.value.integer);
    struct Case {
        const char *what;
        const char *method;
        DispArgs args;
    };
    const DispValue staleHandle = DispValue::Int(stale);
    const DispValue forged = DispValue::Int(0x7777700000001);
    const Case cases[] = {
        {"InsertNode of a stale node", "InsertNode", {DispValue::Real(0), staleHandle, DispValue::Int(0), DispValue::Real(0)}},
        {"InsertNode under a forged parent", "InsertNode", {forged, good, DispValue::Int(0), DispValue::Real(0)}},
        {"InsertNode after a stale reference", "InsertNode", {DispValue::Real(0), good, DispValue::Int(1), staleHandle}},
        {"RemoveChild of a forged child", "RemoveChild", {DispValue::Real(0), forged}},
        {"FindNode below a stale node", "FindNode", {staleHandle, DispValue::Str("x")}},
        {"SetVal of a stale node", "SetVal", {staleHandle, DispValue::Str("name"), DispValue::Str("x")}},
        {"GetVal of a forged node", "GetVal", {forged, DispValue::Str("name")}},
        {"PlugTo from a stale container", "PlugTo", {staleHandle, DispValue::Str("translation"), good, DispValue::Str("translation")}},
        {"AddRef of a forged handle", "AddRef", {forged}},
        {"a negative handle", "RemoveChild", {DispValue::Int(-1), good}},
    };
    for (const Case &c : cases) {
        const DispResult r = m_control.Call(c.method, c.args);
        EXPECT_EQ(r.code, kErrBadHandle) << c.what << ": " << r.message;
    }
    const Case wrongTypes[] = {
        {"a string for a handle", "InsertNode", {DispValue::Str("box"), good, DispValue::Int(0), DispValue::Real(0)}},
        {"a fraction for an I8 handle", "PlugTo", {DispValue::Real(1.5), DispValue::Str("a"), good, DispValue::Str("b")}},
        {"a number for a class name", "CreateNode", {DispValue::Int(5)}},
    };
    for (const Case &c : wrongTypes)
        EXPECT_EQ(m_control.Call(c.method, c.args).code, kErrParams) << c.what;
    const DispResult unplugged = Call("PlugTo", {good, DispValue::Str("nothing"), good, DispValue::Str("translation")});
    EXPECT_EQ(unplugged.code, kErrFailed) << "a field the node lacks";
    EXPECT_TRUE(Call("AddRef", {good}).ok);
}

TEST_F(NodesTest, LayersAreAddedMadeCurrentAndSwitched)
{
    const DispResult added = Call("AddLayer", {DispValue::Str("walls"), DispValue::Int(0)});
    ASSERT_TRUE(added.ok) << added.message;
    const int walls = static_cast<int>(added.value.integer);
    ASSERT_GE(walls, 0);
    ASSERT_LT(walls, Document()->GetLayerCount());
    EXPECT_EQ(Document()->GetLayerName(walls), "walls");
    ASSERT_TRUE(Call("SetCurrentLayer", {DispValue::Int(walls)}).ok);
    EXPECT_EQ(Call("GetCurrentLayer", {}).value, DispValue::Int(walls));
    EXPECT_EQ(Call("SetCurrentLayer", {DispValue::Int(999)}).code, kErrFailed) << "no layer 999";
    EXPECT_EQ(Call("GetCurrentLayer", {}).value, DispValue::Int(walls)) << "the current layer stays";

    ASSERT_TRUE(Call("SetLayerMode", {DispValue::Int(walls), DispValue::Int(7)}).ok);
    EXPECT_EQ(Facade()->GetSceneAccess().GetLayerValue(walls, drevon::SceneAccess::kLayerFlags, nullptr) & 1, 1);
    ASSERT_TRUE(Call("SetLayerMode", {DispValue::Int(walls), DispValue::Int(0)}).ok);
    EXPECT_EQ(Facade()->GetSceneAccess().GetLayerValue(walls, drevon::SceneAccess::kLayerFlags, nullptr) & 1, 0);
    EXPECT_EQ(Call("SetLayerMode", {DispValue::Int(-3), DispValue::Int(1)}).code, kErrFailed);
}

TEST_F(NodesTest, ABooleanOnTwoSelectedObjectsIsOneUndoStep)
{
    SgObject *box = AddObject("a", false);
    SgObject *ball = AddObject("b", true, 0.5);
    Select({box, ball});
    Document()->ResetUndo();
    const std::string before = SceneText();
    const int children = Root()->GetNumChildren();
    ASSERT_TRUE(Call("BooleanOperation", {DispValue::Int(2)}).ok);
    const std::string after = SceneText();
    ASSERT_NE(after, before);
    EXPECT_NE(after.find("Boolean"), std::string::npos) << after;
    EXPECT_EQ(Root()->GetNumChildren(), children - 1) << "the operands went into one compound object";
    Document()->GetSelectionHandler()->DeselectAll();
    ASSERT_TRUE(Call("Undo", {DispValue::Bool(false)}).ok);
    EXPECT_EQ(SceneText(), before) << "one Undo takes it back";
    EXPECT_FALSE(Document()->IsUndoStackNonEmpty()) << "more than one step";
    ASSERT_TRUE(Call("Undo", {DispValue::Bool(true)}).ok);
    EXPECT_EQ(SceneText(), after) << "one Redo does it again";

    // On one selected object it does nothing.
    Document()->ClearScene(false);
    Select({AddObject("alone", false)});
    const std::string single = SceneText();
    ASSERT_TRUE(Call("BooleanOperation", {DispValue::Int(0)}).ok);
    EXPECT_EQ(SceneText(), single);
}

// Dialogs without windows: what the facade's table is asked for.
class WindowlessDialog : public drevon::DialogInstance {
public:
    WindowlessDialog(SgDocument *document, unsigned id) : m_dialog(document, id) {}
    CCadDlg *GetDialog() override { return &m_dialog; }
    bool Create() override { return true; }
    void Show() override { m_dialog.Opened(); }
    void Raise() override {}
    void DestroyWindow() override {}

private:
    CCadDlg m_dialog;
};

class WindowlessFactory : public drevon::DialogFactory {
public:
    bool CanMake(int) const override { return true; }
    std::unique_ptr<drevon::DialogInstance> Make(drevon::CDrevon &facade, const drevon::DialogRequest &request) override
    {
        requests[request.button] = request.name ? request.name : "";
        return std::make_unique<WindowlessDialog>(facade.GetDocument(), request.dialogId);
    }
    std::map<int, std::string> requests;
};

TEST_F(NodesTest, DialogMethodsOpenThroughTheFacadesTableAndToolStatesFollow)
{
    WindowlessFactory factory;
    Facade()->GetDialogs().SetFactory(&factory);
    // Dialogs that need a selection open on one.
    Select({AddObject("box", false)});
    struct Case {
        const char *what;
        const char *method;
        DispArgs args;
        int button;
    };
    const Case cases[] = {
        {"colour through MaterialDialog(0)", "MaterialDialog", {DispValue::Int(0)}, 80},
        {"texture through MaterialDialog(1)", "MaterialDialog", {DispValue::Int(1)}, 81},
        {"light", "OpenDialog", {DispValue::Int(82), DispValue::Str("")}, 82},
        {"scene tree through OnOpenTree", "OnOpenTree", {}, 84},
        {"layers", "OpenDialog", {DispValue::Int(90), DispValue::Str("")}, 90},
        {"custom with its name", "OpenDialog", {DispValue::Int(95), DispValue::Str("mine")}, 95},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Call("GetToolState", {DispValue::Int(c.button)}).value, DispValue::Int(0)) << c.what;
        ASSERT_TRUE(m_control.Call(c.method, c.args).ok) << c.what;
        EXPECT_TRUE(factory.requests.count(c.button)) << c.what;
        EXPECT_EQ(Call("GetToolState", {DispValue::Int(c.button)}).value, DispValue::Int(1)) << c.what;
    }
    EXPECT_EQ(factory.requests[95], "mine");
    const std::size_t asked = factory.requests.size();
    EXPECT_TRUE(Call("MaterialDialog", {DispValue::Int(7)}).ok);
    EXPECT_TRUE(Call("OpenDialog", {DispValue::Int(87), DispValue::Str("")}).ok);
    EXPECT_EQ(factory.requests.size(), asked) << "other values open nothing";
    // The scene configuration dialog lies outside the system: the script is
    // told so, never left with a silent null.
    const auto configuration = Call("OpenDialog", {DispValue::Int(86), DispValue::Str("")});
    EXPECT_FALSE(configuration.ok);
    EXPECT_NE(configuration.message.find("not part of this system"), std::string::npos) << configuration.message;
    EXPECT_EQ(factory.requests.size(), asked);
    EXPECT_EQ(Call("GetToolState", {DispValue::Int(96)}).value, DispValue::Int(0));
    Facade()->GetDialogs().CloseAll();
    EXPECT_EQ(Call("GetToolState", {DispValue::Int(80)}).value, DispValue::Int(0));
    Facade()->GetDialogs().SetFactory(nullptr);
}

} // namespace

namespace {

TEST_F(NodesTest, EnableEventMakesClicksOnObjectsFireClickEventWithTheName)
{
    SgObject *box = AddObject("box", false);
    Select({box});
    EXPECT_EQ(Count("ClickEvent"), 0) << "not before EnableEvent";
    ASSERT_TRUE(Call("EnableEvent", {DispValue::Int(1)}).ok);
    Document()->GetSelectionHandler()->DeselectAll();
    m_events.clear();
    Select({box});
    ASSERT_EQ(Count("ClickEvent"), 1);
    EXPECT_EQ(m_events.back().dispid, 1);
    EXPECT_EQ(m_events.back().params[0], DispValue::Str("box"));
    // Following the viewer's frames leaves clicks as they are.
    ASSERT_TRUE(Call("EnableEvent", {DispValue::Int(3)}).ok);
    Document()->GetSelectionHandler()->DeselectAll();
    Select({box});
    EXPECT_EQ(Count("ClickEvent"), 2);
    // The control gone, the selection no longer calls it.
    m_control.Destroy();
}

TEST_F(NodesTest, HideByHitOfAClosedDisplayDialogTakesNoClickFromTheControl)
{
    SgObject *box = AddObject("box", false);
    ASSERT_TRUE(Call("EnableEvent", {DispValue::Int(1)}).ok);
    {
        CDisplayDlg display(Document());
        display.Opened();
        display.OnHideByHit();
        display.OnClose();
    }
    m_events.clear();
    Select({box});
    Select({box});
    EXPECT_EQ(Count("ClickEvent"), 2);
    EXPECT_EQ(box->m_hide.Get(), 0) << "a closed dialog still hides by hit";

    // Armed, it hides the next object and the control hears that click too.
    CDisplayDlg display(Document());
    display.OnHideByHit();
    Select({box});
    EXPECT_EQ(box->m_hide.Get(), 1);
    EXPECT_EQ(Count("ClickEvent"), 3);
}

} // namespace
