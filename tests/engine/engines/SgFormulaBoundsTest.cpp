// Formulas of scene files are untrusted: what one document's formulas do
// stays in that document, their work and output are bounded however the
// work is done, and a value naming a node cannot outlive the node.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine/actions/SgBoundingBoxAction.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgRef.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgDocumentFiles.h"
#include "engine/engines/SgParametric.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgDiagHandler.h"
#include "tests/engine/engines/ParametricTestSupport.h"

using namespace parametrictest;

namespace {

// A scene of one instance of a model with one cube whose width is `formula`
// over the parameter w (1), the instance's w being `w`.
std::string OneFormulaScene(const std::string &formula, double w = 2)
{
    std::string quoted;
    for (char c : formula)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return "#VRML V1.0 ascii 102\nSeparator {\nNodeName\t\"ROOT\"\nParametricObject { \nObject {\nNodeName\t\"PO\"\n"
           "Transform {\n}\nSeparator {\nDEF 1_1 ParametricModel\t{\nObject {\nTransform {\n}\nSeparator {\n"
           "DEF 1_2 Cube {\n}\n}\n}\n\tPMParamList\t{\n\t\t20005\tw\t1\t[\t\t]\t\n\t}\nPMFormulaList {\n[\n0 1_2 width \"" +
           quoted + "\" ,\n\t] }\n}\n}\n}\n\tPOParamList\t{\n\t\tw\t" + std::to_string(w) + "}\n}\n}\n";
}

template <class T>
void Collect(SgNode *node, std::vector<T *> &found, int depth = 0)
{
    if (!node || depth > 20)
        return;
    if (auto *match = dynamic_cast<T *>(node))
        found.push_back(match);
    if (auto *group = dynamic_cast<SgGroup *>(node))
        for (SgNode *child : group->GetChildList())
            Collect(child, found, depth + 1);
}

struct DocumentDeleter {
    void operator()(SgDocument *document) const { SgDocument::Destroy(document); }
};
using DocumentPtr = std::unique_ptr<SgDocument, DocumentDeleter>;

DocumentPtr Open(const std::string &scene)
{
    DocumentPtr document(SgDocument::Create());
    std::istringstream stream(scene);
    EXPECT_EQ(document->ReadFileStream(stream, "scene.kvrx", true), SgDocumentFiles::kReadDone);
    return document;
}

// The width of the document's cube as its formula makes it.
double Width(SgDocument *document)
{
    std::vector<SgCube *> cubes;
    Collect(document->GetRoot(), cubes);
    EXPECT_EQ(cubes.size(), 1u);
    return cubes.empty() ? -1 : cubes[0]->m_width.Get(true);
}

value_t Evaluate(const char *text)
{
    return LispEvalTopLevel(LispReadFromString(text));
}

TEST(SgFormulaBoundsTest, EachDocumentsFormulasHaveTheirOwnInterpreter)
{
    SgDiagCapture diagnostics;
    // The first document's formula sets a global, defines a function and
    // keeps every cell it can get.
    DocumentPtr first = Open(OneFormulaScene(
        "(progn (setq shared 5) (defun twice (x) 99) (setq hog nil) "
        "(let ((i 0)) (while (< i 50000) (setq hog (cons i hog)) (setq i (+ i 1)))) (* w 2))"));
    Width(first.get());
    EXPECT_TRUE(diagnostics.Contains("Cons array is full")) << diagnostics.GetText();
    diagnostics.Clear();
    DocumentPtr second = Open(OneFormulaScene("(progn (defun twice (x) (* x 2)) (if shared 1 (twice (len (list w w w)))))"));
    EXPECT_EQ(Width(second.get()), 6.0) << diagnostics.GetText();
    EXPECT_NE(first->GetLispContext(), second->GetLispContext());
    // Neither changed the host's own interpreter.
    EXPECT_EQ(LispPrintToString(Evaluate("shared")), "NIL");
}

// Formula nodes made outside a file read (as the facade, a tool or a paste
// makes them) run in the interpreter of the document they join, never in the
// host's own: what their formulas define stays in that document.
TEST(SgFormulaBoundsTest, FormulaNodesMadeOutsideAReadRunInTheirDocumentsInterpreter)
{
    SgDiagCapture diagnostics;
    LispReset();
    DocumentPtr first(SgDocument::Create());
    DocumentPtr second(SgDocument::Create());
    auto global = [](const LispContextRef &context, const char *name) {
        LispContextScope scope(context);
        return LispPrintToString(LispGlobalValue(LispIntern(name)));
    };

    SgRef<SgParametricModel> model = BoxModel("(progn (setq modelmark (* w 3)) (* w 2))", 1.0);
    SgRef<SgParametricObject> instance = Instance(model.get(), 2.0, Vec3(0, 0, 0));
    first->GetRoot()->AddChild(instance.get());
    EXPECT_EQ(model->GetLispContext(), first->GetLispContext());
    SgPath path;
    path.Append(instance.get());
    SgBoundingBoxAction::CalcBoundingBox(path);
    EXPECT_EQ(Width(first.get()), 4.0) << diagnostics.GetText();
    EXPECT_EQ(global(first->GetLispContext(), "modelmark"), "6.000000");
    EXPECT_EQ(global(LispProcessContext(), "modelmark"), "NIL") << "the host's interpreter is untouched";

    // A script that drives a node's field follows the node into its document.
    SgRef<SgLispScript> script = new SgLispScript;
    ASSERT_EQ(script->SetScript("(progn (setq scriptmark 5) (setout self 'outv0 (vec3 1 2 3)) 1)"), 1);
    SgRef<SgTransform> driven = new SgTransform;
    ASSERT_TRUE(script->m_outv[0].Connect(driven->m_translation.AsInput()));
    second->GetRoot()->AddChild(driven.get());
    EXPECT_EQ(script->GetLispContext(), second->GetLispContext());
    EXPECT_EQ(driven->m_translation.Get(true), Vec3(1, 2, 3)) << diagnostics.GetText();
    EXPECT_EQ(global(second->GetLispContext(), "scriptmark"), "5");
    EXPECT_EQ(global(first->GetLispContext(), "scriptmark"), "NIL") << "nor does it reach the other document";
    EXPECT_EQ(global(LispProcessContext(), "scriptmark"), "NIL");

    // A script wired to a node already in a document (as a dialog wires it)
    // joins that document's interpreter too.
    SgRef<SgTransform> placed = new SgTransform;
    first->GetRoot()->AddChild(placed.get());
    SgRef<SgLispScript> wired = new SgLispScript;
    ASSERT_EQ(wired->SetScript("(progn (setq wiredmark 7) (setout self 'outv0 (vec3 4 5 6)) 1)"), 1);
    ASSERT_TRUE(PlugTo1(wired.get(), "3", placed.get(), "translation")) << diagnostics.GetText();
    EXPECT_EQ(wired->GetLispContext(), first->GetLispContext());
    EXPECT_EQ(placed->m_translation.Get(true), Vec3(4, 5, 6)) << diagnostics.GetText();
    EXPECT_EQ(global(first->GetLispContext(), "wiredmark"), "7");
    EXPECT_EQ(global(LispProcessContext(), "wiredmark"), "NIL");
}

TEST(SgFormulaBoundsTest, AClosedDocumentGivesBackWhatItsFormulasKept)
{
    SgDiagCapture diagnostics;
    DocumentPtr document = Open(OneFormulaScene("(progn (setq g (cons (make-array 900000) g)) w)"));
    std::vector<SgParametricObject *> instances;
    Collect(document->GetRoot(), instances);
    ASSERT_EQ(instances.size(), 1u);
    SgParametricObject *instance = instances[0];
    const LispContextRef context = document->GetLispContext();
    ASSERT_TRUE(context);
    // Every evaluation keeps 14 MB more: the document's cap stops it, not the
    // process's memory.
    for (int i = 0; i < 20; ++i) {
        const double w = 1 + i;
        instance->setCurrentValue("w", &w, 0);
        SgPath path;
        path.Append(instance);
        SgBoundingBoxAction::CalcBoundingBox(path);
        LispContextScope scope(context);
        EXPECT_LE(LispHeapBytes(), kLispDocumentHeapLimit);
    }
    EXPECT_TRUE(diagnostics.Contains("Heap limit of ")) << diagnostics.GetText();
    document.reset();
    LispContextScope scope(context);
    EXPECT_EQ(LispHeapBytes(), 0u) << "the document's formulas keep nothing after it closed";
}

TEST(SgFormulaBoundsTest, ANodeKeptByAFormulaCannotBeReachedAfterItDies)
{
    SgDiagCapture diagnostics;
    LispReset();
    SgRef<SgLispScript> keeper = new SgLispScript;
    ASSERT_EQ(keeper->SetScript("(progn (setq keep self) 1)"), 1);
    keeper->Evaluate();
    keeper = nullptr;
    const char *const calls[] = {"(getfield keep \"a0\")", "(setfield keep \"a0\" 99)",
                                 "(setout keep 'outv0 (vec3 1 2 3))"};
    for (const char *call : calls) {
        diagnostics.Clear();
        SgRef<SgLispScript> reader = new SgLispScript;
        ASSERT_EQ(reader->SetScript((std::string("(progn (setq reached 1) ") + call + " (setq reached 2))").c_str()), 1);
        reader->Evaluate();
        EXPECT_EQ(LispPrintToString(LispGlobalValue(LispIntern("reached"))), "1") << call << " is an error";
        EXPECT_TRUE(diagnostics.Contains("the node is gone")) << call << "\n" << diagnostics.GetText();
    }
    // A live node is reached as before, by the same value each time.
    SgRef<SgLispScript> live = new SgLispScript;
    LispSetGlobalValue(LispIntern("other"), LispNodeValue(live.get()));
    EXPECT_EQ(LispNodeOf(LispGlobalValue(LispIntern("other"))), live.get());
    EXPECT_TRUE(LispNodeValue(live.get()) == LispGlobalValue(LispIntern("other")));
    LispReset();
}

struct SaidOnceCase {
    const char *formula;
    const char *said;
};

TEST(SgFormulaBoundsTest, AFormulaThatGivesNilOrHasMoreFormsSaysSoOnce)
{
    const SaidOnceCase cases[] = {
        {"(if (< w 0) 1)", "gives NIL"},
        {"(* w 2) (* w 3)", "only the first of the formula's 2 expressions"},
    };
    for (const SaidOnceCase &c : cases) {
        SgDiagCapture diagnostics;
        SgRef<SgParametricModel> model = BoxModel(c.formula, 1.0);
        for (double w : {1.0, 2.0, 3.0}) {
            SgRef<SgParametricObject> instance = Instance(model.get(), w, Vec3(0, 0, 0));
            SgPath path;
            path.Append(instance.get());
            SgBoundingBoxAction::CalcBoundingBox(path);
        }
        int count = 0;
        for (const SgDiagnostic &d : diagnostics.GetDiagnostics())
            count += d.Line().find(c.said) != std::string::npos ? 1 : 0;
        EXPECT_EQ(count, 1) << c.formula << "\n" << diagnostics.GetText();
    }
}

TEST(SgFormulaBoundsTest, CollectionsInFormulasPrintNoStatistics)
{
    std::string printed;
    LispSetOutput([&](std::string_view text) { printed.append(text); });
    SgDiagCapture diagnostics;
    // One collection asked for, many more that running out of cells makes.
    SgRef<SgParametricModel> model = BoxModel(
        "(progn (gc) (let ((i 0)) (while (< i 100000) (progn (list 1 2 3) (setq i (+ i 1))))) (* w 2))", 1.0);
    EXPECT_EQ(CubeOf(model.get())->m_width.Get(true), 2.0) << diagnostics.GetText();
    LispSetOutput({});
    EXPECT_EQ(printed, "");
    EXPECT_FALSE(diagnostics.Contains("Marked Cons")) << diagnostics.GetText();
}

TEST(SgFormulaBoundsTest, ManyInstancesOfAnEndlessFormulaShareOnePassBudget)
{
    SgDiagCapture diagnostics;
    SgRef<SgParametricModel> model = BoxModel("(while t 1)", 1.0);
    SgRef<SgSeparator> scene = new SgSeparator;
    for (int i = 0; i < 40; ++i)
        scene->AddChild(Instance(model.get(), 1 + i * 0.01, Vec3(i, 0, 0)));
    diagnostics.Clear();
    for (int pass = 0; pass < 2; ++pass) {
        SgPath path;
        path.Append(scene.get());
        SgBoundingBoxAction::CalcBoundingBox(path);
    }
    // Each pass runs what its budget holds (a few evaluations, one report),
    // says once that the rest waits, and the next pass starts afresh.
    EXPECT_EQ(diagnostics.Count("Lisp"), 4) << diagnostics.GetText();
    int used = 0;
    for (const SgDiagnostic &d : diagnostics.GetDiagnostics())
        used += d.Line().find("used up the work allowed for one pass") != std::string::npos ? 1 : 0;
    EXPECT_EQ(used, 2) << diagnostics.GetText();
}

} // namespace
