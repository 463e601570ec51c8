#include "modelbuilder/MabrelDlg.h"

#include <algorithm>
#include <memory>
#include <sstream>
#include <strings.h>

#include "platform/SgError.h"
#include "engine/core/SgField.h"
#include "engine/core/SgGroup.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/document/SgUndoInfo.h"
#include "engine/core/SgPath.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/engines/SgParametric.h"
#include "engine/engines/lisp/LispReader.h"
#include "platform/Notifier.h"
#include "platform/SgDiagnostics.h"

namespace {

constexpr const char *kParameterName = "ParameterName: ";
constexpr const char *kParameterType = "ParameterType: ";
constexpr const char *kConnections = "Connections ";
constexpr const char *kFields = "FIELDS: ";

// The field's values as the scene text writes them, "" when they cannot be
// written (a value with no text form).
std::string ValueText(SgField *field)
{
    if (!field)
        return {};
    std::ostringstream out;
    try {
        const int count = field->IsVector() ? field->GetCount() : 1;
        if (count > 0)
            field->WriteToStream(out, 0, count - 1);
    } catch (const SgError &error) {
        SgDiagWarning("Mabrel", "a parameter value has no text: %s", error.what());
        return {};
    }
    return out.str();
}

// A counted hold on the field's node; none for a node nobody counts (a
// parameter's own value field), which a hold would free when it lets go.
SgRef<SgFieldMngr> KeepOf(SgField *field)
{
    SgFieldMngr *container = field ? field->GetContainer() : nullptr;
    return container && container->GetRefCount() > 0 ? SgRef<SgFieldMngr>(container) : SgRef<SgFieldMngr>();
}

// A multi-valued field class follows its single-valued class.
bool TypesMatch(SgField *picked, SgField *value)
{
    const int f = picked->GetClassID();
    const int v = value->GetClassID();
    return f == v || (picked->IsVector() && f == v + 1) || (value->IsVector() && v == f + 1);
}

} // namespace

MabrelDlg::MabrelDlg(SgDocument *document, void *parent) : CCadDlg(document, kDialogId, parent)
{
    // Enter in the tree's label edit or in the script box must not press OK.
    SetProcessEnter(true);
}

MabrelDlg::~MabrelDlg() = default;

void MabrelDlg::Changed()
{
    if (m_pListener)
        m_pListener->BuilderChanged();
}

std::string MabrelDlg::IdText(const SgFieldMngr *object)
{
    if (!object)
        return "0_0";
    const NodeID &id = object->GetID();
    return std::to_string(static_cast<unsigned>(id.first)) + "_" + std::to_string(static_cast<unsigned>(id.second));
}

std::string MabrelDlg::FieldLabel(SgField *field, const std::string &script)
{
    const char *name = field ? field->GetFieldName() : nullptr;
    return std::string("Field  ") + (name ? name : "") + " = " + SgParametricModel::RemoveChar(script, '\r');
}

std::string MabrelDlg::ConnectionLabel(SgField *field)
{
    const char *name = field->GetFieldName();
    SgFieldMngr *container = field->GetContainer();
    const char *className = container ? container->GetClassName() : nullptr;
    return std::string(name ? name : "") + " " + (className ? className : "") + " " + IdText(container);
}

// ---- Opening ---------------------------------------------------------------------------

