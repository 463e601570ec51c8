#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgHandleTable.h"

#include <cstdio>
#include <string>
#include <vector>

#include "engine/core/SgField.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "platform/SgClock.h"
#include "platform/SgDiagnostics.h"
#include "utilities/StringUtil.h"

int SgFieldMngr::s_iClassID = 0;
const char *const SgFieldMngr::s_lpszClassName = "SgFieldMngr";

namespace {

// One class's field table: its fields' byte offsets and names in field order.
struct FieldTable {
    int16_t count = 0;
    int16_t offsets[SgFieldMngr::kMaxFields] = {};
    std::string names[SgFieldMngr::kMaxFields];
    bool recording = true;  // until the second object of the class is built
    bool complete = false;  // parent's fields appended
    int numNodeFields = 0;  // own node-pointer fields, which come first
};

FieldTable s_tables[SgFieldMngr::kMaxClasses];

FieldTable *TableOf(int classOffset)
{
    if (classOffset < 0 || classOffset >= SgFieldMngr::kMaxClasses)
        return nullptr;
    return &s_tables[classOffset];
}

// The counter part of persistent ids wraps well before the random part
// (at most 32767 * 10000) could carry the sum past a 32-bit int.
constexpr int kIDCounterRange = 1000000000;
int s_iIDCounter = 0;

} // namespace

SgFieldMngr::Family_t &SgFieldMngr::Family()
{
    static Family_t family("SgFieldMngr", GetBase(), kMaxClasses);
    return family;
}

SgFieldMngr *SgFieldMngr::Creator()
{
    return new (std::nothrow) SgFieldMngr;
}

int SgFieldMngr::AssignClassID()
{
    if (!s_iClassID)
        s_iClassID = Family().TakeID();
    return s_iClassID;
}

void SgFieldMngr::InitClass()
{
    RegisterClass(AssignClassID(), AssignClassID(), s_lpszClassName, &SgFieldMngr::Creator);
}

void SgFieldMngr::RegisterClass(int id, int parentId, const char *name, SgFieldMngr *(*creator)())
{
    if (!id || !parentId)
        return;
    Family().Register(id, name, creator);
    Family().UpdateInhList(id - GetBase(), parentId - GetBase());
}

SgFieldMngr::SgFieldMngr() = default;

SgFieldMngr::SgFieldMngr(const SgFieldMngr &) {}

SgFieldMngr &SgFieldMngr::operator=(const SgFieldMngr &)
{
    // Identity, references and connections belong to the object, not its value.
    return *this;
}

SgFieldMngr::~SgFieldMngr()
{
    m_iRefCount = 0;
    if (m_pfnDeathHook)
        m_pfnDeathHook(this);
    // Its GL names and dispatch handles go stale with it.
    SgHandleTable::Forget(this);
}

int SgFieldMngr::init()
{
    for (FieldTable &table : s_tables)
        table = FieldTable();
    return 1;
}

bool SgFieldMngr::AddFieldOffset(int byteOffset)
{
    FieldTable *table = TableOf(GetOffset());
    if (!table) {
        // Without a class id the fields cannot be listed: the class was built
        // before the engine started, or was never registered.
        SgDiagError("Fields", "%s: fields of an unregistered class cannot be found by name",
                    GetClassName() ? GetClassName() : "class");
        return false;
    }
    if (!table->recording)
        return true;
    if (table->count > 0 && table->offsets[0] == byteOffset) {
        table->recording = false;
        return true;
    }
    if (table->count >= kMaxFields || table->complete) {
        // A table completed with the parent's fields can take no own fields
        // after them without breaking the field order; and 32 is the limit.
        SgDiagError("Fields", "%s: no room for field %d (at most %d fields a class)",
                    GetClassName(), table->count + 1, kMaxFields);
        return false;
    }
    table->offsets[table->count++] = static_cast<int16_t>(byteOffset);
    return true;
}

void SgFieldMngr::AddFieldName(const char *name)
{
    FieldTable *table = TableOf(GetOffset());
    if (!table || !table->recording || table->count == 0)
        return;
    table->names[table->count - 1] = name ? name : "";
}

void SgFieldMngr::RegisterField(SgField &field, const char *name)
{
    // While a constructor runs, the dynamic type is the class under
    // construction; when its class macros are missing, the table at hand is
    // its parent's, and entering the field there would list it for every
    // object of the parent.
    if (typeid(*this) != RegisteredType()) {
        field.SetContainer(this, false);
        SgDiagError("Fields", "%s", (std::string("Field \"") + (name ? name : "") + "\": the class that declares it (" +
                            typeid(*this).name() + ") lacks its class macros, so its fields cannot be listed; " +
                            GetClassName() + "'s table is left as it is").c_str());
        return;
    }
    FieldTable *table = TableOf(GetOffset());
    const bool wasRecording = table && table->recording;
    const int before = table ? table->count : 0;
    if (!field.SetContainer(this, true))
        return;
    if (!wasRecording || !table->recording || table->count == before)
        return;
    AddFieldName(name);
    if (field.GetClassID() == SgTField<NodePtr, SgFieldNodePtr>::ClassID() ||
        dynamic_cast<SgTField<NodePtr, SgFieldNodePtr> *>(&field))
        ++table->numNodeFields;
}

void AllocateFieldValue(SgFieldMngr *owner, SgField *field, const char *name, const void *defaultValue)
{
    if (!owner || !field)
        return;
    owner->AddField(*field, name);
    if (defaultValue)
        field->SetValuePtr(defaultValue, -2, false, true);
}

