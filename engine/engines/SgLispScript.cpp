#include "engine/engines/SgLispScript.h"

#include <cmath>
#include <cstdlib>
#include <strings.h>
#include <sstream>
#include <unordered_map>

#include "engine/core/SgAction.h"
#include "engine/core/SgFieldValue.h"

SG_CLASS_SOURCE(SgLispScript, SgEngine, SgFieldMngr, "SgLispScript")
SG_CLASS_SOURCE(SgStringInput, SgNode, SgFieldMngr, "SgStringInput")

// --- Values --------------------------------------------------------------------------

value_t LispVec3ToArray(const Vec3 &v)
{
    value_t array = LispMakeArray(value_t::Int(3));
    value_t *elements = LispArrayElements(array);
    if (!elements || LispArrayCount(array) < 3)
        return value_t::Error();
    elements[0] = value_t::Double(v.x);
    elements[1] = value_t::Double(v.y);
    elements[2] = value_t::Double(v.z);
    return array;
}

bool LispArrayToVec3(value_t array, Vec3 &out)
{
    const value_t *elements = LispArrayElements(array);
    if (!elements || LispArrayCount(array) < 3 || !elements[0].IsNumber() || !elements[1].IsNumber() ||
        !elements[2].IsNumber()) {
        EngineReport("LISP: a vector needs an array of three numbers, not %s", LispPrintToString(array, 80).c_str());
        return false;
    }
    out = Vec3(LispToDouble(elements[0]), LispToDouble(elements[1]), LispToDouble(elements[2]));
    return true;
}

bool LispCheckedDouble(value_t v, double &out)
{
    if (!v.IsNumber()) {
        EngineReport("LISP: a number was expected, not %s", LispPrintToString(v, 80).c_str());
        return false;
    }
    out = LispToDouble(v);
    return true;
}

bool LispCheckedInt(value_t v, int &out)
{
    if (!v.IsNumber() || (v.tag == LispDouble && !(std::fabs(v.u.d) < 2147483648.0))) {
        EngineReport("LISP: an integer was expected, not %s", LispPrintToString(v, 80).c_str());
        return false;
    }
    out = LispToInt(v);
    return true;
}

namespace {

// Node values carry a number, never the address: a number whose container
// died finds nothing, where an address would reach freed memory.
struct NodeHandles {
    std::unordered_map<SgFieldMngr *, int64_t> ids;
    std::unordered_map<int64_t, SgFieldMngr *> containers;
    int64_t next = 1;
};

NodeHandles &Handles()
{
    static NodeHandles *handles = new NodeHandles; // outlives every container
    return *handles;
}

void ForgetContainer(SgFieldMngr *container)
{
    NodeHandles &handles = Handles();
    auto found = handles.ids.find(container);
    if (found == handles.ids.end())
        return;
    handles.containers.erase(found->second);
    handles.ids.erase(found);
}

} // namespace

value_t LispNodeValue(SgFieldMngr *container)
{
    if (!container)
        return value_t::Nil();
    NodeHandles &handles = Handles();
    auto [found, added] = handles.ids.try_emplace(container, handles.next);
    if (added) {
        handles.containers.emplace(handles.next++, container);
        container->MarkHandedOut(&ForgetContainer);
    }
    value_t v = value_t::Pointer(LispNodeRef, nullptr);
    v.u.raw = found->second;
    return v;
}

SgFieldMngr *LispNodeOf(value_t v)
{
    if (v.tag != LispNodeRef)
        return nullptr;
    const NodeHandles &handles = Handles();
    auto found = handles.containers.find(v.u.raw);
    return found == handles.containers.end() ? nullptr : found->second;
}

// --- Script engine -------------------------------------------------------------------

namespace {

// How many complete expressions the text holds, -1 when it does not read:
// a formula with a syntax error must say so rather than quietly give NIL.
int FormsInText(const char *text)
{
    LispStream *stream = LispOpenStream(text, 0);
    if (!stream)
        return -1;
    bool ok = true;
    int count = 0;
    for (;;) {
        value_t form;
        const LispReadStatus status = LispReadExpression(stream, &form);
        if (status == LispReadStatus::End)
            break;
        if (status == LispReadStatus::Failed) {
            ok = false;
            break;
        }
        ++count;
    }
    LispCloseStream(stream);
    return ok ? count : -1;
}

} // namespace

