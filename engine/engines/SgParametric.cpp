#include "engine/engines/SgParametric.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <strings.h>

#include "engine/core/SgAction.h"
#include "engine/core/SgDocumentLink.h"
#include "engine/core/SgFieldValue.h"
#include "platform/SgDiagnostics.h"

SG_CLASS_SOURCE(SgParametricModel, SgObject, SgFieldMngr, "SgParametricModel")
SG_CLASS_SOURCE(SgParametricObject, SgObject, SgFieldMngr, "SgParametricObject")

// --- Model parameters ----------------------------------------------------------------

SgPMParam &SgPMParam::operator=(const SgPMParam &other)
{
    if (this == &other)
        return *this;
    m_name = other.m_name;
    m_iType = other.m_iType;
    m_pValue.reset(SgField::Create(m_iType));
    if (m_pValue && other.m_pValue)
        m_pValue->SetValuePtr(other.m_pValue->GetValuePtr(0, true), 0, true, false);
    m_points.insert(m_points.end(), other.m_points.begin(), other.m_points.end());
    return *this;
}

SgPMParam::~SgPMParam() = default;

SgConnectionPoint &SgPMParam::connect(SgField *field, int index)
{
    if (SgFieldMngr *container = field ? field->GetContainer() : nullptr) {
        container->SetConnected(true);
        if (container->GetID().IsNull())
            container->AssignID();
    }
    m_points.push_back(SgConnectionPoint{field, index});
    return m_points.back();
}

void SgPMParam::disconnect(SgField *field, int index)
{
    auto it = std::find_if(m_points.begin(), m_points.end(), [&](const SgConnectionPoint &point) {
        return point.field == field && (index == -1 || point.index == index);
    });
    if (it != m_points.end())
        m_points.erase(it);
}

void SgPMParam::setModelCurrentValue(const void *element, const void *whole)
{
    for (const SgConnectionPoint &point : m_points) {
        if (!point.field)
            continue;
        const bool wholeArray = whole && point.index == -1;
        const void *value = wholeArray ? whole : element;
        const int index = (whole || point.index != -1) ? point.index : 0;
        if (value)
            point.field->SetValuePtr(value, index, false, false);
    }
}

// --- Model ---------------------------------------------------------------------------

SgParametricModel::SgParametricModel(bool withTransform, bool withGroup) : SgObject(withTransform, withGroup) {}

SgParametricModel::~SgParametricModel()
{
    DxLispScript::undoScriptEngine(this);
}

bool SgParametricModel::addParam(const std::string &name, int type, const void *value)
{
    if (name.empty()) {
        EngineReport("SgParametricModel: a parameter needs a name");
        return false;
    }
    // The name is a variable of the model's formulas: it must read as one
    // symbol, and symbols do not tell letter case apart.
    if (!LispIsSymbolName(name.c_str())) {
        EngineReport("SgParametricModel: the parameter name \"%s\" is no LISP symbol; it is not added", name.c_str());
        return false;
    }
    for (const auto &param : m_params) {
        if (param->m_name != name && strcasecmp(param->m_name.c_str(), name.c_str()) == 0) {
            EngineReport("SgParametricModel: the parameter \"%s\" differs from \"%s\" only in letter case; it is "
                         "not added",
                         name.c_str(), param->m_name.c_str());
            return false;
        }
    }
    removeParam(name);
    if (static_cast<int>(m_params.size()) >= kMaxParams) {
        SgDiagTellUser(SgDiagLevel::Error, "Engines",
                       "A model takes at most 31 parameters; \"" + name + "\" is not added", "Error");
        return false;
    }
    auto param = std::make_unique<SgPMParam>();
    param->m_name = name;
    param->m_iType = type;
    param->m_pValue.reset(SgField::Create(type));
    if (!param->m_pValue) {
        EngineReport("SgParametricModel: parameter \"%s\" has no field class %d", name.c_str(), type);
        return false;
    }
    if (value)
        param->m_pValue->SetValuePtr(value, 0, true, false);
    m_params.push_back(std::move(param));
    return true;
}

void SgParametricModel::removeParam(const std::string &name)
{
    auto it = std::find_if(m_params.begin(), m_params.end(), [&](const auto &p) { return p->m_name == name; });
    if (it != m_params.end())
        m_params.erase(it);
}

