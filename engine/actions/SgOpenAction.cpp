#include "engine/actions/SgOpenAction.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/actions/Vrml1Format.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/core/DxInput.h"
#include "engine/core/DxOutput.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgSceneText.h"
#include "engine/core/SgGroup.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgSwitch.h"
#include "engine/core/SgTField.h"
#include "engine/nodes/geometry/SgGeometricShape.h"
#include "engine/core/SgShape.h"
#include "engine/nodes/geometry/SgFaceSet.h"
#include "engine/nodes/geometry/SgIndexedFaceSet.h"
#include "engine/nodes/properties/SgCamera.h"
#include "engine/core/SgModifier.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/SgError.h"

using Vrml1Format::KeywordKind;
using Vrml1Format::Redirect;
using Vrml1Format::RedirectKind;
using Vrml1Format::SymbolTable;

namespace {

// One more level of nesting for the life of the guard.
class LevelGuard {
public:
    explicit LevelGuard(Vrml1InStream &stream) : m_stream(stream), m_ok(stream.EnterLevel()) {}
    ~LevelGuard()
    {
        if (m_ok)
            m_stream.LeaveLevel();
    }
    bool ok() const { return m_ok; }

private:
    Vrml1InStream &m_stream;
    bool m_ok;
};

// Restores the stream's current container when a block is done with it.
class CurrentGuard {
public:
    CurrentGuard(Vrml1InStream &stream, SgGroup *current) : m_stream(stream), m_saved(stream.m_pCurrent)
    {
        stream.m_pCurrent = current;
    }
    ~CurrentGuard() { m_stream.m_pCurrent = m_saved; }

private:
    Vrml1InStream &m_stream;
    SgGroup *m_saved;
};

// Marks a container's block as being read for as long as the block lasts.
class OpenBlockGuard {
public:
    OpenBlockGuard(Vrml1InStream &stream, const SgFieldMngr *container) : m_stream(stream)
    {
        stream.m_openBlocks.push_back(container);
    }
    ~OpenBlockGuard() { m_stream.m_openBlocks.pop_back(); }

private:
    Vrml1InStream &m_stream;
};

// True (with a message) when `held` is a container whose block is still
// being read: whatever is read inside that block ends up below it, so taking
// it there would make the node hold itself and never be freed.
bool HoldsOpenBlock(Vrml1InStream &stream, const SgFieldMngr *held, const std::string &where)
{
    if (!held || !stream.IsOpenBlock(held))
        return false;
    stream.Report(std::string("A ") + held->GetClassName() + " cannot be used inside its own block (" + where +
                      "); the reference is left out",
                  "Warning");
    return true;
}

std::string Line(long long line)
{
    return " at line " + std::to_string(line);
}

const char *ClassNameOf(SgFieldMngr *container)
{
    return container ? container->GetClassName() : "nothing";
}

int ClassIdOf(const char *name)
{
    return name ? SgFieldMngr::GetClassIDFromName(name) : 0;
}

bool IsOfClass(SgFieldMngr *container, const char *className, bool derived)
{
    const int id = ClassIdOf(className);
    if (!container || !id)
        return false;
    return derived ? container->IsDerivedFrom(id) : container->GetClassID() == id;
}

// The next character closes the enclosing block or list: a value is missing.
bool AtClose(Vrml1InStream &stream)
{
    const int c = stream.PeekNonBlank();
    return c == '}' || c == ']';
}

bool IsTruncated(Vrml1InStream &stream, const std::string &what)
{
    if (stream.PeekNonBlank() != EOF)
        return false;
    stream.Fail("The file ends inside " + what);
    return true;
}

// Stores a symbol's value in the integer-like field that takes it.
bool SetNumber(SgField *field, int value)
{
    if (auto *f = dynamic_cast<SgFInt *>(field)) {
        f->SetValuePtr(&value, -1, true, false);
    } else if (auto *f = dynamic_cast<SgFUShort *>(field)) {
        if (value < 0 || value > 65535)
            return false;
        const auto v = static_cast<unsigned short>(value);
        f->SetValuePtr(&v, -1, true, false);
    } else if (auto *f = dynamic_cast<SgFFloat *>(field)) {
        const auto v = static_cast<float>(value);
        f->SetValuePtr(&v, -1, true, false);
    } else if (auto *f = dynamic_cast<SgFDouble *>(field)) {
        const auto v = static_cast<double>(value);
        f->SetValuePtr(&v, -1, true, false);
    } else {
        return false;
    }
    return true;
}

// Classes a file may name but never create: they act on the user's input
// and belong to the viewers, not to the scene.
const char *const kRefusedClasses[] = {"SgEventHandler", "SgTool", "SgManipulator", "SgViewer"};

} // namespace

// --- Entry points -----------------------------------------------------------------

void SgOpenAction::SetTarget(Vrml1InStream *stream)
{
    m_pStream = stream;
    if (stream)
        stream->m_pCurrent = nullptr;
}

int SgOpenAction::IsValidFile(Vrml1InStream &stream)
{
    std::string line;
    bool binary = false;
    for (;;) {
        const int c = stream.Get();
        if (c == EOF || c == '\n')
            break;
        // Whatever follows a NUL or a first line past the cap, the file is no
        // scene text: the read stops before it has taken in much of it.
        if (c == 0 || line.size() >= kMaxHeaderLine) {
            binary = true;
            break;
        }
        line.push_back(static_cast<char>(c));
    }
    // A byte-order mark from an editor is no part of the first word.
    if (line.compare(0, 3, "\xEF\xBB\xBF") == 0)
        line.erase(0, 3);
    Vrml1Format::Header header;
    if (binary || !Vrml1Format::ParseHeader(line, header)) {
        stream.ReportAtLine("File: " + stream.m_strFileName + " Not a valid KVRX file!", "Warning", 1, true);
        return 0;
    }
    stream.m_nDialect = header.dialect;
    stream.m_nVersion = header.version;
    return -1;
}