value_t LispCompileFormula(const LispContextRef &context, const std::string &parameters, const std::string &body,
                           const char *who)
{
    // Compiling has a budget of its own: a scene whose formulas used up the
    // pass's budget must still compile them for the next pass.
    LispFormulaScope scope(context, kLispOwnBudget);
    const int forms = FormsInText(body.c_str());
    if (forms <= 0) {
        EngineReport("%s: the formula does not read: %s", who, body.c_str());
        return value_t::Error();
    }
    if (forms > 1)
        EngineReport("%s: only the first of the formula's %d expressions is used (wrap them in progn): %s", who,
                     forms, body.c_str());
    const std::string text = "(lambda " + parameters + body + " )";
    value_t form = LispReadFromString(text.c_str());
    value_t compiled = form.IsNil() ? value_t::Error() : LispEvalTopLevel(form);
    if (compiled.IsError() || compiled.IsNil()) {
        EngineReport("%s: the formula does not compile: %s", who, body.c_str());
        return value_t::Error();
    }
    return compiled;
}

uint64_t LispFormulaWorkUnit()
{
    return SgAction::OutermostApplyCount();
}

SgLispScript::SgLispScript()
{
    AddField(m_script, "script");
    static const char *const numberNames[] = {"a0", "a1", "a2", "a3"};
    static const char *const vectorNames[] = {"v0", "v1", "v2", "v3"};
    for (int i = 0; i < 4; ++i)
        AddField(m_a[i], numberNames[i]);
    for (int i = 0; i < 4; ++i)
        AddField(m_v[i], vectorNames[i]);
}

int SgLispScript::SetScript(const char *text)
{
    m_compiledText = text ? text : "";
    m_bHasText = true;
    m_lambda = LispCompileFormula(m_lambdaRoot.Context(), "(self a0 a1 a2 a3 v0 v1 v2 v3) ", m_compiledText,
                                  "SgLispScript");
    return m_lambda.IsError() ? 0 : 1;
}

void SgLispScript::BindLispContext(const LispContextRef &context)
{
    if (!context || context == m_lambdaRoot.Context() || m_bEvaluating)
        return;
    m_lambdaRoot.Rebind(context);
    if (m_bHasText)
        SetScript(std::string(m_compiledText).c_str());
    InvalidateOutputs(false);
}

void SgLispScript::Evaluate()
{
    if (m_bEvaluating) {
        EngineReport("SgLispScript: the script's result feeds back into it (a dataflow cycle); not run again");
        return;
    }
    m_bEvaluating = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_bEvaluating};
    try {
        // The inputs first: reading them may run other engines and scripts.
        if (m_script.GetSource()) {
            const std::string &text = m_script.Get();
            if (!m_bHasText || text != m_compiledText)
                SetScript(text.c_str());
        }
        double numbers[4];
        bool hasNumber[4];
        Vec3 vectors[4];
        bool hasVector[4];
        for (int i = 0; i < 4; ++i) {
            hasNumber[i] = m_a[i].GetSource() != nullptr;
            if (hasNumber[i])
                numbers[i] = m_a[i].Get();
            hasVector[i] = m_v[i].GetSource() != nullptr;
            if (hasVector[i])
                vectors[i] = m_v[i].Get();
        }
        for (DxOutput<double> &output : m_outd)
            output.Validate();
        for (DxOutput<Vec3> &output : m_outv)
            output.Validate();
        m_outs.Validate();
        if (!IsCompiled())
            return;

        bool failed = false;
        {
            LispFormulaScope scope(m_lambdaRoot.Context(), LispFormulaWorkUnit());
            if (scope.Refused())
                return;
            value_t *mark = LispArgTop();
            value_t *base = mark;
            bool pushed = LispPushArg(m_lambda) && LispPushArg(LispNodeValue(this));
            for (int i = 0; pushed && i < 4; ++i)
                pushed = LispPushArg(hasNumber[i] ? value_t::Double(numbers[i]) : value_t::Nil());
            for (int i = 0; pushed && i < 4; ++i)
                pushed = LispPushArg(hasVector[i] ? LispVec3ToArray(vectors[i]) : value_t::Nil());
            if (pushed) {
                const value_t result = LispApply(base, 10);
                failed = result.IsError() || LispQuitRequested();
            }
            LispSetArgTop(mark);
        }
        // After the interpreter's own words, which the scope's end reports.
        if (failed)
            EngineReport("SgLispScript: the script failed: %s", m_compiledText.c_str());
    } catch (const SgError &error) {
        EngineReport("SgLispScript: %s", error.what());
    }
}