void MabrelDlg::OnInitDialog()
{
    SgDocument *document = GetDocument();
    SgPath path;
    SgSeparator *object = nullptr;
    if (SgPathList *selection = document ? document->GetSelectionList() : nullptr; selection && !selection->IsEmpty()) {
        path = selection->GetAt(selection->GetFirst());
        object = path.GetObject(true);
    }
    bool filled = false;
    if (auto *model = dynamic_cast<SgParametricModel *>(object)) {
        m_pModel = model;
        filled = true;
    } else if (auto *instance = dynamic_cast<SgParametricObject *>(object); instance && instance->GetModel()) {
        m_pModel = instance->GetModel();
        filled = true;
    } else {
        m_pModel = new SgParametricModel(true, true);
        m_pModel->SetName("PM");
        m_pModel->AssignID();
        // The object's father on the path; without an object (or a father
        // that holds it) the new model starts empty under the scene root.
        const std::vector<SgNode *> &nodes = path.GetNodes();
        auto at = std::find(nodes.rbegin(), nodes.rend(), static_cast<SgNode *>(object));
        SgGroup *parent = nullptr;
        if (object && at != nodes.rend() && std::next(at) != nodes.rend())
            parent = dynamic_cast<SgGroup *>(*std::next(at));
        if (document)
            document->DeselectAll();
        // One undo step takes the wrapping back.
        SgKeyPoint keyPoint(document);
        if (parent) {
            SgRef<SgNode> held = object; // the move leaves no moment without a holder
            // The model joins the scene first, so that its taking the object
            // in is recorded too: undone, the model lets go of the object,
            // which has its scene father alone again (a father left behind
            // would make the object shared, and the writer would name it).
            parent->AddChild(m_pModel.get());
            m_pModel->AddChild(object);
            parent->DeleteChild(object);
        } else if (document && document->GetRoot()) {
            if (object)
                SgDiagWarning("Mabrel", "the selected object has no father on its path; a new empty model is made");
            document->GetRoot()->AddChild(m_pModel.get());
        }
    }
    m_tree.DeleteAllItems();
    if (filled) {
        FillTree();
    } else {
        Data data;
        data.kind = Kind::Model;
        m_tree.InsertItem("PM: " + IdText(m_pModel.get()), data);
    }
    FillTypes();
    m_typeSelection = 0;
    m_modelScript = kControlPoint;
    m_pScriptField = nullptr;
    m_scriptFieldKeep.reset();
    m_bScriptChanged = false;
    Changed();
}

void MabrelDlg::FillTypes()
{
    m_typeNames.clear();
    m_typeIds.clear();
    for (int i = 0; i < SgField::GetClassCount(); ++i) {
        const char *name = SgField::ClassName(i);
        // A class without values of its own (the base of all fields) is no
        // type a parameter can take.
        if (name && std::unique_ptr<SgField>(SgField::Create(kFieldClassBase + i))) {
            m_typeNames.emplace_back(name);
            m_typeIds.push_back(kFieldClassBase + i);
        }
    }
}

void MabrelDlg::FillTree()
{
    m_tree.DeleteAllItems();
    Data modelData;
    modelData.kind = Kind::Model;
    m_tree.InsertItem("PARAMS: " + IdText(m_pModel.get()), modelData);
    for (const auto &param : m_pModel->m_params)
        AddParameterItems(*param, true);
    const Item fields = m_tree.InsertItem(kFields, modelData);
    for (const auto &target : m_pModel->m_targets)
        ShowFieldScript(fields, target->field, target->script);
}

void MabrelDlg::AddParameterItems(SgPMParam &param, bool filled)
{
    Data data;
    data.kind = Kind::Parameter;
    data.param = param.m_name;
    const Item item = m_tree.InsertItem(kParameterName + param.m_name, data, m_tree.GetRootItem());
    // A filled tree names the parameter's own class; a parameter just added,
    // the type list's text.
    const char *className = param.m_pValue ? param.m_pValue->GetClassName() : nullptr;
    m_tree.InsertItem(kParameterType + (filled ? std::string(className ? className : "") : GetTypeText()), {}, item);
    Data value = data;
    value.kind = Kind::Default;
    if (!filled) {
        m_tree.InsertItem("Default Value: " + m_defaultText, value, item);
        return;
    }
    m_tree.InsertItem("Default Value:  " + ValueText(param.m_pValue.get()), value, item);
    if (param.m_points.empty())
        return;
    Data list = data;
    list.kind = Kind::Connections;
    const Item connections = m_tree.InsertItem(kConnections, list, item);
    for (const SgConnectionPoint &point : param.m_points) {
        if (!point.field)
            continue;
        Data c = data;
        c.kind = Kind::Connection;
        c.field = point.field;
        c.index = point.index;
        m_tree.InsertItem(ConnectionLabel(point.field), c, connections);
    }
}

// ---- Entry fields ----------------------------------------------------------------------

void MabrelDlg::SetNameText(const std::string &text)
{
    m_nameText = text;
    OnCryticalEditsChange();
    Changed();
}

void MabrelDlg::SetDefaultText(const std::string &text)
{
    m_defaultText = text;
    OnCryticalEditsChange();
    Changed();
}

