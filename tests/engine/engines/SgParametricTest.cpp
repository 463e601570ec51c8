#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/actions/SgCopyAction.h"
#include "engine/actions/SgNodeNavigation.h"
#include "engine/actions/SgSelectionHandlerInterface.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgVecField.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "platform/Notifier.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/engines/ParametricTestSupport.h"

using namespace parametrictest;

namespace {

class RecordingNotifier : public Notifier {
public:
    int Message(const std::string &text, const std::string &caption, Buttons, Icon) override
    {
        m_messages.push_back(caption + ": " + text);
        return Ok;
    }
    std::vector<std::string> m_messages;
};

class SgParametricTest : public ::testing::Test {
protected:
    void SetUp() override { m_previous = SetNotifier(&m_notifier); }
    void TearDown() override { SetNotifier(m_previous); }

    RecordingNotifier m_notifier;
    Notifier *m_previous = nullptr;
};

Range<Vec3f> BoxOf(SgNode *node)
{
    SgPath path;
    path.Append(node);
    return SgBoundingBoxAction::CalcBoundingBox(path);
}

TEST_F(SgParametricTest, TheFormulaSetsItsTargetFromTheParameter)
{
    SgRef<SgParametricModel> model = BoxModel("(* w 2)", 1.5);
    EXPECT_EQ(CubeOf(model.get())->m_width.Get(true), 3.0);
    SgRef<SgParametricObject> instance = Instance(model.get(), 0.5, Vec3(0, 0, 0));
    BoxOf(instance.get());
    EXPECT_EQ(CubeOf(model.get())->m_width.Get(true), 1.0) << "the instance's w reaches the formula";
    EXPECT_EQ(CubeOf(model.get())->m_height.Get(true), 0.5) << "and the connection point of the height";
}

TEST_F(SgParametricTest, InstancesPushTheirOwnValuesWhenTraversed)
{
    SgRef<SgParametricModel> model = BoxModel();
    SgRef<SgSeparator> scene = new SgSeparator;
    SgParametricObject *small = Instance(model.get(), 1.0, Vec3(0, 1, 0));
    SgParametricObject *large = Instance(model.get(), 2.0, Vec3(0, -1, 0));
    scene->AddChild(small);
    scene->AddChild(large);
    ASSERT_EQ(small->GetModel(), model.get());
    ASSERT_EQ(large->GetModel(), model.get());
    // Each measured alone, and in the other order: the values follow the instance.
    for (int round = 0; round < 2; ++round) {
        const Range<Vec3f> a = BoxOf(round ? large : small);
        const Range<Vec3f> b = BoxOf(round ? small : large);
        const Range<Vec3f> &s = round ? b : a;
        const Range<Vec3f> &l = round ? a : b;
        EXPECT_FLOAT_EQ(s.GetMax().x - s.GetMin().x, 2.0f) << "round " << round;
        EXPECT_FLOAT_EQ(l.GetMax().x - l.GetMin().x, 4.0f) << "round " << round;
        EXPECT_FLOAT_EQ(s.GetMax().z - s.GetMin().z, 1.0f) << "round " << round;
        EXPECT_FLOAT_EQ(l.GetMax().z - l.GetMin().z, 2.0f) << "round " << round;
    }
    // The whole scene holds both.
    const Range<Vec3f> both = BoxOf(scene.get());
    EXPECT_FLOAT_EQ(both.GetMax().x - both.GetMin().x, 4.0f);
}

TEST_F(SgParametricTest, InstanceFieldsAreItsParameters)
{
    SgRef<SgParametricModel> model = new SgParametricModel;
    const double w = 2.0;
    model->addParam("w", DoubleFieldClass(), &w);
    model->addParam("pts", SgField::GetClassIDFromName("SgVFVec3"), nullptr);
    SgRef<SgParametricObject> instance = new SgParametricObject(model.get());
    ASSERT_EQ(instance->GetFieldsCount(), 2);
    EXPECT_STREQ(instance->GetFieldName(0), "w");
    EXPECT_STREQ(instance->GetFieldName(1), "pts");
    EXPECT_EQ(instance->GetFieldAddress(2), nullptr);
    EXPECT_EQ(instance->GetFieldAddress(-1), nullptr);
    EXPECT_EQ(instance->getField("W"), nullptr) << "names match exactly";
    EXPECT_EQ(*static_cast<const double *>(instance->getField("w")->GetValuePtr(0, true)), 2.0);
    EXPECT_EQ(instance->GetFieldAddressByName("W"), instance->getField("w")) << "by-name lookup ignores case";

    // A parameter added after binding reaches the instance on its next traversal.
    const double h = 5.0;
    model->addParam("h", DoubleFieldClass(), &h);
    BoxOf(instance.get());
    ASSERT_NE(instance->getField("h"), nullptr);
    EXPECT_EQ(*static_cast<const double *>(instance->getField("h")->GetValuePtr(0, true)), 5.0);
}

// A parameter's name becomes a name of the formula's LISP function: one
// that does not read as a symbol, or that only letter case tells from
// another, would change what the formulas mean.
TEST_F(SgParametricTest, ParameterNamesMustBeSymbolsOfTheirOwn)
{
    struct Case {
        const char *name;
        bool added;
    };
    const Case cases[] = {
        {"w)999(", false}, {"W", false}, {"12", false},   {"1.5", false}, {"nil", false},
        {"a b", false},    {"x;", false}, {"width-2", true}, {"h", true},
    };
    SgRef<SgParametricModel> model = BoxModel("(* w 2)", 1.0);
    for (const Case &c : cases) {
        SgDiagCapture diagnostics;
        const double value = 5.0;
        EXPECT_EQ(model->addParam(c.name, DoubleFieldClass(), &value), c.added) << c.name;
        EXPECT_EQ(model->getParam(c.name) != nullptr, c.added) << c.name;
        EXPECT_EQ(diagnostics.Count() > 0, !c.added) << c.name << " is refused with a message";
    }
    DxLispScript::buildScriptEngine(model.get());
    EXPECT_EQ(CubeOf(model.get())->m_width.Get(true), 2.0) << "the formula means what it says";
}

TEST_F(SgParametricTest, ModelParameterOperations)
{
    SgRef<SgParametricModel> model = new SgParametricModel;
    const double one = 1.0, two = 2.0;
    model->addParam("h", DoubleFieldClass(), &one);
    model->addParam("h", DoubleFieldClass(), &two);
    ASSERT_EQ(model->m_params.size(), 1u) << "a second h replaces the first";
    EXPECT_EQ(*static_cast<const double *>(model->getParam("h")->m_pValue->GetValuePtr(0, true)), 2.0);
    model->removeParam("h");
    model->addParam("w", DoubleFieldClass(), &one);
    model->addParam("h", DoubleFieldClass(), &one);
    EXPECT_EQ(model->GetParamsList(), "w h ");
    EXPECT_EQ(model->getParam("W"), nullptr);

    SgRef<SgCube> cube = new SgCube;
    model->connect("w", &cube->m_width, 0);
    model->connect("w", &cube->m_width, 3);
    model->disconnect("w", &cube->m_width, -1);
    ASSERT_EQ(model->getParam("w")->m_points.size(), 1u) << "-1 removes the first whatever its index";
    EXPECT_EQ(model->getParam("w")->m_points[0].index, 3);
    EXPECT_TRUE(cube->IsConnected());
    model->disconnect("w");
    EXPECT_TRUE(model->getParam("w")->m_points.empty());

    tTargetField *target = model->addScript(&cube->m_width, nullptr);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->script, "");
    EXPECT_EQ(model->addScript(&cube->m_width, "(* w 2)"), target);
    EXPECT_EQ(target->script, "(* w 2)");
    EXPECT_EQ(model->addScript(&cube->m_width, ""), nullptr);
    EXPECT_TRUE(model->m_targets.empty());
}

