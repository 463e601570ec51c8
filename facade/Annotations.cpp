// The annotation family: rubber lines, annotations, the measure tape and
// the test links: small assemblies wired once through the dataflow and LISP
// scripts, which keep them up to date as their ends move; nothing here runs
// per frame.
#include "facade/Annotations.h"

#include <cmath>
#include <memory>

#include "engine/actions/SgFindAction.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/engines/SgEngine.h"
#include "engine/engines/SgLispScript.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgPolyLine.h"
#include "engine/nodes/geometry/SgText.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgBillboard.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/nodes/properties/SgTransformSensor.h"
#include "engine/tools/GenericCreateHandler.h"
#include "facade/CDrevon.h"
#include "facade/CDrevonTape.h"
#include "platform/SgDiagnostics.h"
#include "facade/FacadePackage.h"

namespace drevon {

namespace {


// The distance between v0 and v1, as the label's text.
constexpr const char *kDistanceFormula =
    "(let ((dx (- (aref v0 0) (aref v1 0)))(dy (- (aref v0 1) (aref v1 1)))(dz (- (aref v0 2) (aref v1 2))))"
    "(setout self 'outs (sqrt (+ (* dx dx) (* dy dy) (* dz dz)))))";
// The two ends of the dimension line: the tips lifted to a common height,
// the offset a0 above the higher tip (below the lower for a negative one).
constexpr const char *kDimensionFormula =
    "(let ((x1 (aref v0 0))        (y1 (aref v0 1))       (z1 (aref v0 2))       (x2 (aref v1 0))       "
    "(y2 (aref v1 1))       (z2 (aref v1 2))       (zz a0)) (let ((zmax (+ (if (> zz 0) (if (> z1 z2) z1 z2)      "
    "                       (if (> z1 z2) z2 z1)) zz))      (vv1 (make-array 3))      (vv2 (make-array 3)))"
    "(progn (aset vv1 0 x1)(aset vv1 1 y1)(aset vv1 2 zmax)(aset vv2 0 x2)(aset vv2 1 y2)(aset vv2 2 zmax)"
    "(setout self 'outv0 vv1)(setout self 'outv1 vv2))))";

// Output numbers of a LISP script: outd0..2, outv0..2, outs.
constexpr const char *kOutV0 = "3";
constexpr const char *kOutV1 = "4";
constexpr const char *kOutS = "6";

constexpr unsigned short kDashedLine = 0xF0F0;

SgBillboard *NewBillboard(int rotationType, int sizeType, int displayMode, float size)
{
    auto *billboard = new SgBillboard;
    billboard->m_rotationType = rotationType;
    billboard->m_sizeType = sizeType;
    billboard->m_displayMode = displayMode;
    billboard->m_size = size;
    return billboard;
}

// A small cube that keeps its size on the screen.
SgObject *NewTipMarker()
{
    auto *tip = new SgObject(true, true);
    tip->AddChild(new SgCube);
    auto *billboard = new SgBillboard;
    billboard->m_sizeType = 1;
    billboard->m_size = 4.0f;
    billboard->m_displayMode = 1;
    tip->AddPropertyNode(billboard, false);
    return tip;
}

// A script engine running `formula` on the translations of two transforms.
SgLispScript *NewScript(const char *formula, SgTransform *first, SgTransform *second)
{
    auto *script = new SgLispScript;
    auto *text = new SgStringInput;
    text->m_string = std::string(formula);
    PlugTo1(text, "string", script, "script");
    // The text node is in no scene: the script's link keeps it.
    script->m_script.KeepSourceAlive(text);
    PlugTo1(first, "translation", script, "v0");
    PlugTo1(second, "translation", script, "v1");
    return script;
}

// A text label on a one-point profile at the origin.
SgBText *NewLabel(const char *text)
{
    auto *label = new SgBText;
    label->m_text = std::string(text ? text : "");
    auto *profile = new SgPolyLine;
    const Vec3 origin(0, 0, 0);
    profile->m_coordinates.SetVals(1, &origin);
    label->SetPolyline(profile, 0, true);
    return label;
}

// The line of a rubber-line object.
SgPolyLine *LineOf(SgObject *object)
{
    return object ? dynamic_cast<SgPolyLine *>(FindNodeByClassID::Lookup(SgPolyLine::ClassID(), object)) : nullptr;
}

SgMaterial *FirstMaterial(SgObject *object)
{
    return dynamic_cast<SgMaterial *>(object->FindFirstNode(SgMaterial::ClassID(), {}, nullptr, false));
}

} // namespace

SgTransformSensor *TransformSensorOf(SgObject *object)
{
    if (!object)
        return nullptr;
    if (auto *existing = dynamic_cast<SgTransformSensor *>(object->FindPropertyNode(SgTransformSensor::ClassID())))
        return existing;
    SgRef<SgTransformSensor> sensor(new SgTransformSensor);
    sensor->EnableUndo();
    const bool added = object->AddPropertyNode(sensor.get(), false);
    sensor->DisableUndo();
    return added ? sensor.get() : nullptr;
}

Annotations::Annotations(CDrevon &facade) : m_facade(facade) {}

Annotations::~Annotations() = default;

// ---- Rubber lines and annotations ----------------------------------------------------------------------

SgObject *Annotations::CreateRubberLine(SgObject *a, SgObject *b, bool useSensors)
{
    if (!a || !b)
        return nullptr;
    auto *object = new SgObject(true, true);
    auto *line = new SgPolyLine;
    object->AddChild(line);
    SgRef<SgComposeVector<Vec3>> compose = composeVec3();
    SgObject *ends[2] = {a, b};
    const char *inputs[2] = {"input1", "input2"};
    for (int i = 0; i < 2; ++i) {
        SgFieldMngr *source = nullptr;
        const char *field = nullptr;
        if (useSensors) {
            source = TransformSensorOf(ends[i]);
            field = "translationOut";
        } else {
            source = ends[i]->GetTransform(true);
            field = "translation";
        }
        if (!source || !PlugTo1(source, field, compose.get(), inputs[i]))
            SgDiagWarning(kPackage, "a rubber line could not be tied to its %s end", i == 0 ? "first" : "second");
    }
    PlugTo1(compose.get(), "0", line, "coordinates");
    return object;
}

SgObject *Annotations::CreateAnnotation(SgObject *target)
{
    SgSeparator *root = m_facade.GetRoot();
    if (!root || !target)
        return nullptr;
    SgRef<SgObject> label = new SgObject(true, true);
    label->AddChild(NewLabel("Annotation"));
    label->AddPropertyNode(NewBillboard(1, 1, 0, 50.0f), false);
    auto *material = new SgMaterial;
    material->m_diffuseColor.SetValue(0, Color(1, 1, 1, 1));
    label->AddPropertyNode(material, false);
    SgObject *line = CreateRubberLine(target, label.get(), true);
    SgRef<SgObject> holder = new SgObject(true, true);
    holder->AddChild(label.get());
    root->AddChild(line);
    root->AddChild(holder.get());
    return line;
}

void Annotations::OnAnnotation()
{
    SgSelectionHandler *selection = m_facade.Selection();
    if (!selection || selection->GetSelCount() != 1)
        return;
    SgObject *objects[1] = {};
    SgPath paths[1];
    if (selection->GetSelectedObjects(1, objects, paths) != 1 || !objects[0])
        return;
    SgKeyPoint step(m_facade.GetDocument());
    CreateAnnotation(objects[0]);
    m_facade.Redraw();
}

// ---- Measure tape ----------------------------------------------------------------------------------------

void Annotations::OnCreateCompoundTool(int kind)
{
    if (!m_facade.GetDocument())
        return;
    static constexpr int kParameters[GenericCreateHandler::kParameterCount] = {0, 0, 2, 0, 0, 0, 0, 0};
    // The tool that may still use the previous handler goes first.
    m_facade.GetCreation().DeleteActiveTool();
    auto handler = std::make_shared<MeasureTapeToolHandler>(kParameters, &m_facade);
    int row[GenericCreateHandler::kParameterCount] = {kind, 0, 2, 0, 0, 0, 0, 0};
    // The button that shows the tool running is the one it is unchecked by.
    const int button = kind == 10 ? 76 : (kind == 11 ? 77 : 0);
    row[0] = button != 0 ? button : kind;
    m_createHandler = handler;
    if (!m_facade.GetCreation().CreateShapedPrizm(row, handler.get()))
        return;
    if (button != 0)
        m_facade.GetButtons().SetButtonState(1, button, false);
}


SgObject *Annotations::CreateMeasureTape(SgTransform **transforms, SgObject **objects, int mode)
{
    SgSeparator *root = m_facade.GetRoot();
    if (!root)
        return nullptr;
    SgObject *tips[2] = {NewTipMarker(), NewTipMarker()};
    SgRef<SgObject> keep[2] = {tips[0], tips[1]};
    SgTransform *tipTransforms[2] = {tips[0]->GetTransform(true), tips[1]->GetTransform(true)};
    auto *material = new SgMaterial;
    material->m_diffuseColor.SetValue(0, Color(0, 0, 0.5, 1));
    SgRef<SgObject> tape = new SgObject(true, true);
    if (transforms) {
        transforms[0] = tipTransforms[0];
        transforms[1] = tipTransforms[1];
    }
    if (objects) {
        objects[0] = tips[0];
        objects[1] = tips[1];
    }
    tipTransforms[1]->m_translation = Vec3(1, 0, 0);

    auto *bank = new SgInputEngine;
    tape->AddPropertyNode(material, false);
    tape->AddPropertyNode(bank, false);
    bank->m_a = 0.5;
    bank->m_b = double(mode);

    const int layer = m_facade.GetDocument() ? m_facade.GetDocument()->GetCurrentLayer() : 0;
    if (mode == 1) {
        SgObject *marks[2] = {NewTipMarker(), NewTipMarker()};
        for (SgObject *mark : marks) {
            auto *style = new SgDrawStyle;
            style->m_linePatern = kDashedLine;
            mark->AddPropertyNode(style, false);
        }
        SgObject *lines[3] = {CreateRubberLine(tips[0], marks[0], false), CreateRubberLine(tips[1], marks[1], false),
                              CreateRubberLine(marks[0], marks[1], false)};
        SgRef<SgLispScript> dimension = NewScript(kDimensionFormula, tipTransforms[0], tipTransforms[1]);
        PlugTo1(bank, "a", dimension.get(), "a0");
        PlugTo1(dimension.get(), kOutV0, marks[0]->GetTransform(true), "translation");
        PlugTo1(dimension.get(), kOutV1, marks[1]->GetTransform(true), "translation");
        lines[2]->AddPropertyNode(NewBillboard(0, 0, 1, 1.0f), false);
        for (SgObject *part : {lines[0], lines[1], lines[2], marks[0], marks[1]}) {
            part->m_layer = layer;
            tape->AddChild(part);
        }
        marks[0]->m_selectMode = 0;
        marks[1]->m_selectMode = 0;
    }

    SgObject *band = CreateRubberLine(tips[0], tips[1], false);
    band->SetName("RBand");
    if (objects)
        objects[2] = band;
    for (int i = 0; i < 2; ++i) {
        tips[i]->m_link = 1;
        tips[i]->SetName(i == 0 ? "Tip1" : "Tip2");
    }
    tape->AddChild(band);
    tape->AddChild(tips[0]);
    tape->AddChild(tips[1]);
    root->AddChild(tape.get());

    // The label sits where the band's points average and shows its length.
    SgRef<SgApplyVector> centre = new SgApplyVector(0);
    PlugTo1(LineOf(band), "coordinates", centre.get(), "input1");
    auto *label = new SgObject(true, true);
    SgBText *text = NewLabel("");
    label->AddChild(text);
    label->AddPropertyNode(NewBillboard(1, 1, 1, 20.0f), false);
    auto *bandBillboard = NewBillboard(0, 0, 1, 1.0f);
    bandBillboard->m_selectable = 0;
    band->AddPropertyNode(bandBillboard, false);
    band->m_selectMode = 0;
    PlugTo1(centre.get(), "0", label->GetTransform(true), "translation");
    if (objects)
        objects[3] = label;
    tape->AddChild(label);

    SgRef<SgLispScript> distance = NewScript(kDistanceFormula, tipTransforms[0], tipTransforms[1]);
    PlugTo1(distance.get(), kOutS, text, "text");
    return tape.get();
}

void MeasureTapeToolHandler::Update()
{
    if (m_transforms[0])
        m_transforms[0]->m_translation = m_start;
    if (m_transforms[1] && std::isfinite(m_current.x) && std::isfinite(m_current.y) && std::isfinite(m_current.z))
        m_transforms[1]->m_translation = m_current;
}

SgObject *MeasureTapeToolHandler::Create()
{
    SgTransform *transforms[2] = {};
    SgObject *objects[4] = {};
    m_tape = m_pFacade ? m_pFacade->GetAnnotations().CreateMeasureTape(transforms, objects, 0) : nullptr;
    if (!m_tape)
        return nullptr;
    for (int i = 0; i < 2; ++i)
        m_transforms[i] = transforms[i];
    for (int i = 0; i < 4; ++i)
        m_objects[i] = objects[i];
    // The drag would otherwise find the tips under the cursor.
    m_objects[0]->m_selectMode = 0;
    m_objects[1]->m_selectMode = 0;
    return m_tape.get();
}

void MeasureTapeToolHandler::CleanUp()
{
    if (!m_tape)
        return;
    m_objects[0]->m_selectMode = 1;
    m_objects[1]->m_selectMode = 1;
    SgDocument *document = m_pFacade ? m_pFacade->GetDocument() : nullptr;
    const int layer = document ? document->GetCurrentLayer() : 0;
    for (SgRef<SgObject> &object : m_objects)
        if (object)
            object->m_layer = layer;
}

// ---- Test links ----------------------------------------------------------------------------------------------

SG_CLASS_SOURCE(DxVec32Color, SgEngine, SgFieldMngr, "DxVec32Color")
SG_CLASS_SOURCE(DxConstColor, SgEngine, SgFieldMngr, "DxConstColor")

void RegisterFacadeClasses()
{
    if (SgFieldMngr::GetClassIDFromName(DxVec32Color::ClassName()) > 0)
        return;
    DxVec32Color::InitClass();
    DxConstColor::InitClass();
}

DxVec32Color::DxVec32Color()
{
    AddField(m_input, "input1");
}

void DxVec32Color::Evaluate()
{
    const Vec3 v = m_input.GetSource() ? m_input.Get(0) : Vec3();
    const Color colour(float(v.x), float(v.y), float(v.z), 1.0f);
    m_output.set(&colour);
}

void DxConstColor::Evaluate()
{
    const Color magenta(1.0f, 0.0f, 1.0f, 1.0f);
    m_output.set(&magenta);
}

void Annotations::TestRubber(int mode)
{
    SgSelectionHandler *selection = m_facade.Selection();
    if (!selection || selection->GetSelCount() != 2 || mode < 0 || mode > 3)
        return;
    SgObject *objects[2] = {};
    SgPath paths[2];
    if (selection->GetSelectedObjects(2, objects, paths) != 2 || !objects[0] || !objects[1])
        return;
    SgObject *a = objects[0];
    SgObject *b = objects[1];
    SgKeyPoint step(m_facade.GetDocument());
    if (mode == 0) {
        if (SgSeparator *root = m_facade.GetRoot())
            root->AddChild(CreateRubberLine(a, b, true));
        return;
    }
    // The colours are the objects' own materials; one is made where missing.
    SgMaterial *materials[2] = {FirstMaterial(a), FirstMaterial(b)};
    for (int i = 0; i < 2; ++i)
        if (!materials[i])
            materials[i] = dynamic_cast<SgMaterial *>(objects[i]->CreatePropertyNode(SgMaterial::ClassID()));
    if (!materials[0] || !materials[1])
        return;
    if (mode == 1) {
        PlugTo1(materials[1], "diffuseColor", materials[0], "diffuseColor");
    } else if (mode == 2) {
        SgRef<DxVec32Color> module = new DxVec32Color;
        PlugTo1(a->GetTransform(true), "translation", module.get(), "input1");
        PlugTo1(module.get(), "0", materials[1], "diffuseColor");
    } else {
        SgRef<DxConstColor> module = new DxConstColor;
        PlugTo1(module.get(), "0", materials[1], "diffuseColor");
    }
}

// ---- Menu forms ----------------------------------------------------------------------------------------

void Annotations::OnCompoundToolButton(int button)
{
    OnCreateCompoundTool(button == 77 ? 11 : 10);
}

void Annotations::OnAnnotationButton(int)
{
    OnAnnotation();
}

void Annotations::OnRubberLineButton(int)
{
    TestRubber(0);
    m_facade.Redraw();
}

} // namespace drevon