void MabrelDlg::OnCryticalEditsChange()
{
    m_enabled.add = !m_nameText.empty() && !m_defaultText.empty();
    m_enabled.clear = !m_nameText.empty() || !m_defaultText.empty();
}

std::string MabrelDlg::GetTypeText() const
{
    if (m_typeSelection < 0 || m_typeSelection >= static_cast<int>(m_typeNames.size()))
        return {};
    return m_typeNames[m_typeSelection];
}

int MabrelDlg::FindType(const std::string &className) const
{
    auto it = std::find(m_typeNames.begin(), m_typeNames.end(), className);
    return it == m_typeNames.end() ? -1 : static_cast<int>(it - m_typeNames.begin());
}

void MabrelDlg::SelectType(int index)
{
    if (index < 0 || index >= static_cast<int>(m_typeNames.size()))
        return;
    m_typeSelection = index;
    // A reminder to take the default from a field picked in the scene.
    SetDefaultText(kCopyNow);
}

void MabrelDlg::OnButtonClear()
{
    m_nameText.clear();
    m_defaultText.clear();
    m_typeSelection = 0;
    OnCryticalEditsChange();
    Changed();
}

// ---- The tree ----------------------------------------------------------------------------

SgPMParam *MabrelDlg::ParamOf(Item item)
{
    const Data &data = m_tree.GetItemData(item);
    if (!m_pModel || data.param.empty())
        return nullptr;
    return m_pModel->getParam(data.param);
}

MabrelDlg::Item MabrelDlg::ParameterItem(const std::string &name) const
{
    for (Item child : m_tree.GetChildren(m_tree.GetRootItem())) {
        const Data &data = m_tree.GetItemData(child);
        if (data.kind == Kind::Parameter && data.param == name)
            return child;
    }
    return 0;
}

void MabrelDlg::SelectItem(Item item)
{
    m_tree.SetCaret(item);
    item = m_tree.GetCaret();
    if (!item) {
        Changed();
        return;
    }
    const Data &data = m_tree.GetItemData(item);
    if (data.kind == Kind::Model && m_tree.GetItemText(item).rfind("FIELDS:", 0) == 0) {
        Changed();
        return;
    }
    if (data.kind == Kind::Field) {
        tTargetField *target = nullptr;
        for (const auto &t : m_pModel->m_targets) {
            if (t->field == data.field)
                target = t.get();
        }
        if (target) {
            m_pScriptField = target->field;
            m_scriptFieldKeep = KeepOf(target->field);
            m_scriptText = target->script;
            m_bScriptChanged = false;
        }
        Changed();
        return;
    }
    if (data.kind != Kind::Parameter) {
        m_enabled.remove = m_enabled.connect = m_enabled.setAsDefault = false;
        const Kind parent = m_tree.GetItemData(m_tree.GetParentItem(item)).kind;
        m_enabled.disconnect = data.kind == Kind::Connections || data.kind == Kind::Connection ||
                               parent == Kind::Connections;
        Changed();
        return;
    }
    SgPMParam *param = ParamOf(item);
    if (!param) {
        m_enabled.remove = m_enabled.connect = m_enabled.setAsDefault = m_enabled.disconnect = false;
        Changed();
        return;
    }
    m_nameText = param->m_name;
    m_defaultText = ValueText(param->m_pValue.get());
    auto type = std::find(m_typeIds.begin(), m_typeIds.end(), param->m_iType);
    if (type != m_typeIds.end())
        m_typeSelection = static_cast<int>(type - m_typeIds.begin());
    OnCryticalEditsChange();
    m_enabled.connect = m_enabled.setAsDefault = m_enabled.remove = true;
    m_enabled.disconnect = false;
    Changed();
}

bool MabrelDlg::OnBeginlabeleditTreeParamlist(Item item) const
{
    return m_tree.Exists(item) && !m_tree.ItemHasChildren(item);
}

// ---- Parameters ----------------------------------------------------------------------

bool MabrelDlg::HasScripts() const
{
    if (!m_pModel)
        return false;
    return !m_pModel->m_targets.empty() ||
           std::any_of(std::begin(m_pModel->m_controlPointScripts), std::end(m_pModel->m_controlPointScripts),
                       [](const std::string &script) { return !script.empty(); });
}

void MabrelDlg::UndoScripts()
{
    // The formulas hold the parameters' sockets: they go before a parameter does.
    if (HasScripts())
        DxLispScript::undoScriptEngine(m_pModel.get());
}

