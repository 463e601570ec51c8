#pragma once
// The field-editing commands of the facade: the numbers of the field a tool
// edits, shown while it edits (tools report each step through the document)
// and written back when the user changes them, as new values or as offsets
// to the current ones. It owns the editor's numbers and the fields under
// edit; a host's view shows the numbers and hears when they change.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/document/SgDocumentEvents.h"
#include "facade/HostListeners.h"
#include "facade/DrevonExport.h"

class SgDocument;
class SgField;
class SgFieldMngr;
class SgVectorFieldModel;

namespace drevon {

class CDrevon;

class DREVON_API FieldEditing {
public:
    explicit FieldEditing(CDrevon &facade);
    ~FieldEditing();
    FieldEditing(const FieldEditing &) = delete;
    FieldEditing &operator=(const FieldEditing &) = delete;

    // Follows the edits reported in this document (null: none).
    void ListenTo(SgDocument *document);
    // Forgets the fields under edit (their document is going).
    void ForgetFields();

    SgVectorFieldModel *CreateEditor(int count, const char *const *names);
    SgVectorFieldModel *GetEditor() const { return m_editor.get(); }
    // Shows numbers from `first` on.
    void SetVector(const double *values, int count, int first);
    // Shows the fields' numbers (values null: read from the fields) from
    // `position` on and records the fields as the ones under edit. With
    // `absolute` the editor's numbers are new values, else offsets.
    void ShowFields(const double *values, int count, int position, int fieldCount, SgField *const *fields, int index,
                    bool absolute);
    // A rotation under relative edit shows as axis and angle.
    void ShowRotationAsAxisAngle();
    // Writes the editor's numbers into the fields under edit: one undo step.
    void TakeNumbers();

    [[nodiscard]] HostSubscription SubscribeChanged(std::function<void()> listener)
    {
        return m_changed.Subscribe(std::move(listener));
    }

private:
    static void OnFieldEdited(const SgDocumentEvent &event, void *self);

    // The field under edit: up to five fields with their value indices.
    struct EditedField {
        SgRef<SgFieldMngr> container;
        SgField *field = nullptr;
        int index = 0;
    };
    static constexpr int kMaxEditedFields = 5;

    CDrevon &m_facade;
    std::unique_ptr<SgVectorFieldModel> m_editor;
    // The rows' names as the editor was made with: a vector's parts.
    std::vector<std::string> m_rowNames;
    std::vector<EditedField> m_editedFields;
    int m_position = 0;
    bool m_absolute = false;
    HostListeners<void()> m_changed;
    SgDocumentSubscription m_fieldEdited;
};

} // namespace drevon