SgPMParam *SgParametricModel::getParam(const std::string &name)
{
    for (auto &param : m_params) {
        if (param->m_name == name)
            return param.get();
    }
    return nullptr;
}

tTargetField *SgParametricModel::addScript(SgField *field, const char *script)
{
    auto it = std::find_if(m_targets.begin(), m_targets.end(), [&](const auto &t) { return t->field == field; });
    if (it != m_targets.end()) {
        if (!script)
            return it->get();
        if (*script) {
            (*it)->script = script;
            return it->get();
        }
        m_targets.erase(it);
        return nullptr;
    }
    auto target = std::make_unique<tTargetField>();
    target->field = field;
    target->script = script ? script : "";
    m_targets.push_back(std::move(target));
    return m_targets.back().get();
}

void SgParametricModel::connect(const std::string &name, SgField *field, int index)
{
    for (auto &param : m_params) {
        if (param->m_name == name)
            param->connect(field, index);
    }
}

void SgParametricModel::disconnect(const std::string &name)
{
    for (auto &param : m_params) {
        if (param->m_name == name)
            param->disconnect();
    }
}

void SgParametricModel::disconnect(const std::string &name, SgField *field, int index)
{
    for (auto &param : m_params) {
        if (param->m_name == name)
            param->disconnect(field, index);
    }
}

std::string SgParametricModel::GetParamsList() const
{
    std::string list;
    for (const auto &param : m_params)
        list += param->m_name + " ";
    return list;
}

std::string SgParametricModel::RemoveChar(const std::string &text, char c)
{
    std::string result;
    result.reserve(text.size() * 2);
    for (char ch : text) {
        if (ch == c && c != '"')
            continue;
        result += ch;
        if (ch == '"' && c != '"')
            result += ch;
    }
    return result;
}

void SgParametricModel::DoAction(SgAction *action)
{
    const SgActionKind kind = action->GetKind();
    const bool gathersLightsOrEvents = kind == SgActionKind::kRenderLights || kind == SgActionKind::kEvent;
    if (gathersLightsOrEvents && !m_bShowAsTemplate)
        return;
    // The subtree changes with every instance: no cache may keep one's shape.
    const bool was = action->m_bPassFlag;
    action->m_bPassFlag = true;
    SgObject::DoAction(action);
    action->m_bPassFlag = was;
}

namespace {

// Hands each value to its parameter's connection points and formula socket,
// leaving no undo records and telling no parent of the model.
void PushValues(SgParametricModel *model, SgNode *owner, SgField *(*valueOf)(void *, SgPMParam &), void *data)
{
    SgDocument *document = owner->GetDocument();
    const bool recording = document && SgDocumentLink::IsUndoRecording(document);
    if (recording)
        SgDocumentLink::SetUndoRecording(document, false);
    const bool propagation = model->GetNotifyPropagation();
    model->DisableNotifyPropagation();
    for (const auto &param : model->m_params) {
        SgField *field = valueOf(data, *param);
        if (!field)
            continue;
        const bool empty = field->IsVector() && field->GetCount() == 0;
        const void *element = empty ? nullptr : field->GetValuePtr(0, true);
        const void *whole = field->IsVector() ? field->GetValuePtr(-1, true) : nullptr;
        param->setModelCurrentValue(element, whole);
        if (param->m_pSocketField && element)
            param->m_pSocketField->SetValuePtr(element, 0, false, false);
    }
    if (recording)
        SgDocumentLink::SetUndoRecording(document, true);
    if (propagation)
        model->EnableNotifyPropagation(false);
}

} // namespace

void SgParametricModel::PushOwnValues()
{
    PushValues(this, this, [](void *, SgPMParam &param) { return param.m_pValue.get(); }, nullptr);
}

// --- Instances -----------------------------------------------------------------------

namespace {

std::unique_ptr<SgPOParam> MakeValue(SgParametricObject *object, const SgPMParam &param)
{
    auto value = std::make_unique<SgPOParam>();
    value->m_name = param.m_name;
    value->m_iType = param.m_iType;
    value->m_pValue.reset(SgField::Create(param.m_iType));
    if (value->m_pValue) {
        value->m_pValue->SetContainer(object, false);
        const int index = value->m_pValue->IsVector() ? -1 : 0;
        if (param.m_pValue)
            value->m_pValue->SetValuePtr(param.m_pValue->GetValuePtr(index, true), index, false, false);
    }
    return value;
}

} // namespace

