#pragma once
// The run-time type boilerplate every registered class carries, written once.
//
//   class SgGroup : public SgNode {
//       SG_CLASS_HEADER(SgGroup, SgFieldMngr);
//       ...
//   };
//   SG_CLASS_SOURCE(SgGroup, SgNode, SgFieldMngr, "SgGroup")   // in SgGroup.cpp
//
// A class takes its id from its family's counter the first time it is asked to
// (AssignClassID); the library start-up asks in a fixed order, so ids are the
// same from run to run. InitClass registers name, creator and parent link.
#include <new>
#include <type_traits>
#include <typeinfo>

#define SG_CLASS_HEADER(Class, Root)                                                    \
public:                                                                                 \
    static int ClassID() { return s_iClassID; }                                         \
    static const char *ClassName() { return s_lpszClassName; }                          \
    static int ClassOffset() { return s_iClassID - Root::GetBase(); }                   \
    static int GetClassCount() { return Root::Family().GetClassCount(); }               \
    static Root *Creator();                                                             \
    static void InitClass();                                                            \
    static int AssignClassID();                                                         \
    int GetClassID() const override { return s_iClassID; }                              \
    int GetOffset() const override { return s_iClassID - Root::GetBase(); }             \
    const char *GetClassName() const override { return s_lpszClassName; }               \
    const std::type_info &RegisteredType() const override { return typeid(Class); }     \
                                                                                        \
private:                                                                                \
    static int s_iClassID;                                                              \
    static const char *const s_lpszClassName;                                           \
                                                                                        \
public:

// In a family whose root only its count frees (a protected destructor), no
// class may open that door again with a public destructor: `delete` or a
// local variable would free what others still hold. SG_CLASS_HEADER ends in
// `public:`, so a destructor declared right after it is public unless the
// class says otherwise.
#define SG_CLASS_SOURCE_COMMON_(Class, Parent, Root, Name)                              \
    static_assert(std::is_destructible_v<Root> || !std::is_destructible_v<Class>,       \
                  #Class ": a counted class keeps its destructor protected");           \
    int Class::s_iClassID = 0;                                                          \
    const char *const Class::s_lpszClassName = Name;                                    \
    int Class::AssignClassID()                                                          \
    {                                                                                   \
        if (!s_iClassID)                                                                \
            s_iClassID = Root::Family().TakeID();                                       \
        return s_iClassID;                                                              \
    }                                                                                   \
    void Class::InitClass()                                                             \
    {                                                                                   \
        Root::RegisterClass(AssignClassID(), Parent::AssignClassID(), s_lpszClassName,  \
                            &Class::Creator);                                           \
    }

// A class that can be created from its id.
#define SG_CLASS_SOURCE(Class, Parent, Root, Name)                                      \
    SG_CLASS_SOURCE_COMMON_(Class, Parent, Root, Name)                                  \
    Root *Class::Creator() { return new (std::nothrow) Class; }

// A class that is registered for kind tests but never created by id.
#define SG_ABSTRACT_CLASS_SOURCE(Class, Parent, Root, Name)                             \
    SG_CLASS_SOURCE_COMMON_(Class, Parent, Root, Name)                                  \
    Root *Class::Creator() { return nullptr; }