void MabrelDlg::RebuildScripts()
{
    // A model without formulas has no dataflow: its parameters reach their
    // connection points whenever the model is traversed.
    if (HasScripts())
        DxLispScript::buildScriptEngine(m_pModel.get());
}

void MabrelDlg::OnButtonAddparam()
{
    if (!m_pModel)
        return;
    const std::string name = m_nameText;
    if (name.empty() || m_typeSelection < 0 || m_typeSelection >= static_cast<int>(m_typeIds.size()))
        return;
    const int type = m_typeIds[m_typeSelection];
    // The name is a variable of the model's formulas: refused here, with the
    // reason, before anything of the model changes.
    if (!LispIsSymbolName(name.c_str())) {
        SgDiagTellUser(SgDiagLevel::Error, "Mabrel",
                       "\"" + name + "\" is no parameter name: a name is one LISP symbol.", "Error");
        return;
    }
    for (const auto &param : m_pModel->m_params) {
        if (param->m_name != name && strcasecmp(param->m_name.c_str(), name.c_str()) == 0) {
            SgDiagTellUser(SgDiagLevel::Error, "Mabrel",
                           "\"" + name + "\" differs from the parameter \"" + param->m_name +
                               "\" only in letter case; formulas would not tell them apart.",
                           "Error");
            return;
        }
    }
    // The default is read into a field of the chosen class first, so that a
    // class without values refuses before anything of the model changes.
    std::unique_ptr<SgField> value(SgField::Create(type));
    if (!value) {
        SgDiagTellUser(SgDiagLevel::Error, "Mabrel", "The type " + GetTypeText() + " holds no values.", "Error");
        return;
    }
    {
        std::istringstream in(m_defaultText);
        try {
            value->ReadFromStream(in, false);
        } catch (const SgError &error) {
            // The field's own reading decides: what it could not take stays its default.
            SgDiagWarning("Mabrel", "default value \"%s\": %s", m_defaultText.c_str(), error.what());
        }
    }
    SgPMParam *old = m_pModel->getParam(name);
    UndoScripts();
    if (old)
        old->disconnect();
    const bool added = m_pModel->addParam(name, type, nullptr);
    if (added) {
        SgPMParam *param = m_pModel->getParam(name);
        const int whole = value->IsVector() ? -1 : 0;
        try {
            param->m_pValue->SetValuePtr(value->GetValuePtr(whole, false), whole, false, false);
        } catch (const SgError &error) {
            SgDiagWarning("Mabrel", "default value of \"%s\" not taken: %s", name.c_str(), error.what());
        }
        if (Item oldItem = ParameterItem(name))
            m_tree.DeleteItem(oldItem);
        AddParameterItems(*param, false);
        m_nameText.clear();
        m_defaultText.clear();
        OnCryticalEditsChange();
    }
    RebuildScripts();
    Changed();
}

void MabrelDlg::OnButtonDelparam()
{
    const Item item = m_tree.GetCaret();
    SgPMParam *param = m_tree.GetItemData(item).kind == Kind::Parameter ? ParamOf(item) : nullptr;
    if (!param)
        return;
    const std::string name = param->m_name;
    UndoScripts();
    param->disconnect();
    m_pModel->removeParam(name);
    m_tree.DeleteItem(item);
    m_enabled.remove = false;
    m_enabled.connect = m_enabled.setAsDefault = false;
    RebuildScripts();
    Changed();
}

// ---- Connections --------------------------------------------------------------------