TEST_F(SgParametricTest, MoreThanThirtyOneParametersAreRefused)
{
    SgRef<SgParametricModel> model = new SgParametricModel;
    const double value = 0;
    for (int i = 0; i < SgParametricModel::kMaxParams; ++i)
        ASSERT_TRUE(model->addParam("p" + std::to_string(i), DoubleFieldClass(), &value));
    EXPECT_FALSE(model->addParam("p31", DoubleFieldClass(), &value));
    EXPECT_EQ(model->m_params.size(), 31u);
    ASSERT_EQ(m_notifier.m_messages.size(), 1u);
    EXPECT_TRUE(model->addParam("p0", DoubleFieldClass(), &value)) << "replacing one is no new one";
}

TEST_F(SgParametricTest, RemoveCharDropsTheCharacterAndDoublesQuotes)
{
    EXPECT_EQ(SgParametricModel::RemoveChar("a\rb\"x\"", '\r'), "ab\"\"x\"\"");
    EXPECT_EQ(SgParametricModel::RemoveChar("\"\"\"", '\r'), "\"\"\"\"\"\"") << "all quotes: twice the length";
    EXPECT_EQ(SgParametricModel::RemoveChar("a\"b", '"'), "a\"b");
}

TEST_F(SgParametricTest, AParameterNameAloneSelectsTheParameter)
{
    SgRef<SgParametricModel> model = BoxModel("W", 1.25);
    EXPECT_EQ(CubeOf(model.get())->m_width.Get(true), 1.25);
}