SgFieldMngr *SgOpenAction::CreateObject(Vrml1InStream &stream)
{
    stream.m_szWord.clear();
    std::string word;
    if (stream.HasFailed() || !stream.ReadWord(word))
        return nullptr;
    return CreateFromWord(stream, std::move(word), false);
}

bool SgOpenAction::IsDocumentSection(const std::string &word)
{
    return word == "View" || word == "Layers" || word == "Layout";
}

bool SgOpenAction::ReadScene(Vrml1InStream &stream, SgGroup &root)
{
    if (!IsValidFile(stream))
        return false;
    // Added only once the whole scene is read, so a failed read adds nothing.
    std::vector<SgRef<SgNode>> nodes;
    while (!stream.HasFailed() && !stream.AtEnd()) {
        SgFieldMngr *container = CreateObject(stream);
        if (container) {
            SgAdopt<SgFieldMngr> pending(container);
            if (!container->IsNode()) {
                stream.Report(std::string("A ") + container->GetClassName() +
                                  " outside every connection is not kept",
                              "Warning");
                continue;
            }
            auto *node = static_cast<SgNode *>(container);
            if (node->IsGroup() && !node->IsObject() && node->GetName() == "ROOT") {
                auto *group = static_cast<SgGroup *>(node);
                for (SgNode *child : group->GetChildList())
                    nodes.emplace_back(child);
                group->Clear();
            } else {
                nodes.emplace_back(node);
                pending.release();
            }
            continue;
        }
        if (stream.HasFailed())
            break;
        const std::string word = stream.m_szWord;
        if (word.empty())
            continue;
        if (IsDocumentSection(word))
            break;
        stream.Report("Unknown node type: " + Vrml1InStream::Echo(word) + " (the block is skipped)", "Warning");
        if (!stream.SkipBracketed())
            stream.Fail("The file ends inside the " + Vrml1InStream::Echo(word) + " block");
    }
    if (stream.HasFailed())
        return false;
    for (const SgRef<SgNode> &node : nodes) {
        if (!root.AddChild(node.get()))
            stream.Report(std::string("A ") + node->GetClassName() + " could not be added to the scene",
                          "Warning");
    }
    return true;
}

// --- Nodes ------------------------------------------------------------------------

namespace {
SgOpenAction::ParametricReader s_parametricReader = nullptr;
} // namespace

void SgOpenAction::SetParametricReader(ParametricReader reader)
{
    s_parametricReader = reader;
}

SgFieldMngr *SgOpenAction::CreateNested(Vrml1InStream &stream, bool *used)
{
    if (used)
        *used = false;
    stream.m_szWord.clear();
    if (AtClose(stream)) {
        stream.Report("A node is missing before the closing bracket", "Warning");
        return nullptr;
    }
    std::string word;
    if (stream.HasFailed() || !stream.ReadWord(word)) {
        if (!stream.HasFailed())
            stream.Fail("The file ends where a node was expected");
        return nullptr;
    }
    if (used)
        *used = word == "USE";
    return CreateFromWord(stream, std::move(word), true);
}

SgFieldMngr *SgOpenAction::CreateFromWord(Vrml1InStream &stream, std::string word, bool nested)
{
    LevelGuard level(stream);
    if (!level.ok() || word.empty())
        return nullptr;
    if (word[0] == SgSceneText::kComment) {
        stream.SkipLine();
        return nullptr;
    }
    if (word == "}")
        return nullptr;
    if (word == "DEF")
        return ReadDefinition(stream, nested);
    if (word == "USE")
        return ReadUse(stream);
    if (word == "{" && !stream.ReadWord(word)) {
        stream.Fail("The file ends after {");
        return nullptr;
    }
    const std::string &keyword = word;

    const Vrml1Format::Keyword *special = Vrml1Format::FindKeyword(keyword);
    const KeywordKind kind = special ? special->kind : KeywordKind::Plain;
    if (kind == KeywordKind::Scenario) {
        ReadScenario(stream);
        return nullptr;
    }
    // Parametric blocks are read by the reader the engines library installs;
    // without it they are unknown blocks like any other.
    const bool parametric = kind == KeywordKind::ParametricModel || kind == KeywordKind::ParametricObject;
    if (parametric && s_parametricReader)
        return s_parametricReader(stream, kind == KeywordKind::ParametricModel);
    const int classId = parametric ? 0 : ClassIdOfKeyword(keyword, special);
    if (!classId)
        return ReadUnknownKeyword(stream, keyword, nested, parametric);
    if (IsRefusedClass(classId)) {
        stream.Report("A " + Vrml1InStream::Echo(keyword) + " is no scene node and is not read from a file (the block is skipped)",
                      "Warning");
        if (!stream.SkipBracketed())
            stream.Fail("The file ends inside the " + Vrml1InStream::Echo(keyword) + " block");
        return nullptr;
    }
    SgFieldMngr *result = CreateOfKind(stream, kind, classId, keyword);
    if (result)
        FinishRead(stream, kind, result);
    return result;
}