void MabrelDlg::OnButtonConnect()
{
    SgDocument *document = GetDocument();
    if (!document || document->GetSelectedFields().empty() || !m_pModel)
        return;
    const Item item = m_tree.GetCaret();
    SgPMParam *param = m_tree.GetItemData(item).kind == Kind::Parameter ? ParamOf(item) : nullptr;
    if (!param || !param->m_pValue)
        return;
    // One entry gives both the field and its element index: the last one
    // picked. Its node is held while the list is emptied.
    const SgDocument::SelectedField picked = document->GetSelectedFields().back();
    document->ClearSelectedFields();
    SgField *field = picked.field;
    SgField *value = param->m_pValue.get();
    if (!field)
        return;
    if (!TypesMatch(field, value)) {
        GetNotifier().Message(kTypeMismatch, "Error", Notifier::Buttons::Ok, Notifier::Icon::Error);
        Changed();
        return;
    }
    ConnectRecorded(*param, field, picked.value);
    if (m_bSetAsDefault) {
        try {
            if (field->IsVector() && value->IsVector()) {
                value->SetValuePtr(field->GetValuePtr(-1, true), -1, false, false);
            } else if (!field->IsVector() || field->GetCount() > 0) {
                // The element the parameter drives, when there is one.
                int element = 0;
                if (field->IsVector() && picked.value > 0 && picked.value < field->GetCount())
                    element = picked.value;
                value->SetValuePtr(field->GetValuePtr(element, true), 0, false, false);
            }
        } catch (const SgError &error) {
            SgDiagWarning("Mabrel", "the value of the picked field was not copied: %s", error.what());
        }
        // The parameter's default item shows the value it took.
        for (Item child : m_tree.GetChildren(item)) {
            if (m_tree.GetItemData(child).kind != Kind::Default)
                continue;
            const std::string &label = m_tree.GetItemText(child);
            const std::size_t colon = label.find(':');
            const std::size_t text =
                colon == std::string::npos ? label.size() : label.find_first_not_of(' ', colon + 1);
            m_tree.SetItemText(child, label.substr(0, std::min(text, label.size())) + ValueText(value));
        }
    }
    Item connections = m_tree.FindChild(item, kConnections);
    const bool made = connections == 0;
    if (made) {
        Data list = m_tree.GetItemData(item);
        list.kind = Kind::Connections;
        connections = m_tree.InsertItem(kConnections, list, item);
        if (SgFieldMngr *container = field->GetContainer(); container && container->GetID().IsNull())
            container->AssignID();
    }
    Data c = m_tree.GetItemData(item);
    c.kind = Kind::Connection;
    c.field = field;
    c.index = picked.value;
    m_tree.InsertItem(ConnectionLabel(field), c, connections);
    if (made) {
        m_bSetAsDefault = false;
        m_enabled.setAsDefault = false;
        m_enabled.connect = false;
    }
    Changed();
}

void MabrelDlg::ConnectRecorded(SgPMParam &param, SgField *field, int index)
{
    // A connection marks the field's node (written named from now on), and
    // the model drives the field's value without recording it. Both are
    // taken back with the connection, so that Cancel or Undo leave the node
    // and its value as they were.
    SgDocument *document = GetDocument();
    SgFieldMngr *container = field->GetContainer();
    const bool wasConnected = container && container->IsConnected();
    std::shared_ptr<SgField> before(SgField::Create(field->GetClassID()));
    if (before)
        before->SetValuePtr(field->GetValuePtr(-1, false), -1, false, true);
    param.connect(field, index);
    if (!document || !container || container->GetRefCount() == 0)
        return;
    SgRef<SgParametricModel> model = m_pModel;
    const std::string name = param.m_name;
    document->AddUndoInfo(new SgUndoInfo(container, [=](bool forward) {
        SgPMParam *connected = nullptr;
        if (model)
            for (const auto &each : model->m_params)
                if (each && each->m_name == name)
                    connected = each.get();
        if (forward) {
            if (connected)
                connected->connect(field, index);
            return;
        }
        if (connected) {
            auto &points = connected->m_points;
            for (auto it = points.end(); it != points.begin();)
                if (--it; it->field == field && it->index == index) {
                    points.erase(it);
                    break;
                }
        }
        if (before)
            field->SetValuePtr(before->GetValuePtr(-1, false), -1, false, false);
        if (!wasConnected)
            container->SetConnected(false);
    }));
}

void MabrelDlg::OnButtonDisconnect()
{
    const Item item = m_tree.GetCaret();
    const Data data = m_tree.GetItemData(item);
    SgPMParam *param = ParamOf(item);
    if (data.kind == Kind::Connections) {
        if (param)
            param->disconnect();
        m_tree.DeleteItem(item);
    } else if (data.kind == Kind::Connection) {
        const Item connections = m_tree.GetParentItem(item);
        if (param) {
            // Exactly this point: a whole-field point (-1) must not take
            // another element's point of the same field with it.
            auto &points = param->m_points;
            auto it = std::find_if(points.begin(), points.end(), [&](const SgConnectionPoint &point) {
                return point.field == data.field && point.index == data.index;
            });
            if (it != points.end())
                points.erase(it);
        }
        m_tree.DeleteItem(item);
        if (!param || param->m_points.empty() || !m_tree.ItemHasChildren(connections))
            m_tree.DeleteItem(connections);
    } else {
        return;
    }
    m_enabled.disconnect = false;
    Changed();
}