struct HostileFormula {
    const char *name;
    const char *formula;
};

class SgParametricHostileTest : public SgParametricTest, public ::testing::WithParamInterface<HostileFormula> {};

TEST_P(SgParametricHostileTest, LeavesTheFieldAndTheHostAlone)
{
    const std::string victim = ::testing::TempDir() + "fennix_model_victim_" + GetParam().name + "_" + std::to_string(getpid());
    std::FILE *file = std::fopen(victim.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    std::string formula = GetParam().formula;
    const size_t at = formula.find("VICTIM");
    if (at != std::string::npos)
        formula.replace(at, 6, victim);
    SgRef<SgParametricModel> model = BoxModel(formula.c_str(), 3.0);
    EXPECT_EQ(CubeOf(model.get())->m_width.Get(true), 1.0) << "the cube keeps its width";
    SgRef<SgParametricObject> instance = Instance(model.get(), 2.0, Vec3(0, 0, 0));
    BoxOf(instance.get());
    EXPECT_EQ(CubeOf(model.get())->m_width.Get(true), 1.0);
    EXPECT_TRUE(std::filesystem::exists(victim));
    std::filesystem::remove(victim);
}

INSTANTIATE_TEST_SUITE_P(Cases, SgParametricHostileTest,
                         ::testing::Values(HostileFormula{"FileRemove", "(progn (file-remove \"VICTIM\") 9)"},
                                           HostileFormula{"Quit", "(progn (quit) 9)"},
                                           HostileFormula{"EndlessWhile", "(progn (while t 1) 9)"},
                                           HostileFormula{"DeepRecursion", "(progn (defun f (n) (+ 1 (f n))) (f 1))"},
                                           HostileFormula{"SyntaxError", "(* w 2"},
                                           HostileFormula{"NotANumber", "\"wide\""},
                                           HostileFormula{"UnknownField", "(param \"nosuch\")"}),
                         [](const ::testing::TestParamInfo<HostileFormula> &info) { return info.param.name; });

TEST_F(SgParametricTest, ModelsAndScriptsGoInAnyOrder)
{
    // Roots are released whatever the order: an instance outliving its
    // model's last other holder, and a model rebuilt twice.
    SgRef<SgParametricModel> first = BoxModel();
    SgRef<SgParametricModel> second = BoxModel("(+ w 1)");
    DxLispScript::buildScriptEngine(first.get());
    SgRef<SgParametricObject> instance = Instance(second.get(), 2.0, Vec3(0, 0, 0));
    first = nullptr;
    second = nullptr;
    BoxOf(instance.get());
    EXPECT_EQ(CubeOf(instance->GetModel())->m_width.Get(true), 3.0);
    LispCollectGarbage();
    instance = nullptr;
    SgRef<SgParametricModel> third = BoxModel("(* w 3)", 2.0);
    LispCollectGarbage();
    EXPECT_EQ(CubeOf(third.get())->m_width.Get(true), 6.0);
}

} // namespace

#include "engine/actions/SgCopyAction.h"

