// The field-editing family: the numbers a tool changes, shown as it changes
// them, and the user's numbers written back into the fields (as new values,
// or as offsets to the current ones).
#include <strings.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "engine/core/SgField.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgTField.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/tools/SgEditSubObjectTool.h"
#include "engine/tools/SgToolFields.h"
#include "facade/CDrevon.h"
#include "facade/FieldEditing.h"
#include "platform/controls/SgVectorFieldModel.h"

namespace drevon {

namespace {

// A field's name as a row's label: "bottomRadius" shows "Bottom radius".
std::string FieldEditRowLabel(const char *name)
{
    std::string label;
    for (const char *c = name ? name : ""; *c; ++c) {
        const bool upper = *c >= 'A' && *c <= 'Z';
        if (label.empty())
            label += upper || *c < 'a' || *c > 'z' ? *c : static_cast<char>(*c - 'a' + 'A');
        else if (upper)
            label += std::string(" ") + static_cast<char>(*c - 'A' + 'a');
        else
            label += *c;
    }
    return label;
}

// Element `index` of a field as a number: a vector field's element, a
// single field's value; false for a field that holds no number.
bool ReadNumber(SgField *field, int index, double &value)
{
    if (!field)
        return false;
    if (!field->IsVector())
        return SgField::CastNumericFieldToDouble(field, &value) != 0;
    if (index < 0 || index >= field->GetCount())
        return false;
    std::ostringstream text;
    field->WriteToStream(text, index, index);
    return std::sscanf(text.str().c_str(), "%lf", &value) == 1;
}

// Writes a number into element `index` (vector fields) or the field itself,
// in the field's own type; a field that holds no number is left alone.
void WriteNumber(SgField *field, int index, double value)
{
    if (!field)
        return;
    if (field->IsVector()) {
        if (index < 0 || index >= field->GetCount())
            return;
        double current = 0.0;
        if (!ReadNumber(field, index, current))
            return;
        std::istringstream text(std::to_string(value));
        field->ReadElementFromStream(text, index, true, false);
        return;
    }
    if (SgFieldMngr *container = field->GetContainer())
        SgToolFields::SetDouble(container, field->GetFieldName(), value);
}

bool IsRotationField(SgField *field)
{
    return field && field->GetTypeId() == SgFieldRotation;
}

bool NameIs(SgField *field, const char *name)
{
    const char *own = field ? field->GetFieldName() : nullptr;
    return own && strcasecmp(own, name) == 0;
}

} // namespace

FieldEditing::FieldEditing(CDrevon &facade) : m_facade(facade) {}

FieldEditing::~FieldEditing() = default;

void FieldEditing::ForgetFields()
{
    m_editedFields.clear();
}

void FieldEditing::ListenTo(SgDocument *document)
{
    m_fieldEdited.Reset();
    m_editedFields.clear();
    if (document)
        m_fieldEdited = document->Subscribe(SgDocumentEventKind::kFieldEdited, &FieldEditing::OnFieldEdited, this);
}

SgVectorFieldModel *FieldEditing::CreateEditor(int count, const char *const *names)
{
    if (count < 0)
        count = 0;
    m_editor = std::make_unique<SgVectorFieldModel>(count, names);
    m_rowNames.clear();
    for (int i = 0; i < count; ++i)
        m_rowNames.emplace_back(names && names[i] ? names[i] : "");
    return m_editor.get();
}

void FieldEditing::SetVector(const double *values, int count, int first)
{
    if (m_editor && values) {
        m_editor->SetVector(values, count, first);
        m_changed.Notify();
    }
}

void FieldEditing::OnFieldEdited(const SgDocumentEvent &event, void *context)
{
    auto *self = static_cast<FieldEditing *>(context);
    const SgFieldEdit *edit = event.edit;
    if (!edit || !self->m_editor)
        return;
    // A tool in the world frame (mode 200) edits with new values; the
    // others edit in their own frames, by offsets.
    self->ShowFields(edit->values, edit->valueCount, 0, edit->fieldCount, edit->fields, edit->index,
                     edit->mode == 200);
}

void FieldEditing::ShowFields(const double *values, int count, int position, int fieldCount, SgField *const *fields,
                              int index, bool absolute)
{
    SgVectorFieldModel *editor = m_editor.get();
    if (!editor || count < 0 || position < 0)
        return;
    m_position = position;
    std::vector<double> numbers;
    if (values) {
        numbers.assign(values, values + count);
    } else {
        for (int i = 0; i < fieldCount && fields && fields[i]; ++i) {
            double number = 0.0;
            ReadNumber(fields[i], fields[i]->IsVector() ? index : 0, number);
            numbers.push_back(number);
        }
        count = static_cast<int>(numbers.size());
    }
    editor->SetVector(numbers.data(), count, position);
    m_editedFields.clear();
    // One number per field: each row is named by its field ("Height" while
    // a box's height is drawn out); the parts of one field's value keep the
    // names the editor was made with (X, Y, Z, Angle).
    const bool numberPerField = fieldCount >= count && count > 0;
    for (int i = 0; i < count && position + i < static_cast<int>(m_rowNames.size()); ++i) {
        const bool named = numberPerField && fields && i < fieldCount && fields[i];
        editor->SetParamName(position + i, named ? FieldEditRowLabel(fields[i]->GetFieldName()).c_str()
                                                 : m_rowNames[position + i].c_str());
    }
    for (int i = 0; i < fieldCount && fields && fields[i] && i < kMaxEditedFields; ++i) {
        EditedField edited;
        edited.container = fields[i]->GetContainer();
        edited.field = fields[i];
        edited.index = index;
        m_editedFields.push_back(edited);
    }
    m_absolute = absolute;
    m_changed.Notify();
}

void FieldEditing::ShowRotationAsAxisAngle()
{
    if (!m_editor || m_absolute || m_editedFields.empty())
        return;
    SgField *field = m_editedFields.front().field;
    if (!IsRotationField(field))
        return;
    const Rotation rotation = static_cast<SgFRotation *>(field)->Get(true);
    const double shown[4] = {rotation.GetAxis().x, rotation.GetAxis().y, rotation.GetAxis().z, rotation.GetAngle()};
    m_editor->SetVector(shown, 4, 0);
    m_changed.Notify();
}

void FieldEditing::TakeNumbers()
{
    if (!m_editor || m_editedFields.empty())
        return;
    SgVectorFieldModel *editor = m_editor.get();
    std::vector<double> numbers(static_cast<size_t>(editor->GetRowCount()), 0.0);
    editor->GetVector(numbers.data());
    auto number = [&numbers](int at) { return at >= 0 && at < static_cast<int>(numbers.size()) ? numbers[at] : 0.0; };

    const EditedField &first = m_editedFields.front();
    SgFieldMngr *container = first.container.get();
    const bool transform = container && container->IsDerivedFrom(SgTransform::ClassID());
    SgDocument *document = m_facade.GetDocument();
    {
        SgKeyPoint keyPoint(document);
        if (transform) {
            auto *node = static_cast<SgTransform *>(container);
            SgField *field = first.field;
            if (IsRotationField(field)) {
                auto *rotation = static_cast<SgFRotation *>(field);
                const double angle = m_absolute ? number(3) : number(3) + rotation->Get(true).GetAngle();
                rotation->Set(Rotation(Vec3(number(0), number(1), number(2)), angle));
            } else if (NameIs(field, "translation") || NameIs(field, "scaleFactor")) {
                auto *vector = static_cast<SgFVec3 *>(field);
                const Vec3 entered(number(0), number(1), number(2));
                if (m_absolute) {
                    vector->Set(entered);
                } else {
                    // An offset is given in the transform's own frame.
                    const Vec3 moved = node->GetMatrix().TransformVector(entered);
                    vector->Set(vector->Get(true) + moved);
                    const double zero[3] = {0.0, 0.0, 0.0};
                    editor->SetVector(zero, 3, m_position);
                }
            }
        } else {
            int place = 0;
            for (const EditedField &edited : m_editedFields) {
                const double value = number(m_position + place);
                ++place;
                double current = 0.0;
                if (!ReadNumber(edited.field, edited.index, current))
                    continue;
                WriteNumber(edited.field, edited.index, value);
            }
        }
    }
    // Sub-objects under edit follow their moved gizmo.
    SgSelectionHandler *selection = document ? document->GetSelectionHandler() : nullptr;
    if (selection && selection->m_bSubObject) {
        if (auto *tool = dynamic_cast<SgEditSubObjectTool *>(m_facade.GetCreation().GetActiveTool()))
            SgEditSubObjectTool::OnMoveCB(nullptr, tool);
    }
    m_changed.Notify();
    m_facade.Redraw();
}

} // namespace drevon
