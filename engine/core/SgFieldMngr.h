#pragma once
// Root of every object that carries named, typed fields: nodes, tools, engines.
//
// A class's field table is recorded from the first object of the class that is
// built: each field registers its byte offset inside the object while the
// constructors run (a base-class constructor records into the base's table,
// because virtual calls made during construction answer for the class under
// construction). The second construction of the class meets its first field at
// the offset already recorded and ends the recording. On first access the
// parent's fields are appended, so index 0 is the class's own first field.
#include <cstdint>
#include <string>
#include <typeinfo>

#include "engine/core/NodeID.h"
#include "engine/core/SgClassFamily.h"
#include "engine/core/SgClassMacros.h"
#include "engine/core/NodaraExport.h"

class SgField;
class SgNode;

class NODARA_API SgFieldMngr {
public:
    using Family_t = SgClassFamily<SgFieldMngr>;

    // The per-class field tables have room for this many classes, all libraries
    // together (node class ids 100 to 499, below the element ids), and each
    // class for this many fields, inherited ones included. The start-up test
    // keeps the class count clear of it with the classes still to come.
    static constexpr int kMaxClasses = 400;
    static constexpr int kMaxFields = 32;

    // Run-time type of the family root.
    static int ClassID() { return s_iClassID; }
    static const char *ClassName() { return s_lpszClassName; }
    static int ClassOffset() { return s_iClassID - GetBase(); }
    static SgFieldMngr *Creator();
    static void InitClass();
    static int AssignClassID();
    virtual int GetClassID() const { return s_iClassID; }
    virtual int GetOffset() const { return s_iClassID - GetBase(); }
    virtual const char *GetClassName() const { return s_lpszClassName; }
    // The C++ type the class macros were written for; a subclass without
    // them answers for its parent, and may not record fields in its table.
    virtual const std::type_info &RegisteredType() const { return typeid(SgFieldMngr); }

    SgFieldMngr();
    // A copy is a new object: it gets no references, no persistent id and no
    // connections of the original.
    SgFieldMngr(const SgFieldMngr &other);
    SgFieldMngr &operator=(const SgFieldMngr &other);

    // Field access by index and by name (ASCII case-insensitive).
    virtual int GetFieldsCount();
    virtual SgField *GetFieldAddress(int index);
    virtual const char *GetFieldName(int index);
    virtual bool IsDerivedFrom(int classId) const;
    virtual bool IsNode() const { return false; }
    virtual void SetConnected(bool connected) { m_bConnected = connected; }
    virtual bool IsConnected() const { return m_bConnected; }

    SgField *GetFieldAddressByName(const char *name);
    int NumNodeFields() const;

    // Change-protocol hooks that fields call on their container; nodes give them
    // meaning, other containers (engines) ignore them.
    virtual void OnChange(SgField *) {}
    virtual void UpdateSceneManager(void *) {}

    // Reference counting: created with count 0, each owner adds one.
    void AddRef() { ++m_iRefCount; }
    // Null gives -1. Deletes at 0; an object released without ever having been
    // added survives with a negative count (it was never owned).
    static int Release(SgFieldMngr *object);
    int GetRefCount() const { return m_iRefCount; }
    // Gives back the count that a reference from the container's own field
    // took: a container held only by itself is unreachable and must still be
    // freed. Never deletes; the field lets go of such a reference without a
    // Release.
    void DropSelfReference() { --m_iRefCount; }
    static void Destroy(SgFieldMngr *object);

    // Persistent id.
    NodeID &GetID() { return m_ID; }
    const NodeID &GetID() const { return m_ID; }
    void SetID(const NodeID &id) { m_ID = id; }
    NodeID &GetAssignID();
    void AssignID();
    std::string GetIDAsString() const;

    // Family registry.
    static Family_t &Family();
    static int GetBase() { return 100; }
    static int GetClassCount() { return Family().GetClassCount(); }
    static const char *ClassName(int offset) { return Family().ClassName(offset); }
    static int GetClassIDFromName(const char *name) { return Family().GetClassIDFromName(name); }
    static SgFieldMngr *Create(int classId) { return Family().Create(classId); }
    static void UpdateInhList(int offset, int parentOffset) { Family().UpdateInhList(offset, parentOffset); }
    static int GetParent(int offset) { return Family().GetParent(offset); }
    static int lookupParent(void *const *table, int offset, int mode)
    {
        return Family().LookupParent(table, offset, mode);
    }
    static void RegisterClass(int id, int parentId, const char *name, SgFieldMngr *(*creator)());

    // Field registration, called from the constructors of derived classes in
    // the order in which they declare their fields. Returns false when the
    // class's table is full (the field then cannot be found by index or name).
    bool AddFieldOffset(int byteOffset);
    void AddFieldName(const char *name);
    static void ExtendOffsetTable(int classOffset);
    // Clears every class's table; the library start-up runs it once.
    static int init();

    // Binds the field to this container, records its name, and stores its
    // default with a quiet write that bypasses the no-change test.
    template <class FieldT, class ValueT>
    void AddField(FieldT &field, const char *name, const ValueT &defaultValue)
    {
        RegisterField(field, name);
        field.SetValuePtr(&defaultValue, -2, false, true);
    }
    template <class FieldT>
    void AddField(FieldT &field, const char *name)
    {
        RegisterField(field, name);
    }

    // Ids a new persistent id takes its random part from; tests make them repeatable.
    static void ResetIDCounter();

    // A container handed to scripts as a value: the hook is told when it
    // dies, so that what scripts keep of it can no longer reach it.
    using DeathHook = void (*)(SgFieldMngr *container);
    void MarkHandedOut(DeathHook hook) { m_pfnDeathHook = hook; }

protected:
    // Only Release (at count 0) and Destroy free a container: `delete` on a
    // node or engine does not compile, so no owner can free what others still
    // count. Every derived class keeps its destructor protected for the same
    // reason (an implicit one would be public again).
    virtual ~SgFieldMngr();

    void RegisterField(SgField &field, const char *name);

private:
    NodeID m_ID;
    int32_t m_iRefCount = 0;
    bool m_bConnected = false;
    DeathHook m_pfnDeathHook = nullptr;

    static int s_iClassID;
    static const char *const s_lpszClassName;
};

// The free form that nodes of other libraries call; the default pointer may be
// null for a field that keeps its constructed value.
NODARA_API void AllocateFieldValue(SgFieldMngr *owner, SgField *field, const char *name, const void *defaultValue);