SgFieldMngr *SgOpenAction::ReadDefinition(Vrml1InStream &stream, bool nested)
{
    std::string name;
    if (!stream.ReadWord(name)) {
        stream.Fail("The file ends after DEF");
        return nullptr;
    }
    std::string keyword;
    if (!stream.ReadWord(keyword)) {
        stream.Fail("The file ends after DEF " + name);
        return nullptr;
    }
    SgFieldMngr *container = CreateFromWord(stream, std::move(keyword), nested);
    if (!container) {
        // An unknown block the reader passed over has had its message.
        if (!nested && !stream.m_szWord.empty())
            stream.m_szWord = "DEF";
        return nullptr;
    }
    NodeID id;
    if (Vrml1Format::ParseNodeID(name, id))
        container->SetID(id);
    stream.RecordName(name, container);
    return container;
}

SgFieldMngr *SgOpenAction::ReadUse(Vrml1InStream &stream)
{
    std::string name;
    if (!stream.ReadWord(name)) {
        stream.Fail("The file ends after USE");
        return nullptr;
    }
    SgFieldMngr *container = stream.FindName(name);
    if (!container)
        stream.Report("USE of the name " + Vrml1InStream::Echo(name) + " that no DEF before it gave", "Warning");
    return container;
}

int SgOpenAction::ClassIdOfKeyword(const std::string &keyword, const Vrml1Format::Keyword *special)
{
    if (special)
        return ClassIdOf(special->className);
    int classId = SgFieldMngr::GetClassIDFromName(("Sg" + keyword).c_str());
    // A class whose name does not start with "Sg" is written whole.
    if (!classId && keyword.compare(0, 2, "Sg") != 0)
        classId = SgFieldMngr::GetClassIDFromName(keyword.c_str());
    return classId;
}

SgFieldMngr *SgOpenAction::ReadUnknownKeyword(Vrml1InStream &stream, const std::string &keyword, bool nested,
                                              bool parametric)
{
    stream.m_szWord = keyword;
    if (!nested) {
        // The document's sections, and blocks the caller reports itself.
        if (IsDocumentSection(keyword) || parametric || stream.PeekNonBlank() != '{')
            return nullptr;
        stream.m_szWord.clear();
        return ReadUnknownBlock(stream, keyword);
    }
    // Inside a block of an unknown node its own fields are no news.
    const bool quiet = stream.m_unknownDepth > 0;
    const int next = stream.PeekOnLine();
    if (next == '\n' || next == EOF) {
        // A word alone on its line: whatever the next line holds is read
        // for itself.
        if (!quiet)
            stream.Report("Unknown field or node type: " + Vrml1InStream::Echo(keyword), "Warning");
        return nullptr;
    }
    if (next != '{' || parametric) {
        // No block follows: a field this node does not have, whose value
        // words are no nodes either; one message for the whole of it.
        if (!quiet)
            stream.Report("Unknown field or node type: " + Vrml1InStream::Echo(keyword) + " (its value is skipped)", "Warning");
        stream.SkipValue();
        return nullptr;
    }
    return ReadUnknownBlock(stream, keyword);
}

SgFieldMngr *SgOpenAction::CreateOfKind(Vrml1InStream &stream, KeywordKind kind, int classId,
                                        const std::string &keyword)
{
    switch (kind) {
    case KeywordKind::Object:
        return ReadObject(stream, new SgObject(false, false));
    case KeywordKind::Transform:
        if (stream.m_nDialect == Vrml1Format::kDialect2)
            return ReadObject(stream, new SgObject(true, true));
        return CreateAndRead(stream, classId, keyword);
    case KeywordKind::OrthographicCamera:
    case KeywordKind::PerspectiveCamera: {
        SgFieldMngr *result = CreateAndRead(stream, classId, keyword);
        if (auto *camera = dynamic_cast<SgCamera *>(result)) {
            const unsigned short perspective = kind == KeywordKind::PerspectiveCamera ? 1 : 0;
            camera->m_perspective.SetValuePtr(&perspective, -1, true, false);
        }
        return result;
    }
    default:
        return CreateAndRead(stream, classId, keyword);
    }
}

void SgOpenAction::FinishRead(Vrml1InStream &stream, KeywordKind kind, SgFieldMngr *result)
{
    if (kind == KeywordKind::Transform && stream.m_nVersion < Vrml1Format::kCentreConventionVersion) {
        // Older files stored the translation without the centre that the
        // transform now adds back.
        SgTransform *transform = nullptr;
        if (auto *object = dynamic_cast<SgObject *>(result))
            transform = object->GetTransform(true);
        else
            transform = dynamic_cast<SgTransform *>(result);
        if (transform) {
            const Vec3 moved = transform->m_translation.Get(true) + transform->m_center.Get(true);
            transform->m_translation.SetValuePtr(&moved, -1, true, false);
        }
    }
    if (result->IsNode() && static_cast<SgNode *>(result)->IsModifier())
        static_cast<SgModifier *>(result)->BuildGizmo();
}