SgStringInput::SgStringInput()
{
    AddField(m_string, "string", std::string());
}

// --- Converters ----------------------------------------------------------------------

template <class T>
void DxToVariant<T>::Evaluate()
{
    value_t value;
    if constexpr (std::is_same_v<T, int>)
        value = value_t::Int(m_input.Get());
    else
        value = value_t::Double(static_cast<double>(m_input.Get()));
    m_output.set(&value);
}

template <class T>
void DxVariantTo<T>::Evaluate()
{
    const value_t value = m_input.Get();
    if (value.IsNil()) {
        m_output.Validate();
        return;
    }
    if constexpr (std::is_same_v<T, Vec3>) {
        Vec3 v;
        if (LispArrayToVec3(value, v))
            m_output.set(&v);
        else
            m_output.Validate();
    } else if constexpr (std::is_same_v<T, int>) {
        int n = 0;
        if (LispCheckedInt(value, n))
            m_output.set(&n);
        else
            m_output.Validate();
    } else {
        double d = 0.0;
        if (LispCheckedDouble(value, d)) {
            const T typed = static_cast<T>(d);
            m_output.set(&typed);
        } else {
            m_output.Validate();
        }
    }
}

void DxVariantToArray<Vec3>::Evaluate()
{
    const value_t value = m_input.Get();
    if (value.IsNil()) {
        m_output.Validate();
        return;
    }
    const int count = LispArrayCount(value);
    const value_t *elements = LispArrayElements(value);
    if (count < 0 || !elements) {
        EngineReport("LISP: an array of vectors was expected, not %s", LispPrintToString(value, 80).c_str());
        m_output.Validate();
        return;
    }
    std::vector<Vec3> converted(static_cast<size_t>(count));
    for (int j = 0; j < count; ++j) {
        if (!LispArrayToVec3(elements[j], converted[static_cast<size_t>(j)])) {
            m_output.Validate();
            return;
        }
    }
    m_values = std::move(converted);
    m_output.Validate();
}

template class DxToVariant<int>;
template class DxToVariant<float>;
template class DxToVariant<double>;
template class DxVariantTo<int>;
template class DxVariantTo<float>;
template class DxVariantTo<double>;
template class DxVariantTo<Vec3>;

// --- Field built-ins -----------------------------------------------------------------