// Instances go by the name "PO", in memory as in files.
SgParametricObject::SgParametricObject(bool withTransform, bool withGroup) : SgObject(withTransform, withGroup)
{
    SetName("PO");
}

SgParametricObject::SgParametricObject(SgParametricModel *model) : SgObject(true, true)
{
    SetName("PO");
    SetModel(model);
}

SgParametricObject::~SgParametricObject()
{
    // The values' fields point back here: they go before the object part.
    m_values.clear();
}

void SgParametricObject::SetModel(SgParametricModel *model)
{
    m_pModel = model;
    if (!model)
        return;
    for (const auto &param : model->m_params)
        m_values.push_back(MakeValue(this, *param));
    if (GetChildsCount() == 0)
        AddChild(model);
}

void SgParametricObject::SyncWithModel()
{
    if (!m_pModel)
        return;
    for (const auto &param : m_pModel->m_params) {
        auto it = std::find_if(m_values.begin(), m_values.end(),
                               [&](const auto &value) { return value->m_name == param->m_name; });
        if (it == m_values.end()) {
            m_values.push_back(MakeValue(this, *param));
        } else if ((*it)->m_iType != param->m_iType) {
            // The parameter was replaced by one of another type: a value of
            // the old type would be read as the new one.
            *it = MakeValue(this, *param);
        }
    }
}

SgField *SgParametricObject::getField(const char *name)
{
    for (const auto &value : m_values) {
        if (name && value->m_name == name)
            return value->m_pValue.get();
    }
    return nullptr;
}

void SgParametricObject::setCurrentValue(const std::string &name, const void *value, int index)
{
    for (const auto &entry : m_values) {
        if (entry->m_name == name)
            entry->setObjectCurrentValue(value, index);
    }
    Invalidate();
}

SgField *SgParametricObject::GetFieldAddress(int index)
{
    if (m_bObjectFields)
        return SgObject::GetFieldAddress(index);
    if (index < 0 || index >= static_cast<int>(m_values.size()))
        return nullptr;
    return m_values[static_cast<size_t>(index)]->m_pValue.get();
}

const char *SgParametricObject::GetFieldName(int index)
{
    if (m_bObjectFields)
        return SgObject::GetFieldName(index);
    if (index < 0 || index >= static_cast<int>(m_values.size()))
        return nullptr;
    return m_values[static_cast<size_t>(index)]->m_name.c_str();
}

void SgParametricObject::OnChange(SgField *field)
{
    if (m_bPushing)
        return;
    if (SgSeparator *inner = GetInnerGroup())
        inner->OnChange(field);
    Invalidate();
    NotifyFathers(this);
}

void SgParametricObject::DoAction(SgAction *action)
{
    if (!m_pModel) {
        SgObject::DoAction(action);
        return;
    }
    SyncWithModel();
    m_bPushing = true;
    PushValues(m_pModel, this,
               [](void *self, SgPMParam &param) {
                   return static_cast<SgParametricObject *>(self)->getField(param.m_name.c_str());
               },
               this);
    m_bPushing = false;
    // The model tells no instance of the values this one brings.
    m_pModel->DisableNotifyPropagation();
    SgObject::DoAction(action);
    m_pModel->EnableNotifyPropagation(false);
}

// --- Formula modules -----------------------------------------------------------------

DxLispScript::DxLispScript() = default;

DxLispScript::~DxLispScript() = default;

int DxLispScript::SetScript(const char *text, SgParametricModel *model)
{
    m_text = text ? text : "";
    m_function = value_t::Error();
    const int count = model ? static_cast<int>(model->m_params.size()) : 0;
    if (count > SgParametricModel::kMaxParams) {
        EngineReport("DxLispScript: %d parameters, at most %d", count, SgParametricModel::kMaxParams);
        return 0;
    }
    std::string parameters = "( ";
    int selected = -1;
    for (int i = 0; i < count; ++i) {
        const std::string &name = model->m_params[static_cast<size_t>(i)]->m_name;
        parameters += name + " ";
        if (strcasecmp(name.c_str(), m_text.c_str()) == 0)
            selected = i;
    }
    parameters += ") ";
    m_nArgs = 1 + count;
    if (selected >= 0 && selected < 13) {
        char selector[16];
        std::snprintf(selector, sizeof selector, "arg%d", selected);
        LispContextScope context(m_functionRoot.Context());
        m_function = LispSymbolValue(selector);
        return 1;
    }
    m_function = LispCompileFormula(m_functionRoot.Context(), parameters, m_text, "DxLispScript");
    return m_function.IsError() ? 0 : 1;
}

