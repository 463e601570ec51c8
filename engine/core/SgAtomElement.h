#pragma once
// An element holding a plain value: a write replaces it and a cache compares
// the value itself.
#include <type_traits>

#include "engine/core/SgElement.h"
#include "engine/core/SgNode.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

// Value equality as caches need it: numbers and pointers exactly (so a NaN
// never matches, not even itself), vectors component by component.
template <class T>
inline bool SgElementValuesEqual(const T &a, const T &b)
{
    return a == b;
}
inline bool SgElementValuesEqual(const Vec3 &a, const Vec3 &b)
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

template <class T, int Id>
class NODARA_API SgAtomElement : public SgElement {
    SG_ELEMENT_CLASS_MEMBERS(SgElement)

    using ValueType = T;
    static constexpr int kTemplateId = Id;
    // Numbers and pointers travel by value, anything larger by reference.
    using Param = std::conditional_t<std::is_scalar_v<T>, T, const T &>;

    static T s_DefaultValue;

    SgAtomElement() : m_value(s_DefaultValue) {}
    explicit SgAtomElement(const T &value) : m_value(value) {}

    // A new element holding the class default; its depth is the caller's to set.
    static SgElement *Create(SgState *state) { return MakeIn<SgAtomElement>(state, s_DefaultValue); }

    static void Set(SgState *state, SgNode *node, Param value)
    {
        if (SgAtomElement *e = GetElement(state, node))
            e->SetElm(value);
    }

    // The current value, marked read at the state's depth; null when the
    // state holds no element of this class (the action does not enable it).
    static const T *Get(SgState *state)
    {
        auto *e = static_cast<SgAtomElement *>(ReadableElement(state, ClassOffset()));
        return e ? &e->m_value : nullptr;
    }

    const T &GetData() const { return m_value; }

    SgElement *CreateMatchedInfo() override { return new SgAtomElement(m_value); }
    bool Matches(SgElement *current) override
    {
        if (!current || current->GetClassID() != GetClassID())
            return false;
        return SgElementValuesEqual(m_value, static_cast<SgAtomElement *>(current)->m_value);
    }
    virtual void SetElm(const T &value) { m_value = value; }

private:
    // The element that `node` may write at the state's depth, copied first
    // when it belongs to a shallower level; null when it is locked. A class
    // the action does not enable has no element, and a write to it is seen by
    // nobody, so none is made.
    static SgAtomElement *GetElement(SgState *state, SgNode *node)
    {
        auto make = [](SgState *st, const SgElement *) -> SgElement * {
            return MakeIn<SgAtomElement>(st, s_DefaultValue);
        };
        return static_cast<SgAtomElement *>(WritableElement(state, ClassOffset(), node, make, false));
    }

    T m_value;
};
