// The "ParametricModel" and "ParametricObject" blocks of scene files.
#include <cstdlib>
#include <string>

#include "engine/actions/SgOpenAction.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/actions/Vrml1Format.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/actions/Vrml1Stream.h"
#include "engine/core/SgRef.h"
#include "engine/engines/SgParametric.h"
#include "platform/SgError.h"

namespace {

// --- Writing -------------------------------------------------------------------------

// An instance is read under the name "PO" until its block names it, so an
// instance without a name says so, or it would come back as "PO".
void WriteObjectPart(SgSaveAction *action, SgObject *object, bool nameEvenWhenEmpty = false)
{
    Vrml1Stream &out = *action->m_pStream;
    out << "Object {\n";
    if (nameEvenWhenEmpty && object->GetName().empty())
        out << "NodeName\t\"\"\n";
    else
        SgSaveAction::WriteNodeName(out, object);
    if (object->m_hide.Get(false) != 0)
        out << "\thide 1\n";
    if (const int layer = object->m_layer.Get(false))
        out << "\tlayer " << layer << "\n";
    if (const int link = object->m_link.Get(false))
        out << "\tlink " << link << "\n";
    action->WriteChildren(object);
    out << "}\n";
}

// The id a field's node was written under, and the field's name.
bool TargetOf(SgSaveAction *action, SgField *field, NodeID &id, std::string &name)
{
    SgFieldMngr *container = field ? field->GetContainer() : nullptr;
    auto *node = container && container->IsNode() ? static_cast<SgNode *>(container) : nullptr;
    if (!node)
        return false;
    id = action->GetWrittenID(node);
    for (int i = 0; i < container->GetFieldsCount(); ++i) {
        if (container->GetFieldAddress(i) == field && container->GetFieldName(i)) {
            name = container->GetFieldName(i);
            return !id.IsNull();
        }
    }
    return false;
}

void WriteModel(SgSaveAction *action, SgParametricModel *model)
{
    Vrml1Stream &out = *action->m_pStream;
    out << "ParametricModel\t{\n";
    model->PushOwnValues();
    WriteObjectPart(action, model);
    out << "\tPMParamList\t{";
    for (const auto &param : model->m_params) {
        out << "\n\t\t" << param->m_iType << '\t' << param->m_name << '\t';
        if (param->m_pValue)
            Vrml1Format::WriteFieldValue(out.getStream(), param->m_pValue.get());
        out << "\t[\t";
        for (const SgConnectionPoint &point : param->m_points) {
            NodeID id;
            std::string name;
            // A point whose node is not in the text cannot be named there.
            if (!TargetOf(action, point.field, id, name))
                continue;
            out << point.index << '\t' << id << '\t' << name << " , ";
        }
        out << "\t]\t";
    }
    out << "\n\t}\nPMFormulaList {\n[\n";
    for (const auto &target : model->m_targets) {
        NodeID id;
        std::string name;
        if (!TargetOf(action, target->field, id, name))
            continue;
        out << "0 " << id << ' ' << name << " \"" << SgParametricModel::RemoveChar(target->script, '\r')
            << "\" ,\n";
    }
    out << "\t] }";
    if (model->m_iControlPoints > 0) {
        out << "\nControlPoints {\n" << model->m_iControlPoints << "\n";
        for (const std::string &text : model->m_controlPointScripts)
            out << '"' << SgParametricModel::RemoveChar(text, '\r') << "\"\n";
        out << "\t }";
    }
    out << "\n}\n";
}

void WriteInstance(SgSaveAction *action, SgParametricObject *object)
{
    Vrml1Stream &out = *action->m_pStream;
    out << "ParametricObject { \n";
    WriteObjectPart(action, object, true);
    out << "\tPOParamList\t{";
    for (int i = 0; i < object->GetFieldsCount(); ++i) {
        SgField *field = object->GetFieldAddress(i);
        const char *name = object->GetFieldName(i);
        if (!field || !name)
            continue;
        out << "\n\t\t" << name << '\t';
        Vrml1Format::WriteFieldValue(out.getStream(), field);
    }
    out << "}\n}\n";
}

void WriteParametric(SgSaveAction *action, SgNode *node)
{
    if (!action->WriteDefUse(node))
        return;
    if (auto *model = dynamic_cast<SgParametricModel *>(node))
        WriteModel(action, model);
    else if (auto *object = dynamic_cast<SgParametricObject *>(node))
        WriteInstance(action, object);
}

// --- Reading -------------------------------------------------------------------------

bool ReadWord(Vrml1InStream &stream, std::string &word, const char *where)
{
    if (stream.HasFailed())
        return false;
    if (!stream.ReadWord(word)) {
        stream.Fail(std::string("The file ends inside ") + where);
        return false;
    }
    return true;
}

bool Expect(Vrml1InStream &stream, const char *expected, const char *where)
{
    std::string word;
    if (!ReadWord(stream, word, where))
        return false;
    if (word != expected) {
        stream.Fail(std::string("\"") + expected + "\" expected in " + where + ", not \"" + word + "\"");
        return false;
    }
    return true;
}

// The field of a node that was read under the DEF name `id`.
SgField *FindTarget(Vrml1InStream &stream, const std::string &id, const std::string &fieldName)
{
    SgFieldMngr *container = stream.FindName(id);
    return container ? container->GetFieldAddressByName(fieldName.c_str()) : nullptr;
}

bool ReadFieldText(Vrml1InStream &stream, SgField *field)
{
    std::istream &in = *stream.m_pStream;
    in.clear();
    stream.PeekNonBlank();
    bool ok = false;
    try {
        ok = Vrml1Format::ReadFieldValue(in, field, false);
    } catch (const SgError &) {
        ok = false;
    }
    in.clear();
    return ok;
}

bool ReadParamList(Vrml1InStream &stream, SgParametricModel *model)
{
    const char *where = "the parameter list";
    if (!Expect(stream, "{", where))
        return false;
    std::string word;
    for (;;) {
        if (!ReadWord(stream, word, where))
            return false;
        if (word == "}")
            return true;
        const int type = std::atoi(word.c_str());
        std::string name;
        if (!ReadWord(stream, name, where))
            return false;
        std::unique_ptr<SgField> value(SgField::Create(type));
        if (!value) {
            stream.Fail("The parameter " + name + " has no field type " + word);
            return false;
        }
        if (!ReadFieldText(stream, value.get()))
            stream.Report("Bad value for the parameter " + name, "Warning");
        // An array field read from nothing has no first value to take.
        if (value->GetCount() < 1) {
            stream.Fail("The parameter " + name + " has no value");
            return false;
        }
        const bool added = model->addParam(name, type, value->GetValuePtr(0, false));
        if (!Expect(stream, "[", where))
            return false;
        for (;;) {
            if (!ReadWord(stream, word, where))
                return false;
            if (word == "]")
                break;
            const int index = std::atoi(word.c_str());
            std::string id, fieldName, separator;
            if (!ReadWord(stream, id, where) || !ReadWord(stream, fieldName, where) ||
                !ReadWord(stream, separator, where))
                return false;
            SgField *field = FindTarget(stream, id, fieldName);
            if (field && added)
                model->connect(name, field, index);
            else if (!field)
                stream.Report("Cannot connect to node field " + id + " " + fieldName, "Warning");
        }
    }
}

bool ReadFormulaList(Vrml1InStream &stream, SgParametricModel *model)
{
    const char *where = "the formula list";
    if (!Expect(stream, "{", where) || !Expect(stream, "[", where))
        return false;
    std::string word;
    for (;;) {
        if (!ReadWord(stream, word, where))
            return false;
        if (word == "]")
            return Expect(stream, "}", where);
        const long long line = stream.GetLine();
        std::string id, fieldName, text, separator;
        if (!ReadWord(stream, id, where) || !ReadWord(stream, fieldName, where))
            return false;
        if (!SgOpenAction::ReadQuotedString(stream, text))
            return false;
        if (!ReadWord(stream, separator, where))
            return false;
        if (SgField *field = FindTarget(stream, id, fieldName))
            model->addScript(field, text.c_str());
        else
            stream.Report("Cannot find to node: " + id + " field: " + fieldName + " at line " + std::to_string(line),
                          "Warning");
    }
}

bool ReadControlPoints(Vrml1InStream &stream, SgParametricModel *model)
{
    const char *where = "the control points";
    std::string word;
    if (!Expect(stream, "{", where) || !ReadWord(stream, word, where))
        return false;
    model->m_iControlPoints = std::atoi(word.c_str());
    for (std::string &text : model->m_controlPointScripts) {
        if (!SgOpenAction::ReadQuotedString(stream, text))
            return false;
    }
    return Expect(stream, "}", where);
}

// The object part of a model or instance block; false when it failed and
// took the object with it.
bool ReadObjectPart(Vrml1InStream &stream, SgObject *object)
{
    try {
        return SgOpenAction::ReadObjectBlock(stream, object) != nullptr;
    } catch (const SgError &error) {
        stream.Fail(error.what());
        return false;
    }
}

SgFieldMngr *ReadModel(Vrml1InStream &stream)
{
    auto *model = new SgParametricModel(false, false);
    SgAdopt<SgParametricModel> pending(model);
    const char *where = "a ParametricModel block";
    if (!Expect(stream, "{", where))
        return nullptr;
    std::string word;
    for (;;) {
        if (!ReadWord(stream, word, where))
            return nullptr;
        if (word == "}")
            break;
        bool ok = true;
        if (word == "Object") {
            // The object part discards the model itself when it fails, by a
            // return or by an exception: the guard here must not do it again.
            if (!ReadObjectPart(stream, model)) {
                pending.release();
                return nullptr;
            }
        } else if (word == "PMParamList") {
            ok = ReadParamList(stream, model);
        } else if (word == "PMFormulaList") {
            ok = ReadFormulaList(stream, model);
        } else if (word == "ControlPoints") {
            ok = ReadControlPoints(stream, model);
        } else {
            stream.Report("Unknown word " + word + " in a ParametricModel block (skipped)", "Warning");
        }
        if (!ok || stream.HasFailed())
            return nullptr;
    }
    DxLispScript::buildScriptEngine(model);
    return pending.release();
}

SgParametricModel *FirstModelBelow(SgNode *node, int depth = 0)
{
    auto *group = dynamic_cast<SgGroup *>(node);
    if (!group || depth > 2)
        return nullptr;
    for (SgNode *child : group->GetChildList()) {
        if (auto *model = dynamic_cast<SgParametricModel *>(child))
            return model;
    }
    for (SgNode *child : group->GetChildList()) {
        if (SgParametricModel *model = FirstModelBelow(child, depth + 1))
            return model;
    }
    return nullptr;
}

SgFieldMngr *ReadInstance(Vrml1InStream &stream)
{
    auto *object = new SgParametricObject(false, false);
    object->SetName("PO");
    SgAdopt<SgParametricObject> pending(object);
    const char *where = "a ParametricObject block";
    if (!Expect(stream, "{", where))
        return nullptr;
    bool objectRead = false;
    std::string word;
    for (;;) {
        if (!ReadWord(stream, word, where))
            return nullptr;
        if (word == "}")
            break;
        if (word == "Object" && objectRead) {
            // A second model would add its parameters beside the first's.
            stream.Report("A second Object part in a ParametricObject block (skipped)", "Warning");
            if (!stream.SkipBracketed()) {
                stream.Fail("The file ends inside a ParametricObject block");
                return nullptr;
            }
        } else if (word == "Object") {
            objectRead = true;
            object->ShowObjectFields(true);
            // The object part discards the object itself when it fails, by a
            // return or by an exception: the guard here must not do it again.
            if (!ReadObjectPart(stream, object)) {
                pending.release();
                return nullptr;
            }
            object->ShowObjectFields(false);
            if (stream.HasFailed())
                return nullptr;
            if (SgParametricModel *model = FirstModelBelow(object))
                object->SetModel(model);
            else
                stream.Report("A ParametricObject without its model", "Warning");
        } else if (word == "POParamList") {
            if (!Expect(stream, "{", where))
                return nullptr;
            for (;;) {
                if (!ReadWord(stream, word, where))
                    return nullptr;
                if (word == "}")
                    break;
                if (SgField *field = object->getField(word.c_str())) {
                    if (!ReadFieldText(stream, field))
                        stream.Report("Bad value for the parameter " + word, "Warning");
                } else {
                    stream.Report("The instance has no parameter " + word + " (its value is skipped)", "Warning");
                    stream.SkipValue();
                }
            }
        } else {
            stream.Report("Unknown word " + word + " in a ParametricObject block (skipped)", "Warning");
        }
        if (stream.HasFailed())
            return nullptr;
    }
    return pending.release();
}

SgFieldMngr *ReadParametric(Vrml1InStream &stream, bool model)
{
    return model ? ReadModel(stream) : ReadInstance(stream);
}

} // namespace

void SgInstallParametricFormat()
{
    SgSaveAction::SetParametricWriter(&WriteParametric);
    SgOpenAction::SetParametricReader(&ReadParametric);
}