void MabrelDlg::OnButtonEmptySelectedField()
{
    if (SgDocument *document = GetDocument())
        document->ClearSelectedFields();
    Changed();
}

// ---- Scripts ----------------------------------------------------------------------------

std::string MabrelDlg::ModelScriptText() const
{
    return m_pModel ? m_pModel->m_controlPointScripts[m_modelScript] : std::string();
}

void MabrelDlg::SetScriptText(const std::string &text)
{
    m_scriptText = text;
    m_bScriptChanged = true;
    Changed();
}

void MabrelDlg::SetModelScriptChoice(int choice)
{
    if (choice >= kControlPoint && choice <= kSetParameter)
        m_modelScript = choice;
    Changed();
}

void MabrelDlg::OnButtonGetScript()
{
    if (!m_pModel)
        return;
    if (m_bScriptChanged && !m_scriptText.empty()) {
        const int answer = GetNotifier().Message(kDiscardQuestion, "Warning", Notifier::Buttons::YesNo,
                                                 Notifier::Icon::Warning);
        if (answer == Notifier::No)
            return;
    }
    SgDocument *document = GetDocument();
    if (document && !document->GetSelectedFields().empty()) {
        const SgDocument::SelectedField &picked = document->GetSelectedFields().back();
        m_pScriptField = picked.field;
        m_scriptFieldKeep = KeepOf(picked.field);
        // Only a look-up: no target is made for a field that has no formula.
        m_scriptText.clear();
        for (const auto &target : m_pModel->m_targets) {
            if (target->field == m_pScriptField)
                m_scriptText = target->script;
        }
    } else {
        m_pScriptField = nullptr;
        m_scriptFieldKeep.reset();
        m_scriptText = ModelScriptText();
    }
    m_bScriptChanged = false;
    Changed();
}

MabrelDlg::Item MabrelDlg::FieldsItem()
{
    for (Item root : m_tree.GetChildren(0)) {
        if (m_tree.GetItemText(root) == kFields)
            return root;
    }
    Data data;
    data.kind = Kind::Model;
    return m_tree.InsertItem(kFields, data);
}

void MabrelDlg::ShowFieldScript(Item fieldsRoot, SgField *field, const std::string &script)
{
    for (Item child : m_tree.GetChildren(fieldsRoot)) {
        if (m_tree.GetItemData(child).field == field) {
            m_tree.DeleteItem(child);
            break;
        }
    }
    if (script.empty())
        return;
    Data data;
    data.kind = Kind::Field;
    data.field = field;
    m_tree.InsertItem(FieldLabel(field, script), data, fieldsRoot);
}

void MabrelDlg::OnButtonSetScript()
{
    if (!m_pModel)
        return;
    // The field's formula module goes only after its field let go of it.
    DxLispScript::undoScriptEngine(m_pModel.get());
    if (m_pScriptField) {
        const bool known = std::any_of(m_pModel->m_targets.begin(), m_pModel->m_targets.end(),
                                       [&](const auto &t) { return t->field == m_pScriptField; });
        // An empty text removes the formula; it never makes an empty one.
        if (!m_scriptText.empty() || known)
            m_pModel->addScript(m_pScriptField, m_scriptText.c_str());
        ShowFieldScript(FieldsItem(), m_pScriptField, m_scriptText);
    } else {
        m_pModel->m_controlPointScripts[m_modelScript] = m_scriptText;
    }
    DxLispScript::buildScriptEngine(m_pModel.get());
    m_bScriptChanged = false;
    Changed();
}

// ---- Closing ----------------------------------------------------------------------------

void MabrelDlg::OnOK()
{
    if (SgDocument *document = GetDocument())
        document->ClearSelectedFields();
    CCadDlg::OnOK();
}

void MabrelDlg::OnCancel()
{
    // Only hidden: the window's owner destroys it, and nothing here touches
    // it after that.
    CCadDlg::OnCancel();
}
