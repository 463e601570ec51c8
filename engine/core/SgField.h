#pragma once
// Base of every field: a named, typed value inside a field container, with a
// text form, interpolation, comparison, undo recording and the change protocol
// that every write runs (scene-manager update, dataflow invalidation, notice to
// the container). Names are not stored here: the container's class table maps
// a field number to its name and position.
#include <iosfwd>
#include <memory>

#include "engine/core/SgClassFamily.h"
#include "engine/core/SgClassMacros.h"
#include "engine/core/NodaraExport.h"

class DxInBase;
class DxModule;
class DxOutBase;
class SgFieldChange;
class SgFieldMngr;

// Field type ids: what a field holds, independent of class ids.
enum SgFieldTypeId {
    SgFieldInt = 1,
    SgFieldFloat = 2,
    SgFieldUShort = 3,
    SgFieldDouble = 4,
    SgFieldVec2 = 6,
    SgFieldVec3 = 7,
    SgFieldVec4 = 8,
    SgFieldVec2f = 9,
    SgFieldColor = 10,
    SgFieldRotation = 11,
    SgFieldImage = 12,
    SgFieldString = 13,
    SgFieldVec3f = 14,
    SgFieldNodePtr = 20,
    SgFieldR1FuncRef = 30,
    SgFieldR2FuncRef = 31,
    SgFieldR3FuncRef = 32,
};

class SgNode;

class NODARA_API SgField {
public:
    using Family_t = SgClassFamily<SgField>;
    using ModuleFactory = DxModule *(*)(SgField *field);

    // Run-time type of the family root.
    static int ClassID() { return s_iClassID; }
    static const char *ClassName() { return s_lpszClassName; }
    static int ClassOffset() { return s_iClassID - GetBase(); }
    static SgField *Creator() { return nullptr; }
    static int AssignClassID();
    virtual int GetClassID() const { return s_iClassID; }
    virtual int GetOffset() const { return s_iClassID - GetBase(); }
    virtual const char *GetClassName() const { return s_lpszClassName; }

    SgField() = default;
    // A copy belongs to no container and owns no module: a module serves
    // exactly one field and is deleted by it.
    SgField(const SgField &other);
    SgField &operator=(const SgField &other);
    virtual ~SgField();

    virtual bool IsVector() const { return false; }
    virtual int GetCount() const { return 1; }
    // index -1: the whole value; -2: store without the no-change test.
    virtual void SetValuePtr(const void *value, int index, bool undo, bool quiet);
    virtual const void *GetValuePtr(int index, bool evaluate);
    virtual void NotifyParent();
    virtual DxOutBase &AsOutput();
    virtual DxInBase &AsInput();
    operator DxOutBase &() { return AsOutput(); }
    operator DxInBase &() { return AsInput(); }
    virtual void WriteToStream(std::ostream &out, int first = 0, int last = -1);
    virtual void ReadFromStream(std::istream &in, bool undo);
    virtual void DeleteValues(int first, int count);
    virtual void ReadElementFromStream(std::istream &in, int index, bool undo, bool insert);
    // Blends a and b into result, all of the class of the field called; a
    // field of another class among them is left as it is, with a diagnostic
    // (ReportInterpolationRefused).
    virtual void Interpolate(SgField *a, SgField *b, double t, SgField *result);
    static void ReportInterpolationRefused(const char *className, SgField *a, SgField *b, SgField *result);
    virtual bool Compare(SgField *a, SgField *b);
    virtual DxOutBase *GetModuleSource() const { return nullptr; }
    virtual DxModule *CreateModule() { return nullptr; }
    virtual const char *GetFieldName() const;
    virtual int GetTypeId() const { return 0; }
    // The memory an undo buffer of this field holds (a value as RecordUndo
    // hands it over); 0 when the field cannot tell.
    virtual std::size_t UndoBufferBytes(const void *buffer) const;

    SgFieldMngr *GetContainer() const { return m_pContainer; }
    // With `record` set, also enters the field in the container class's table.
    // Returns false when the table had no room for it.
    bool SetContainer(SgFieldMngr *container, bool record);
    virtual DxModule *GetModule() const { return m_pModule; }
    void RemoveModule();

    bool IsIgnored() const { return m_bIgnored; }
    void SetIgnored(bool ignored) { m_bIgnored = ignored; }
    bool IsOutputOnly() const { return m_bOutputOnly; }
    void SetOutputOnly(bool outputOnly) { m_bOutputOnly = outputOnly; }

    // Family registry.
    static Family_t &Family();
    static int GetBase() { return 20000; }
    static int GetClassCount() { return Family().GetClassCount(); }
    static const char *ClassName(int offset) { return Family().ClassName(offset); }
    static int GetClassIDFromName(const char *name) { return Family().GetClassIDFromName(name); }
    static SgField *Create(int classId) { return Family().Create(classId); }
    static void Destroy(SgField *field) { delete field; }
    static void RegisterClass(int id, int parentId, const char *name, SgField *(*creator)());
    // Registers every field class in its fixed order; idempotent.
    static void InitFieldClasses();

    // Numeric read of a double, float or int field: 3, 2 or 1 by kind; 0 (and
    // the output untouched) for any other field.
    static int CastNumericFieldToDouble(SgField *field, double *out);

    // The typed field modules are supplied by the dataflow layer per field
    // type id; a field whose type has none cannot be taken as a port.
    static void SetModuleFactory(int typeId, bool vector, ModuleFactory factory);
    static ModuleFactory GetModuleFactory(int typeId, bool vector);

protected:
    // The node whose edits of this field are recorded for undo now; null when
    // none are (no node, undo off, no recording document).
    SgNode *UndoRecordingNode() const;
    // Hands the values before and after a change to the document as one undo
    // record. Takes ownership of both buffers; `release` frees one.
    void RecordUndo(void *before, void *after, void (*release)(void *));
    // Hands a change of part of the value to the document as one undo record.
    void RecordChange(std::unique_ptr<SgFieldChange> change);

    // The two halves of the change protocol around every single-value write.
    void PreUpdate(bool quiet);
    void PostUpdate(bool quiet);
    void SetModule(DxModule *module) { m_pModule = module; }

private:
    SgFieldMngr *m_pContainer = nullptr;
    bool m_bIgnored = false;
    bool m_bOutputOnly = false;
    DxModule *m_pModule = nullptr;

    static int s_iClassID;
    static const char *const s_lpszClassName;
};