namespace {

TEST_F(SgParametricTest, ACopiedInstanceSharesTheModelAndKeepsItsValues)
{
    SgRef<SgParametricModel> model = BoxModel();
    SgRef<SgParametricObject> source = Instance(model.get(), 2.0, Vec3(3, 0, 0));
    SgCopyAction copy;
    ASSERT_TRUE(copy.Apply(source.get()));
    SgRef<SgNode> result = copy.GetResult();
    auto *twin = dynamic_cast<SgParametricObject *>(result.get());
    ASSERT_NE(twin, nullptr);
    EXPECT_EQ(twin->GetModel(), model.get()) << "the model is shared, not copied";
    ASSERT_NE(twin->getField("w"), nullptr);
    EXPECT_EQ(*static_cast<const double *>(twin->getField("w")->GetValuePtr(0, true)), 2.0);
    EXPECT_EQ(twin->GetMove(), Vec3(3, 0, 0)) << "its own transform is copied";
    EXPECT_FLOAT_EQ(BoxOf(twin).GetMax().x - BoxOf(twin).GetMin().x, 4.0f);
    EXPECT_EQ(twin->GetInnerGroup()->GetChildsCount(), 1) << "the content is the model alone";
}

TEST_F(SgParametricTest, ACopiedInstanceKeepsItsObjectFields)
{
    SgRef<SgParametricModel> model = BoxModel();
    SgRef<SgParametricObject> source = Instance(model.get(), 2.0, Vec3(0, 0, 0));
    source->m_hide.Set(1);
    source->m_layer.Set(3);
    source->m_selectMode.Set(0);
    SgCopyAction copy;
    ASSERT_TRUE(copy.Apply(source.get()));
    SgRef<SgNode> result = copy.GetResult();
    auto *twin = dynamic_cast<SgParametricObject *>(result.get());
    ASSERT_NE(twin, nullptr);
    EXPECT_EQ(twin->m_hide.Get(true), 1) << "a hidden instance copies hidden";
    EXPECT_EQ(twin->m_layer.Get(true), 3) << "on its layer";
    EXPECT_EQ(twin->m_selectMode.Get(true), 0);
}

TEST_F(SgParametricTest, ACopiedModelDrivesItsOwnNodes)
{
    SgRef<SgParametricModel> model = BoxModel("(* w 2)", 1.0);
    SgCopyAction copy;
    ASSERT_TRUE(copy.Apply(model.get()));
    SgRef<SgNode> result = copy.GetResult();
    auto *twin = dynamic_cast<SgParametricModel *>(result.get());
    ASSERT_NE(twin, nullptr);
    ASSERT_EQ(twin->m_params.size(), 1u);
    EXPECT_EQ(twin->m_params[0]->m_name, "w");
    ASSERT_EQ(twin->m_targets.size(), 1u);
    EXPECT_EQ(twin->m_targets[0]->script, "(* w 2)");
    SgCube *cube = CubeOf(twin);
    ASSERT_NE(cube, nullptr);
    EXPECT_NE(cube, CubeOf(model.get()));
    EXPECT_EQ(twin->m_targets[0]->field, &cube->m_width) << "the formula drives the copy's own cube";
    ASSERT_EQ(twin->m_params[0]->m_points.size(), 1u);
    EXPECT_EQ(twin->m_params[0]->m_points[0].field, &cube->m_height) << "and so does the connection point";
    // Instances of the copy size the copy's cube, and leave the source's alone.
    SgRef<SgParametricObject> instance = Instance(twin, 3.0, Vec3(0, 0, 0));
    BoxOf(instance.get());
    EXPECT_EQ(cube->m_width.Get(true), 6.0);
    EXPECT_EQ(cube->m_height.Get(true), 3.0);
    EXPECT_EQ(CubeOf(model.get())->m_width.Get(true), 2.0);
}

// Selects nothing; navigation only needs somewhere to send its selection.
class QuietHandler : public SgSelectionHandlerInterface {
public:
    void Select(const SgPath &, int) override { ++m_selections; }
    void Deselect(SgPath &, bool) override {}
    bool IsSelectable(SgPath &) override { return true; }
    PathFixup GetPathFixup() const override { return m_fixup; }
    void SetPathFixup(PathFixup fixup) override { m_fixup = std::move(fixup); }
    void ClearCurrentManipulator() override {}
    void SetContextParent(SgObject *) override {}
    PathFixup m_fixup = [](SgPath &) {};
    int m_selections = 0;
};

TEST_F(SgParametricTest, NavigationShowsAModelAsATemplateWhileInsideIt)
{
    // root / group / model / part: stepping into the model sets its flag,
    // stepping from the model up to the group clears it.
    SgRef<SgSeparator> root = new SgSeparator;
    root->SetRoot(true);
    SgRef<SgObject> group = new SgObject;
    root->AddChild(group.get());
    SgRef<SgParametricModel> model = BoxModel();
    group->AddChild(model.get());
    model->AddChild(new SgObject);
    SgPath path;
    for (SgNode *node : {static_cast<SgNode *>(root.get()), static_cast<SgNode *>(group.get()),
                         static_cast<SgNode *>(group->GetInnerGroup()), static_cast<SgNode *>(model.get())})
        path.Append(node);
    QuietHandler handler;
    SgNodeNavigation navigation(&handler);
    EXPECT_FALSE(model->m_bShowAsTemplate);
    SgPath into = path;
    navigation.NavigateToSon(into);
    EXPECT_EQ(handler.m_selections, 1) << "the step found the model's part";
    EXPECT_TRUE(model->m_bShowAsTemplate) << "inside the model";
    SgPath up = path;
    navigation.NavigateToParent(up);
    EXPECT_EQ(handler.m_selections, 2) << "the step found the group";
    EXPECT_FALSE(model->m_bShowAsTemplate) << "out of it again";
}

TEST_F(SgParametricTest, WhatAffectsAModelsNodeIsFoundThroughTheInstanceOnThePath)
{
    // One model drawn by two instances, each with a draw style of its own:
    // along a path through the second instance, the model's cube is affected
    // by the second instance's style, not by the first's.
    SgRef<SgParametricModel> model = BoxModel();
    SgRef<SgSeparator> scene = new SgSeparator;
    SgParametricObject *first = Instance(model.get(), 1.0, Vec3(0, 0, 0));
    SgParametricObject *second = Instance(model.get(), 2.0, Vec3(3, 0, 0));
    scene->AddChild(first);
    scene->AddChild(second);
    SgRef<SgDrawStyle> firstStyle = new SgDrawStyle;
    SgRef<SgDrawStyle> secondStyle = new SgDrawStyle;
    first->AddPropertyNode(firstStyle.get(), true);
    second->AddPropertyNode(secondStyle.get(), true);
    SgCube *cube = CubeOf(model.get());
    SgPath path;
    for (SgNode *node : {static_cast<SgNode *>(scene.get()), static_cast<SgNode *>(second),
                         static_cast<SgNode *>(second->GetInnerGroup()), static_cast<SgNode *>(model.get()),
                         static_cast<SgNode *>(model->GetInnerGroup()), static_cast<SgNode *>(cube)})
        path.Append(node);
    EXPECT_EQ(cube->FindAffecting(path, SgDrawStyle::ClassID(), -1), secondStyle.get());
    EXPECT_EQ(cube->FindAffecting(path, SgDrawStyle::ClassID(), 2), nullptr) << "not within the model itself";
    EXPECT_EQ(cube->FindAffecting(path, SgMaterial::ClassID(), 0), nullptr) << "levels 0 searches no group";
    EXPECT_NE(cube->FindAffecting(path, SgMaterial::ClassID(), 1), nullptr) << "the model's own material";
}

} // namespace

