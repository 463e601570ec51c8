#pragma once
// An element whose value nodes accumulate through a function (matrix
// products, modifier lists); it keeps the signature of every contributing
// node, which is what a cache compares.
#include "engine/core/SgElement.h"
#include "engine/core/SgNode.h"
#include "engine/core/NodaraExport.h"

template <class T, int Id, void (*Fn)(void *accumulated, void *given)>
class NODARA_API SgTAcumulatedElement : public SgAcumulatedElement {
    SG_ELEMENT_CLASS_MEMBERS(SgAcumulatedElement)

    using ValueType = T;
    static constexpr int kTemplateId = Id;

    static T s_DefaultValue;

    SgTAcumulatedElement() : m_value(s_DefaultValue) {}
    explicit SgTAcumulatedElement(const T &value) : m_value(value) {}
    // A copy carries value and signature; depth, read state and lock start over.
    SgTAcumulatedElement(const SgTAcumulatedElement &other)
        : SgAcumulatedElement(), m_value(other.m_value)
    {
        GetContext() = other.GetContext();
    }

    static SgElement *Create(SgState *state) { return MakeIn<SgTAcumulatedElement>(state, s_DefaultValue); }

    // Combines the node's value with what is already there.
    static void Set(SgState *state, SgNode *node, T &value)
    {
        if (SgTAcumulatedElement *e = GetElement(state, node))
            Fn(&e->m_value, &value);
    }

    // Starts the value over from this node alone.
    static void Reset(SgState *state, SgNode *node, T &value)
    {
        if (SgTAcumulatedElement *e = GetElement(state, node)) {
            e->m_value = value;
            e->GetContext().Clear();
            e->GetContext().AddId(node ? static_cast<unsigned>(node->GetNodeID()) : 0u);
        }
    }

    // See SgTReplacedElement::Get for an element the action does not enable.
    static const T &Get(SgState *state)
    {
        auto *e = static_cast<SgTAcumulatedElement *>(ReadableElement(state, ClassOffset()));
        return e ? e->m_value : s_DefaultValue;
    }

    // The element that `node` may change at the state's depth, its id already
    // in the signature; copied first when it belongs to a shallower level.
    // Null when locked. Nodes that edit parts of the value in place use it.
    static SgTAcumulatedElement *GetElement(SgState *state, SgNode *node)
    {
        auto make = [](SgState *st, const SgElement *shallower) -> SgElement * {
            if (shallower)
                return MakeIn<SgTAcumulatedElement>(st, *static_cast<const SgTAcumulatedElement *>(shallower));
            return MakeIn<SgTAcumulatedElement>(st, s_DefaultValue);
        };
        auto *e = static_cast<SgTAcumulatedElement *>(WritableElement(state, ClassOffset(), node, make, true));
        if (e)
            e->GetContext().AddId(node ? static_cast<unsigned>(node->GetNodeID()) : 0u);
        return e;
    }

    const T &GetData() const { return m_value; }
    // For nodes holding the writable element from GetElement.
    T &GetWritableData() { return m_value; }

    SgElement *CreateMatchedInfo() override { return new SgTAcumulatedElement(*this); }
    virtual void SetElm(const T &value) { m_value = value; }

private:
    T m_value;
};