void DxLispScript::Evaluate()
{
    if (m_bEvaluating) {
        EngineReport("DxLispScript: the formula's value feeds back into it (a dataflow cycle): %s", m_text.c_str());
        m_output.Validate();
        return;
    }
    m_bEvaluating = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_bEvaluating};
    if (m_function.IsError() || m_function.IsNil()) {
        m_output.Validate();
        return;
    }
    std::vector<value_t> values;
    values.reserve(static_cast<size_t>(m_nArgs));
    try {
        for (int i = 0; i + 1 < m_nArgs && i < kMaxInputs; ++i)
            values.push_back(m_inputs[i].GetSource() ? m_inputs[i].Get() : value_t::Nil());
    } catch (const SgError &error) {
        EngineReport("DxLispScript: %s", error.what());
        m_output.Validate();
        return;
    }
    const uint64_t unit = LispFormulaWorkUnit();
    value_t result = value_t::Error();
    bool failed = false;
    {
        LispFormulaScope scope(m_functionRoot.Context(), unit);
        if (scope.Refused()) {
            m_output.Validate();
            return;
        }
        value_t *mark = LispArgTop();
        bool pushed = LispPushArg(m_function);
        for (const value_t &value : values)
            pushed = pushed && LispPushArg(value);
        if (pushed)
            result = LispApply(mark, static_cast<int>(values.size()) + 1);
        LispSetArgTop(mark);
        failed = result.IsError() || LispQuitRequested();
        // A model drawn by many instances fails the same way for each: one
        // report a pass says it.
        if (failed && m_failedUnit == unit)
            scope.DropOutput();
    }
    if (failed) {
        if (m_failedUnit != unit)
            EngineReport("DxLispScript: the formula failed: %s", m_text.c_str());
        m_failedUnit = unit;
        m_output.Validate();
        return;
    }
    if (result.IsNil() && !m_bNilReported) {
        // NIL converts to nothing: the target keeps its value, which the
        // formula's author should hear of once.
        m_bNilReported = true;
        EngineReport("DxLispScript: the formula gives NIL, which leaves its field as it was: %s", m_text.c_str());
    }
    m_output.set(&result);
}

namespace {

DxModule *MakeTargetConverter(SgField *field, DxInBase *&input, DxOutBase *&output)
{
    const int type = field->GetTypeId();
    auto make = [&](auto *converter) -> DxModule * {
        input = &converter->m_input;
        output = &converter->m_output;
        return converter;
    };
    DxModule *converter = nullptr;
    if (field->IsVector()) {
        if (type == SgFieldVec3) {
            auto *array = new DxVariantToArray<Vec3>;
            std::vector<Vec3> current;
            for (int i = 0; i < field->GetCount(); ++i)
                current.push_back(*static_cast<const Vec3 *>(field->GetValuePtr(i, false)));
            array->Seed(std::move(current));
            converter = make(array);
        }
        return converter;
    }
    switch (type) {
    case SgFieldDouble:
        converter = make(new DxVariantTo<double>);
        break;
    case SgFieldInt:
        converter = make(new DxVariantTo<int>);
        break;
    case SgFieldFloat:
        converter = make(new DxVariantTo<float>);
        break;
    case SgFieldVec3:
        converter = make(new DxVariantTo<Vec3>);
        break;
    default:
        return nullptr;
    }
    // A formula that fails leaves the field as it was before it was driven.
    output->set(field->GetValuePtr(0, false));
    return converter;
}

} // namespace