SgFieldMngr *SgOpenAction::ReadUnknownBlock(Vrml1InStream &stream, const std::string &keyword)
{
    // Files of other programs hold grouping nodes this system does not know
    // (levels of detail, anchors): their children are read into a separator
    // of their own, and their fields are passed over.
    const long long startLine = stream.GetLine();
    stream.PeekNonBlank();
    stream.Get(); // the "{"
    auto *group = new SgSeparator;
    SgAdopt<SgSeparator> pending(group);
    ++stream.m_unknownDepth;
    bool closed = false;
    while (!stream.HasFailed()) {
        const int c = stream.PeekNonBlank();
        if (c == EOF)
            break;
        if (c == '}') {
            stream.Get();
            closed = true;
            break;
        }
        if (c == '{' || c == '[') {
            if (!stream.SkipBracketed())
                break;
            continue;
        }
        if (c == ']' || c == SgSceneText::kListSeparator || c == '"') {
            if (c == '"')
                stream.SkipValue();
            else
                stream.Get();
            continue;
        }
        std::string word;
        if (!stream.ReadWord(word))
            break;
        SgFieldMngr *child = CreateFromWord(stream, word, true);
        if (stream.HasFailed()) {
            Discard(child);
            break;
        }
        if (!child)
            continue;
        if (!child->IsNode() || HoldsOpenBlock(stream, child, "a child of " + Vrml1InStream::Echo(keyword))) {
            if (!child->IsNode())
                Discard(child);
            continue;
        }
        if (!group->AddChild(static_cast<SgNode *>(child))) {
            stream.Report(std::string("A ") + child->GetClassName() + " could not be added to a " +
                              Vrml1InStream::Echo(keyword),
                          "Warning");
            Discard(child);
        }
    }
    --stream.m_unknownDepth;
    if (!closed) {
        stream.Fail("The file ends inside the " + Vrml1InStream::Echo(keyword) + " block that starts" +
                    Line(startLine));
        return nullptr;
    }
    const int children = group->GetChildsCount();
    // One message per kind: a file of a thousand anchors says so once. Inside
    // another unknown block, a node without children is one more field.
    if ((children > 0 || stream.m_unknownDepth == 0) && stream.m_unknownKinds.insert(keyword).second) {
        if (children > 0)
            stream.ReportAtLine("Unknown node type: " + Vrml1InStream::Echo(keyword) + " (its " +
                                    std::to_string(children) + (children == 1 ? " child is" : " children are") +
                                    " read as a group)",
                                "Warning", startLine, false);
        else
            stream.ReportAtLine("Unknown node type: " + Vrml1InStream::Echo(keyword) + " (the block is skipped)",
                                "Warning", startLine, false);
    }
    if (children == 0)
        return nullptr;
    group->SetReadPlace(stream.m_strFileName, startLine);
    return pending.release();
}

SgFieldMngr *SgOpenAction::CreateAndRead(Vrml1InStream &stream, int classId, const std::string &keyword)
{
    SgFieldMngr *created = SgFieldMngr::Create(classId);
    const bool isNode = created && created->IsNode();
    if (!created || (!isNode && !dynamic_cast<DxModule *>(created)) ||
        (isNode && static_cast<SgNode *>(created)->IsTool())) {
        if (created)
            SgFieldMngr::Destroy(created);
        stream.Report("A " + Vrml1InStream::Echo(keyword) + " cannot be made from a file (the block is skipped)", "Warning");
        if (!stream.SkipBracketed())
            stream.Fail("The file ends inside the " + Vrml1InStream::Echo(keyword) + " block");
        return nullptr;
    }
    SgAdopt<SgFieldMngr> pending(created);
    auto *node = isNode ? static_cast<SgNode *>(created) : nullptr;
    if (node)
        node->SetReadPlace(stream.m_strFileName, stream.GetLine());

    if (node && node->IsGroup()) {
        CurrentGuard current(stream, static_cast<SgGroup *>(node));
        if (!ReadBlock(stream, created, keyword))
            return nullptr;
        return pending.release();
    }
    if (node && node->GetClassID() == SgShape::ClassID() && stream.m_nDialect == Vrml1Format::kDialect2) {
        // A shape of the second dialect stands for an object holding it; its
        // appearance and geometry words add to that object. A "Shape" block of
        // the first dialect is the writer's own and is read as it stands, so
        // that a saved scene keeps its depth.
        auto *object = new SgObject(false, true);
        SgAdopt<SgObject> pendingObject(object);
        {
            CurrentGuard current(stream, object);
            if (!ReadBlock(stream, created, keyword))
                return nullptr;
        }
        object->AddChild(node);
        return pendingObject.release();
    }
    if (!ReadBlock(stream, created, keyword))
        return nullptr;
    ValidateFaces(stream, node);
    return pending.release();
}

void SgOpenAction::ValidateFaces(Vrml1InStream &stream, SgNode *node)
{
    // Faces that cannot be drawn are dropped here, once, rather than met
    // by every frame and written back.
    int dropped = 0;
    if (auto *mesh = dynamic_cast<SgIndexedFaceSet *>(node)) {
        dropped = mesh->Validate();
    } else if (auto *faces = dynamic_cast<SgFaceSet *>(node)) {
        const bool loopsGiven = faces->m_loopCount.GetCount() > 0;
        const int lengths[] = {faces->m_loopCount.GetCount(), faces->m_sizes.GetCount(),
                               faces->m_indexes.GetCount()};
        dropped = faces->Validate(false);
        if (!loopsGiven && faces->m_loopCount.GetCount() > 0)
            stream.Report(std::string(node->GetClassName()) + ": no loopCount; each of the " +
                              std::to_string(faces->m_loopCount.GetCount()) + " sizes is taken as a face of one loop",
                          "Warning");
        const bool trimmed = (loopsGiven && lengths[0] != faces->m_loopCount.GetCount()) ||
                             lengths[1] != faces->m_sizes.GetCount() || lengths[2] != faces->m_indexes.GetCount();
        if (dropped == 0 && trimmed)
            stream.Report(std::string(node->GetClassName()) + ": the face arrays did not agree in length; trimmed to " +
                              std::to_string(faces->GetFaceCount()) + " faces",
                          "Warning");
    }
    if (dropped > 0)
        stream.Report(std::string(node->GetClassName()) + ": " + std::to_string(dropped) +
                          " faces with missing points or fewer than three corners were left out",
                      "Warning");
}