void SgFieldMngr::ExtendOffsetTable(int classOffset)
{
    FieldTable *table = TableOf(classOffset);
    if (!table || table->complete)
        return;
    // Listed once: a class without fields of its own meets no first field
    // again, so completion is what ends its recording.
    table->recording = false;
    int parentOffset;
    try {
        parentOffset = GetParent(classOffset);
    } catch (const SgInvalidArgument &) {
        table->complete = true; // an unregistered class lists only its own fields
        return;
    }
    if (parentOffset == classOffset) {
        table->complete = true;
        return;
    }
    FieldTable *parent = TableOf(parentOffset);
    if (!parent) {
        table->complete = true;
        return;
    }
    if (!parent->complete)
        ExtendOffsetTable(parentOffset);
    for (int i = 0; i < parent->count; ++i) {
        if (table->count >= kMaxFields) {
            SgDiagWarning("Fields", "%s: inherited fields past %d are not listed",
                          ClassName(classOffset) ? ClassName(classOffset) : "class", kMaxFields);
            break;
        }
        table->offsets[table->count] = parent->offsets[i];
        table->names[table->count] = parent->names[i];
        ++table->count;
    }
    table->complete = true;
}

// The object's class table with the parent's fields appended.
static FieldTable *CompletedTable(const SgFieldMngr &object)
{
    const int offset = object.GetOffset();
    FieldTable *table = TableOf(offset);
    if (table)
        SgFieldMngr::ExtendOffsetTable(offset);
    return table;
}

int SgFieldMngr::GetFieldsCount()
{
    const FieldTable *table = CompletedTable(*this);
    return table ? table->count : 0;
}

SgField *SgFieldMngr::GetFieldAddress(int index)
{
    const FieldTable *table = CompletedTable(*this);
    if (!table || index < 0 || index >= table->count)
        return nullptr;
    return reinterpret_cast<SgField *>(reinterpret_cast<char *>(this) + table->offsets[index]);
}

const char *SgFieldMngr::GetFieldName(int index)
{
    const FieldTable *table = CompletedTable(*this);
    if (!table || index < 0 || index >= table->count)
        return nullptr;
    return table->names[index].c_str();
}

SgField *SgFieldMngr::GetFieldAddressByName(const char *name)
{
    if (!name)
        return nullptr;
    const int count = GetFieldsCount();
    for (int i = 0; i < count; ++i) {
        const char *fieldName = GetFieldName(i);
        if (fieldName && SgStrICmp(fieldName, name) == 0)
            return GetFieldAddress(i);
    }
    return nullptr;
}

int SgFieldMngr::NumNodeFields() const
{
    const FieldTable *table = TableOf(GetOffset());
    return table ? table->numNodeFields : 0;
}

bool SgFieldMngr::IsDerivedFrom(int classId) const
{
    return Family().IsDerivedFrom(GetClassID(), classId);
}

namespace {
// A group frees its children from its destructor, so freeing the top of a
// chain frees the levels below it one inside the other. Past this many
// levels a freed object waits in a list instead, and the release at this
// depth frees what waits there one by one: a chain of any depth is freed
// before the outermost release returns, on a stack of bounded depth.
constexpr int kSgNestedFreeDepth = 64;
thread_local int t_sgFreeDepth = 0;
// Never destroyed: objects freed by static destructors, after the
// thread's own objects are gone, may still wait in it.
std::vector<SgFieldMngr *> &SgFreesWaiting()
{
    thread_local auto *waiting = new std::vector<SgFieldMngr *>();
    return *waiting;
}
} // namespace

int SgFieldMngr::Release(SgFieldMngr *object)
{
    if (!object)
        return -1;
    --object->m_iRefCount;
    if (object->m_iRefCount < 0)
        return 0;
    if (object->m_iRefCount == 0) {
        if (t_sgFreeDepth >= kSgNestedFreeDepth) {
            SgFreesWaiting().push_back(object);
            return 0;
        }
        ++t_sgFreeDepth;
        delete object;
        if (t_sgFreeDepth == kSgNestedFreeDepth) {
            std::vector<SgFieldMngr *> &waiting = SgFreesWaiting();
            while (!waiting.empty()) {
                SgFieldMngr *next = waiting.back();
                waiting.pop_back();
                delete next;
            }
            std::vector<SgFieldMngr *>().swap(waiting);
        }
        --t_sgFreeDepth;
        return 0;
    }
    return object->m_iRefCount;
}

void SgFieldMngr::Destroy(SgFieldMngr *object)
{
    delete object;
}

NodeID &SgFieldMngr::GetAssignID()
{
    if (m_ID.IsNull())
        AssignID();
    return m_ID;
}

void SgFieldMngr::AssignID()
{
    const int64_t now = GetClock().Seconds();
    // The random part is the first value of the classic generator seeded with
    // the current second, so ids taken within one second differ by the counter.
    const uint32_t seed = static_cast<uint32_t>(now);
    const uint32_t next = seed * 1103515245u + 12345u;
    const int64_t randomPart = (next / 65536u) % 32768u;
    const int64_t second = randomPart * 10000 + s_iIDCounter;
    s_iIDCounter = (s_iIDCounter + 1) % kIDCounterRange;
    m_ID.first = static_cast<int32_t>(static_cast<uint32_t>(now));
    m_ID.second = static_cast<int32_t>(second);
}

void SgFieldMngr::ResetIDCounter()
{
    s_iIDCounter = 0;
}

std::string SgFieldMngr::GetIDAsString() const
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%i %i\n", m_ID.first, m_ID.second);
    return buffer;
}