int DxLispScript::ConnectToPModel(SgParametricModel *model, SgField *field, tTargetField *target)
{
    if (!field)
        return 0;
    DxInBase *converterInput = nullptr;
    DxOutBase *converterOutput = nullptr;
    std::unique_ptr<DxModule> converter(MakeTargetConverter(field, converterInput, converterOutput));
    if (!converter) {
        SgDiagTellUser(SgDiagLevel::Error, "Engines", "Apropriate conversion not supported", "Error");
        return 0;
    }
    converterOutput->Connect(field->AsInput());
    m_output.Connect(*converterInput);
    // The seeded value stands only for a formula that fails.
    converter->InvalidateOutputs(false);
    field->AsInput().OnValueChange();
    if (target)
        target->converter = std::move(converter);
    else
        m_pOwnConverter = std::move(converter);
    for (const auto &param : model->m_params) {
        if (param->m_pSocketField && param->m_pValue) {
            if (const void *value = param->m_pValue->GetValuePtr(0, true))
                param->m_pSocketField->SetValuePtr(value, 0, false, false);
        }
    }
    return 1;
}

void DxLispScript::makeParmaSokets(SgParametricModel *model)
{
    for (const auto &param : model->m_params) {
        if (!param->m_pSocketField)
            param->m_pSocketField.reset(SgField::Create(param->m_iType));
        if (!param->m_pSocketField)
            continue;
        param->m_pSocketField->SetContainer(model, false);
        DxToVariantGeneric *converter = nullptr;
        if (!param->m_pSocketField->IsVector()) {
            switch (param->m_pSocketField->GetTypeId()) {
            case SgFieldDouble:
                converter = new DxToVariant<double>;
                break;
            case SgFieldInt:
                converter = new DxToVariant<int>;
                break;
            case SgFieldFloat:
                converter = new DxToVariant<float>;
                break;
            default:
                break;
            }
        }
        param->m_pSocketModule.reset(converter);
        if (!converter) {
            SgDiagTellUser(SgDiagLevel::Error, "Engines", "Apropriate conversion not supported", "Error");
            continue;
        }
        param->m_pSocketField->AsOutput().Connect(converter->GetInput());
    }
}

void DxLispScript::connectParmaSokets(SgParametricModel *model)
{
    const int count = std::min(static_cast<int>(model->m_params.size()), kMaxInputs);
    for (int i = 0; i < count; ++i) {
        auto *converter = dynamic_cast<DxToVariantGeneric *>(model->m_params[static_cast<size_t>(i)]->m_pSocketModule.get());
        if (converter && converter->nOutputs() > 0)
            converter->GetOutput(0)->Connect(m_inputs[i]);
    }
}

void DxLispScript::buildScriptEngine(SgParametricModel *model)
{
    if (!model)
        return;
    undoScriptEngine(model);
    // The model's formulas live in the interpreter its own values belong to.
    LispContextScope context(model->GetLispContext());
    const bool propagation = model->GetNotifyPropagation();
    model->DisableNotifyPropagation();
    makeParmaSokets(model);
    for (const auto &target : model->m_targets) {
        if (!target->field)
            continue;
        target->module = std::make_unique<DxLispScript>();
        if (SgFieldMngr *container = target->field->GetContainer())
            container->SetConnected(true);
        target->module->SetScript(target->script.c_str(), model);
        target->module->ConnectToPModel(model, target->field, target.get());
        target->module->connectParmaSokets(model);
    }
    const std::string params = model->GetParamsList();
    for (int k = 0; k < 3; ++k) {
        model->m_controlPointLambdas[k] = value_t::Nil();
        const std::string &body = model->m_controlPointScripts[k];
        if (body.empty())
            continue;
        const std::string parameters = "(node i" + std::string(k < 2 ? " " : " val ") + (k < 2 ? params : "") + ") ";
        const std::string who = "SgParametricModel: control-point formula " + std::to_string(k);
        model->m_controlPointLambdas[k] = LispCompileFormula(model->GetLispContext(), parameters, body, who.c_str());
    }
    if (propagation)
        model->EnableNotifyPropagation(false);
    model->NotifyFathers(model);
}

void DxLispScript::undoScriptEngine(SgParametricModel *model)
{
    if (!model)
        return;
    for (const auto &target : model->m_targets) {
        if (target->module && target->field)
            target->field->AsInput().Disconnect();
        target->converter.reset();
        target->module.reset();
    }
    for (const auto &param : model->m_params)
        param->m_pSocketModule.reset();
}