SgObject *SgOpenAction::ReadObject(Vrml1InStream &stream, SgObject *object)
{
    SgAdopt<SgObject> pending(object);
    {
        CurrentGuard current(stream, object);
        if (!ReadBlock(stream, object, "Object"))
            return nullptr;
    }
    if (const std::vector<int> *table = stream.m_pLayerTable) {
        const int layer = object->m_layer.Get(false);
        if (layer >= 0 && layer < static_cast<int>(table->size())) {
            const int renumbered = (*table)[static_cast<size_t>(layer)];
            object->m_layer.SetValuePtr(&renumbered, -1, true, false);
        }
    }
    pending.release();
    return object;
}

bool SgOpenAction::ReadShapeSeparator(Vrml1InStream &stream, SgNode *node, const std::string &keyword,
                                      int &blocksRead)
{
    SgFieldMngr *separator = CreateAndRead(stream, SgSeparator::ClassID(), "Separator");
    if (stream.HasFailed())
        return false;
    auto *shape = dynamic_cast<SgGeometricShape *>(node);
    if (!shape || !separator) {
        Discard(separator);
        return true;
    }
    auto *read = static_cast<SgSeparator *>(separator);
    if (node->IsBuiltinMacro() && shape->GetSeparator()) {
        // A primitive keeps the nodes it builds from; what the file adds
        // goes after them.
        SgRef<SgSeparator> held(read);
        SgSeparator *own = shape->GetSeparator();
        // The references are taken before the read separator lets go of its
        // children: for most of them it is the only holder.
        const std::vector<SgRef<SgNode>> children(read->GetChildList().begin(), read->GetChildList().end());
        read->Clear();
        for (const SgRef<SgNode> &child : children)
            if (!own->AddChild(child.get()))
                stream.Report(std::string("A ") + child->GetClassName() + " could not be added to a " +
                                  Vrml1InStream::Echo(keyword),
                              "Warning");
        return true;
    }
    // The first block holds the operands. A file that gives each operand a
    // block of its own keeps all of them: from the second block on, every
    // block is one operand of a separator round them, in file order.
    if (blocksRead == 0)
        shape->SetSeparator(read);
    else {
        if (blocksRead == 1) {
            SgRef<SgSeparator> first(shape->GetSeparator());
            SgRef<SgSeparator> operands(new SgSeparator);
            operands->AddChild(first.get());
            shape->SetSeparator(operands.get());
        }
        shape->GetSeparator()->AddChild(read);
    }
    ++blocksRead;
    return true;
}

bool SgOpenAction::ReadBlock(Vrml1InStream &stream, SgFieldMngr *container, const std::string &keyword)
{
    SgNode *node = container->IsNode() ? static_cast<SgNode *>(container) : nullptr;
    SgGroup *group = node && node->IsGroup() ? static_cast<SgGroup *>(node) : nullptr;
    const long long startLine = stream.GetLine();
    const std::string what = "the " + Vrml1InStream::Echo(keyword) + " block that starts" + Line(startLine);

    if (stream.PeekNonBlank() != '{') {
        if (IsTruncated(stream, what))
            return false;
        stream.Report("A { is missing after " + Vrml1InStream::Echo(keyword) + "; the node keeps its defaults", "Warning");
        return true;
    }

    const OpenBlockGuard openBlock(stream, container);
    std::vector<char> open;
    std::string word;
    int separatorBlocks = 0;
    for (;;) {
        if (stream.HasFailed())
            return false;
        if (!stream.ReadWord(word)) {
            stream.Fail("The file ends inside " + what);
            return false;
        }
        switch (word[0]) {
        case '{':
        case '[':
            open.push_back(word[0]);
            continue;
        case '}':
        case ']': {
            const char expected = word[0] == '}' ? '{' : '[';
            if (open.empty() || open.back() != expected) {
                stream.Report("Unbalanced Parantesis", "Error", true);
                return true;
            }
            open.pop_back();
            if (open.empty())
                return true;
            continue;
        }
        case ',':
            continue;
        case SgSceneText::kComment:
            stream.SkipLine();
            continue;
        default:
            break;
        }

        if (node) {
            if (word == "NodeName") {
                ReadNodeName(stream, node);
                continue;
            }
            if (word == "NodeID") {
                ReadNodeID(stream, node);
                continue;
            }
            if (word == "Separator" && (node->IsGeometricShape() || node->IsModifier())) {
                if (!ReadShapeSeparator(stream, node, keyword, separatorBlocks))
                    return false;
                continue;
            }
        }
        // Only the second dialect nests shapes in these words; in the first,
        // "Shape" is the block the writer gives a plain shape node.
        if (stream.m_nDialect == Vrml1Format::kDialect2 && Vrml1Format::IsSkippedBlockWord(word))
            continue;
        if (ReadField(stream, container, word, nullptr))
            continue;
        if (const Redirect *redirect = Vrml1Format::FindRedirect(word, stream.m_nDialect)) {
            ApplyRedirect(stream, *redirect, node, word);
            continue;
        }
        if (group) {
            SgFieldMngr *child = CreateFromWord(stream, word, true);
            if (stream.HasFailed()) {
                Discard(child);
                return false;
            }
            if (!child || HoldsOpenBlock(stream, child, std::string("a child of ") + container->GetClassName()))
                continue;
            if (!child->IsNode()) {
                stream.Report(std::string("A ") + child->GetClassName() + " cannot be a child of a " +
                                  container->GetClassName(),
                              "Warning");
                Discard(child);
                continue;
            }
            if (stream.m_nDialect == Vrml1Format::kDialect2 && IsOfClass(child, "SgBackground", true)) {
                Discard(child);
                continue;
            }
            if (node->IsBuiltinMacro()) {
                // Such a group holds only what it builds and is written
                // without children: a node kept there would vanish on save.
                // A DEF on it still names it for a USE further on.
                stream.Report(std::string("A ") + child->GetClassName() + " inside a " + Vrml1InStream::Echo(keyword) +
                                  " is not kept there (the block is skipped)",
                              "Warning");
                Discard(child);
                continue;
            }
            if (!AddChildInFileOrder(stream, group, static_cast<SgNode *>(child))) {
                stream.Report(std::string("A ") + child->GetClassName() + " could not be added to a " +
                                  container->GetClassName(),
                              "Warning");
                Discard(child);
            }
            continue;
        }
        ShowIllegalToken(stream, word, container);
        stream.SkipValue();
    }
}

