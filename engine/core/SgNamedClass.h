#pragma once
// A class that code below it (or in another library) can only name by its
// string: a node class or an action class of a higher layer. Declared once at
// namespace scope, so that every such name is listed (All) and the start-up
// test checks that each resolves once the libraries have started; a lookup
// that finds nothing is no silent 0 there.
//
//   const SgNamedClass kMoveTool(SgNamedClass::kNode, "SgMoveTool");
//   ... if (node->IsDerivedFrom(kMoveTool.ClassID())) ...
//
// A class of the same or a lower layer is named by its own ClassID(), which
// the compiler checks.
#include <vector>
#include "engine/core/NodaraExport.h"

class NODARA_API SgNamedClass {
public:
    enum Family { kNode, kAction };

    SgNamedClass(Family family, const char *name);
    // Leaves the list (a library unloaded, or a name declared for a while).
    ~SgNamedClass();
    SgNamedClass(const SgNamedClass &) = delete;
    SgNamedClass &operator=(const SgNamedClass &) = delete;

    // 0 while the class is not registered (its library not started).
    int ClassID() const;
    Family GetFamily() const { return m_family; }
    const char *GetName() const { return m_name; }

    // Every name declared in the libraries loaded, in load order.
    static const std::vector<const SgNamedClass *> &All();

private:
    Family m_family;
    const char *m_name;
    // Ids are fixed once registered: looked up until found, then kept.
    mutable int m_id = 0;
};