#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgCoordinate3.h"
#include "engine/nodes/properties/SgTransform.h"

namespace {

TEST_F(SgParametricTest, FormulasDriveFieldsOfEveryConvertedType)
{
    SgRef<SgParametricModel> model = new SgParametricModel;
    auto *transform = new SgTransform;
    auto *coordinates = new SgCoordinate3;
    auto *billboard = new SgBillboard;
    model->AddChild(transform);
    model->AddChild(coordinates);
    model->AddChild(billboard);
    const double w = 1234.56789;
    model->addParam("w", DoubleFieldClass(), &w);
    model->addScript(&transform->m_translation, "(vec3 w 1e-9 (- w))");
    model->addScript(&coordinates->m_point,
                     "(let ((a (make-array 2))) (progn (aset a 0 (vec3 w 0 0)) (aset a 1 (vec3 0 w 0)) a))");
    model->addScript(&billboard->m_size, "(/ w 2)");
    model->addScript(&model->m_layer, "(+ 3 4)");
    DxLispScript::buildScriptEngine(model.get());
    EXPECT_EQ(transform->m_translation.Get(true), Vec3(w, 1e-9, -w)) << "vectors carry doubles exactly";
    const std::vector<Vec3> points = coordinates->m_point.GetValues();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[1], Vec3(0, w, 0));
    EXPECT_EQ(billboard->m_size.Get(true), static_cast<float>(w / 2));
    EXPECT_EQ(model->m_layer.Get(true), 7);
    DxLispScript::undoScriptEngine(model.get());
    DxLispScript::undoScriptEngine(model.get()); // twice is harmless
    EXPECT_EQ(transform->m_translation.GetModuleSource(), nullptr) << "the target is free again";
}

} // namespace