bool SgOpenAction::AddChildInFileOrder(Vrml1InStream &stream, SgGroup *group, SgNode *child)
{
    // An object block of the first dialect lists the object's own children:
    // what follows its inner group was written from after it and goes back
    // there, not into the group that an object adds children to. It goes at
    // the end of the list: a node the list already names (a USE) is no place
    // to insert after, since it may stand there more than once.
    auto *object = dynamic_cast<SgObject *>(group);
    if (object && object->IsObject() && stream.m_nDialect != Vrml1Format::kDialect2 && object->GetInnerGroup())
        return object->SgGroup::AddChild(child);
    return group->AddChild(child);
}

// --- Fields -----------------------------------------------------------------------

bool SgOpenAction::ReadField(Vrml1InStream &stream, SgFieldMngr *container, const std::string &word,
                             const Redirect *redirect)
{
    const int count = container->GetFieldsCount();
    for (int i = 0; i < count; ++i) {
        const char *name = container->GetFieldName(i);
        if (!name)
            continue;
        const Vrml1Format::FieldSpelling spelling =
            Vrml1Format::GetFileFieldSpelling(container, name, stream.m_nDialect);
        // A redirect names the field as the class does; the file's own words
        // are matched against the field's spelling in the file.
        const bool match = redirect ? std::strcmp(name, redirect->fieldName ? redirect->fieldName : word.c_str()) == 0
                                    : word == spelling.fileName;
        if (!match)
            continue;
        SgField *field = container->GetFieldAddress(i);
        if (!field)
            continue;
        if (dynamic_cast<SgFNodePtr *>(field))
            ReadNodePointer(stream, container, field, name);
        else if (stream.PeekNonBlank() == '=')
            ReadConnection(stream, container, field, name);
        else
            ReadFieldValue(stream, container, field, name, spelling.symbols);
        return true;
    }
    return false;
}

void SgOpenAction::ReadFieldValue(Vrml1InStream &stream, SgFieldMngr *container, SgField *field,
                                  const char *fieldName, const SymbolTable *symbols)
{
    const std::string what = std::string("the value of ") + fieldName;
    if (IsTruncated(stream, what))
        return;
    if (AtClose(stream)) {
        stream.Report(std::string("The field ") + fieldName + " of " + container->GetClassName() +
                          " has no value",
                      "Warning");
        return;
    }
    if (symbols) {
        std::string word;
        if (!stream.ReadWord(word))
            return;
        int value = 0;
        if (!ReadSymbolValue(stream, word, *symbols, value))
            return;
        if (!SetNumber(field, value))
            stream.Report(std::string("The value ") + Vrml1InStream::Echo(word) + " does not fit the field " + fieldName, "Warning");
        return;
    }
    std::istream &in = *stream.m_pStream;
    in.clear();
    const int first = stream.PeekNonBlank();
    // A shape's size is drawn, boxed and tessellated in float: a value no
    // float holds is no size at all.
    auto *size = dynamic_cast<SgFDouble *>(field);
    if (size && !(container->IsNode() && (static_cast<SgNode *>(container)->IsShape() ||
                                          static_cast<SgNode *>(container)->IsGeometricShape())))
        size = nullptr;
    const double sizeBefore = size ? size->Get(true) : 0.0;
    bool ok = false;
    SgSceneText::BadElementScope badElements;
    try {
        ok = Vrml1Format::ReadFieldValue(in, field, true);
    } catch (const SgError &) {
        ok = false;
    }
    in.clear();
    if (ok && size && !(std::abs(size->Get(true)) <= std::numeric_limits<float>::max())) {
        size->SetValuePtr(&sizeBefore, -1, true, false);
        stream.Report(std::string("The value of the field ") + fieldName + " of " + container->GetClassName() +
                          " is out of range (no float holds it); it keeps its value",
                      "Warning");
        return;
    }
    if (ok && badElements.GetCount() > 0)
        stream.Report(std::string("Bad value ") + Vrml1InStream::Echo(badElements.GetFirst()) + " in the field " +
                          fieldName + " of " + container->GetClassName() + ": " +
                          std::to_string(badElements.GetCount()) + " elements left out, the others kept",
                      "Warning");
    if (ok)
        return;
    stream.Report(std::string("Bad value for the field ") + fieldName + " of " + container->GetClassName() +
                      "; it keeps its value",
                  "Warning");
    if (first == SgSceneText::kListOpen) {
        // The list broke off inside: its rest runs to the closing bracket.
        for (;;) {
            const int c = stream.Get();
            if (c == EOF || c == SgSceneText::kListClose)
                break;
        }
    } else {
        stream.SkipValue();
    }
}