namespace {

// Null, after the report, for anything but a live node and a name; `gone`
// tells a node that died from a value that never was one.
SgField *NamedField(value_t node, value_t name, const char *who, bool *gone)
{
    SgFieldMngr *container = LispNodeOf(node);
    const char *text = LispStringText(name);
    *gone = node.tag == LispNodeRef && !container;
    if (*gone) {
        EngineReport("%s: the node is gone", who);
        return nullptr;
    }
    if (!container || !text) {
        EngineReport("%s: a node and a field name were expected", who);
        return nullptr;
    }
    SgField *field = container->GetFieldAddressByName(text);
    if (!field)
        EngineReport("%s: %s has no field \"%s\"", who, container->GetClassName(), text);
    return field;
}

value_t GetField(value_t *args, int argc)
{
    if (argc != 2)
        return value_t::Nil();
    bool gone = false;
    SgField *field = NamedField(args[0], args[1], "getfield", &gone);
    if (!field)
        return gone ? value_t::Error() : value_t::Nil();
    // Numbers cross exactly; other fields through their text.
    if (!field->IsVector()) {
        const int type = field->GetTypeId();
        const void *value = field->GetValuePtr(0, true);
        if (value && type == SgFieldDouble)
            return value_t::Double(*static_cast<const double *>(value));
        if (value && type == SgFieldFloat)
            return value_t::Double(*static_cast<const float *>(value));
        if (value && type == SgFieldInt)
            return value_t::Int(*static_cast<const int *>(value));
        if (value && type == SgFieldVec3)
            return LispVec3ToArray(*static_cast<const Vec3 *>(value));
    }
    std::ostringstream text;
    field->WriteToStream(text);
    return LispReadFromString(text.str().c_str());
}

value_t SetField(value_t *args, int argc)
{
    if (argc != 3)
        return value_t::Nil();
    bool gone = false;
    SgField *field = NamedField(args[0], args[1], "setfield", &gone);
    if (!field)
        return gone ? value_t::Error() : value_t::Nil();
    const value_t value = args[2];
    if (!field->IsVector()) {
        const int type = field->GetTypeId();
        if (type == SgFieldDouble || type == SgFieldFloat || type == SgFieldInt || type == SgFieldVec3) {
            double d = 0.0;
            int n = 0;
            Vec3 v;
            if (type == SgFieldDouble && LispCheckedDouble(value, d)) {
                field->SetValuePtr(&d, 0, true, false);
            } else if (type == SgFieldFloat && LispCheckedDouble(value, d)) {
                const float f = static_cast<float>(d);
                field->SetValuePtr(&f, 0, true, false);
            } else if (type == SgFieldInt && LispCheckedInt(value, n)) {
                field->SetValuePtr(&n, 0, true, false);
            } else if (type == SgFieldVec3 && LispArrayToVec3(value, v)) {
                field->SetValuePtr(&v, 0, true, false);
            } else {
                return value_t::Nil();
            }
            return LispT();
        }
    }
    std::istringstream text(LispPrintToString(value));
    try {
        field->ReadFromStream(text, true);
    } catch (const SgError &error) {
        EngineReport("setfield: %s", error.what());
        return value_t::Nil();
    }
    return LispT();
}

// Readers pulling the script are reading the new value already; a script
// run from elsewhere tells them it changed.
void NotifyReaders(SgLispScript *script, DxOutBase &output)
{
    if (script->IsEvaluating())
        return;
    for (DxInBase *input : std::vector<DxInBase *>(output.GetFunOut()))
        input->OnValueChange();
}

value_t SetOut(value_t *args, int argc)
{
    if (argc != 3)
        return value_t::Nil();
    if (args[0].tag == LispNodeRef && !LispNodeOf(args[0])) {
        EngineReport("setout: the node is gone");
        return value_t::Error();
    }
    auto *script = dynamic_cast<SgLispScript *>(LispNodeOf(args[0]));
    if (!script) {
        EngineReport("setout: the first argument must be a script engine");
        return value_t::Nil();
    }
    if (args[1].tag != LispSymbol)
        return LispT();
    const std::string name = LispSymbolName(args[1].u.i);
    auto startsWith = [&](const char *prefix) {
        return name.size() >= 4 && strncasecmp(name.c_str(), prefix, 4) == 0;
    };
    if (startsWith("outv")) {
        const std::string digits = name.substr(4);
        int index = 0;
        if (!digits.empty()) {
            char *end = nullptr;
            const long parsed = std::strtol(digits.c_str(), &end, 10);
            index = (*end == '\0' && parsed >= 0 && parsed <= 2) ? static_cast<int>(parsed) : -1;
        }
        if (index < 0) {
            EngineReport("setout: no vector output %s", name.c_str());
            return value_t::Nil();
        }
        Vec3 v;
        if (!LispArrayToVec3(args[2], v))
            return value_t::Nil();
        script->m_outv[index].set(&v);
        NotifyReaders(script, script->m_outv[index]);
        return LispT();
    }
    if (startsWith("outs")) {
        const std::string text = LispPrintToString(args[2]);
        script->m_outs.set(&text);
        NotifyReaders(script, script->m_outs);
        return LispT();
    }
    EngineReport("setout: no output %s", name.c_str());
    return value_t::Nil();
}

} // namespace

void LispRegisterFieldFunctions()
{
    LispRegisterFunction("getfield", &GetField, 2);
    LispRegisterFunction("setfield", &SetField, 3);
    LispRegisterFunction("setout", &SetOut, 3);
}