void SgOpenAction::ReadNodePointer(Vrml1InStream &stream, SgFieldMngr *holder, SgField *field,
                                   const char *fieldName)
{
    if (IsTruncated(stream, "a node field"))
        return;
    SgFieldMngr *container = CreateNested(stream);
    // A field may point at its own node (the field holds no count on it);
    // a node around the holder it may not.
    if (!container ||
        (container != holder && HoldsOpenBlock(stream, container, std::string("the node field ") + fieldName)))
        return;
    if (!container->IsNode()) {
        stream.Report(std::string("A ") + container->GetClassName() + " cannot stand in a node field", "Warning");
        Discard(container);
        return;
    }
    // The field takes its own reference; the handle keeps the node alive
    // until then and lets it go if the field refuses it.
    const NodePtr node(static_cast<SgNode *>(container));
    field->SetValuePtr(&node, -1, true, false);
}

void SgOpenAction::ReadConnection(Vrml1InStream &stream, SgFieldMngr *container, SgField *field,
                                  const char *fieldName)
{
    stream.Get(); // the "="
    const long long line = stream.GetLine();
    const std::string target = std::string(container->GetClassName()) + "." + fieldName;
    if (IsTruncated(stream, "the connection of " + target))
        return;
    bool used = false;
    SgFieldMngr *source = CreateNested(stream, &used);
    if (stream.HasFailed()) {
        if (!used)
            Discard(source);
        return;
    }
    // A node or engine written here belongs to this connection alone; one
    // that a USE names belongs to the scene, or to the block being read.
    SgAdopt<SgFieldMngr> pending(used ? nullptr : source);

    std::string sourceName;
    if (stream.PeekNonBlank() == '.') {
        stream.Get();
        if (!AtClose(stream))
            stream.ReadWord(sourceName);
    }
    if (!source)
        return; // the missing source has had its message
    if (sourceName.empty()) {
        stream.ReportAtLine("The connection of " + target + " names no source field", "Warning", line, false);
        return;
    }

    // Everything is checked before a port is taken: taking a field as a
    // port marks its node connected, which a connection that fails must not.
    const char *why = nullptr;
    try {
        SgField *sourceField = nullptr;
        DxOutBase *engineOutput = nullptr;
        int sourceType = 0;
        if (source->IsNode()) {
            sourceField = source->GetFieldAddressByName(sourceName.c_str());
            if (!sourceField)
                why = "the source has no field of that name";
            else if (sourceField == field)
                why = "a field cannot drive itself";
            else
                sourceType = sourceField->GetTypeId();
        } else {
            auto *module = dynamic_cast<DxModule *>(source);
            int position = -1;
            const char *end = sourceName.data() + sourceName.size();
            const auto parsed = std::from_chars(sourceName.data(), end, position);
            if (parsed.ec != std::errc() || parsed.ptr != end)
                why = "an engine output is named by its number";
            else if (!module || position < 0 || position >= module->nOutputs())
                why = "the engine has no output of that number";
            else if ((engineOutput = module->GetOutput(position)))
                sourceType = engineOutput->GetPortType();
        }
        DxInBase *engineInput = nullptr;
        int targetType = 0;
        if (container->IsNode())
            targetType = field->GetTypeId();
        else if ((engineInput = dynamic_cast<DxInBase *>(field)))
            targetType = engineInput->GetPortType();
        else if (!why)
            why = "the field is no input of its engine";
        if (!why && (sourceType == 0 || sourceType != targetType))
            why = "the source holds another type of value";
        if (!why) {
            DxOutBase *output = sourceField ? &sourceField->AsOutput() : engineOutput;
            DxInBase *input = engineInput ? engineInput : &field->AsInput();
            // The input may hold this very node from an earlier connection
            // in the file (written inside it): leaving that link must not
            // free the node whose field it connects to now.
            const bool keptBefore = input->GetKeptSource() == source;
            SgRef<SgFieldMngr> holdSource(keptBefore ? source : nullptr);
            // An engine's output keeps a reference for every input it feeds:
            // the engine lives as long as something reads from it.
            output->Connect(*input);
            pending.release();
            // An engine's output holds its engine already; a node written
            // here is held by the input that reads it.
            if ((!used || keptBefore) && source->IsNode())
                input->KeepSourceAlive(source);
            if (DxModule *module = output->GetModule()) {
                module->InvalidateOutputs(false);
                module->Evaluate();
            }
            return;
        }
    } catch (const SgError &error) {
        why = error.what();
    }
    stream.ReportAtLine("Cannot connect " + target + " to " + source->GetClassName() + " . " + sourceName + ": " +
                            (why ? why : "the ports do not fit"),
                        "Warning", line, false);
}

bool SgOpenAction::ReadSymbolValue(Vrml1InStream &stream, const std::string &word, const SymbolTable &table,
                                   int &value)
{
    if (Vrml1Format::LookupSymbol(table, word, value))
        return true;
    stream.Report("Illegal Symbol: " + Vrml1InStream::Echo(word), "Warning");
    return false;
}

bool SgOpenAction::ReadQuotedString(Vrml1InStream &stream, std::string &text)
{
    std::istream &in = *stream.m_pStream;
    in.clear();
    const bool ok = Vrml1Format::ReadQuoted(in, text);
    in.clear();
    if (!ok) {
        if (stream.PeekNonBlank() == EOF)
            stream.Fail("The file ends inside a quoted text");
        else
            stream.Report("A quoted text is missing", "Warning");
    }
    return ok;
}

void SgOpenAction::ReadNodeName(Vrml1InStream &stream, SgNode *node)
{
    if (stream.PeekNonBlank() != '"')
        return;
    std::string name;
    if (ReadQuotedString(stream, name))
        node->SetName(name.c_str());
}

void SgOpenAction::ReadNodeID(Vrml1InStream &stream, SgNode *node)
{
    std::string name;
    if (AtClose(stream) || !stream.ReadWord(name))
        return;
    NodeID id;
    if (!Vrml1Format::ParseNodeID(name, id)) {
        stream.Report("NodeID " + Vrml1InStream::Echo(name) + " is no id", "Warning");
        return;
    }
    node->SetID(id);
    stream.RecordName(name, node);
}

void SgOpenAction::ShowIllegalToken(Vrml1InStream &stream, const std::string &word, SgFieldMngr *container)
{
    // The message carries the line; the word is its subject.
    stream.Report("Ilegal Token: " + Vrml1InStream::Echo(word) + " in " + ClassNameOf(container), "Warning...");
}

// --- Words of the second dialect ------------------------------------------------------

bool SgOpenAction::ApplyRedirect(Vrml1InStream &stream, const Redirect &redirect, SgNode *nodeView,
                                 const std::string &word)
{
    SgGroup *current = stream.m_pCurrent;
    switch (redirect.kind) {
    case RedirectKind::Property: {
        SgFieldMngr *target = nodeView;
        auto *object = dynamic_cast<SgObject *>(current);
        if (object && object->IsObject() && (!nodeView || nodeView->IsObject() || nodeView->IsShape())) {
            const int classId = ClassIdOf(redirect.className);
            SgNode *property = classId ? object->FindPropertyNode(classId) : nullptr;
            if (!property && classId) {
                SgNode *created = SgNode::Create(classId);
                if (created && !object->AddPropertyNode(created, true)) {
                    Discard(created);
                    created = nullptr;
                }
                property = created;
            }
            target = property;
        }
        if (target && ReadField(stream, target, word, &redirect))
            return true;
        ShowIllegalToken(stream, word, target ? target : static_cast<SgFieldMngr *>(nodeView));
        stream.SkipValue();
        return false;
    }
    case RedirectKind::ChildOfClass:
    case RedirectKind::AnyChild: {
        SgFieldMngr *child = CreateNested(stream);
        if (!child)
            return false;
        if (redirect.kind == RedirectKind::ChildOfClass && !IsOfClass(child, redirect.className, false))
            stream.Report(word + " holds a " + child->GetClassName() + " where a " + redirect.className +
                              " belongs",
                          "Warning");
        AddToCurrent(stream, child, word.c_str(), true);
        return true;
    }
    case RedirectKind::Geometry: {
        if (current && current->IsDerivedFrom(SgSwitch::ClassID())) {
            // Each choice of a switch is an object of its own.
            auto *object = new SgObject(false, true);
            SgAdopt<SgObject> pendingObject(object);
            SgFieldMngr *child = nullptr;
            {
                CurrentGuard guard(stream, object);
                child = CreateNested(stream);
            }
            if (!child || HoldsOpenBlock(stream, child, "a choice of a switch"))
                return false;
            if (!child->IsNode() || !object->AddChild(static_cast<SgNode *>(child))) {
                Discard(child);
                return false;
            }
            if (current->AddChild(object))
                pendingObject.release();
            return true;
        }
        SgFieldMngr *child = CreateNested(stream);
        if (!child)
            return false;
        if (IsOfClass(child, "SgIndexedLineSet", false)) {
            stream.Report("A line set as geometry is not kept", "Warning");
            Discard(child);
            return false;
        }
        AddToCurrent(stream, child, word.c_str(), false);
        return true;
    }
    case RedirectKind::Skip: {
        std::string value;
        if (!AtClose(stream))
            stream.ReadWord(value);
        return true;
    }
    }
    return false;
}

void SgOpenAction::AddToCurrent(Vrml1InStream &stream, SgFieldMngr *child, const char *word, bool asProperty)
{
    SgGroup *current = stream.m_pCurrent;
    if (HoldsOpenBlock(stream, child, std::string("after ") + Vrml1InStream::Echo(word)))
        return;
    if (!current || !child->IsNode()) {
        stream.Report(std::string("The ") + child->GetClassName() + " after " + Vrml1InStream::Echo(word) + " has no place to go",
                      "Warning");
        Discard(child);
        return;
    }
    auto *node = static_cast<SgNode *>(child);
    bool added = false;
    if (asProperty && current->IsSeparator() && current->IsObject())
        added = static_cast<SgSeparator *>(current)->AddPropertyNode(node, true);
    else
        added = current->AddChild(node);
    if (!added) {
        stream.Report(std::string("The ") + child->GetClassName() + " after " + Vrml1InStream::Echo(word) + " could not be added",
                      "Warning");
        Discard(child);
    }
}

void SgOpenAction::ReadScenario(Vrml1InStream &stream)
{
    if (const Vrml1InStream::ScenarioReader &reader = Vrml1InStream::GetScenarioReader()) {
        reader(stream);
        return;
    }
    stream.Report("The Scenario section is skipped: no scenario reader is installed", "Warning");
    if (!stream.SkipBracketed())
        stream.Fail("The file ends inside the Scenario section");
}

// --- Helpers ----------------------------------------------------------------------

bool SgOpenAction::IsRefusedClass(int classId)
{
    for (const char *name : kRefusedClasses) {
        const int refused = SgFieldMngr::GetClassIDFromName(name);
        if (refused && SgFieldMngr::Family().IsDerivedFrom(classId, refused))
            return true;
    }
    return false;
}

bool SgOpenAction::IsReadableClass(int classId)
{
    return classId && SgFieldMngr::Family().IsDerivedFrom(classId, SgNode::ClassID()) && !IsRefusedClass(classId);
}

void SgOpenAction::Discard(SgFieldMngr *container)
{
    // Freed unless something adopted it while it was read.
    SgAdopt<SgFieldMngr> unowned(container);
}
