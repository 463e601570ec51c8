#pragma once
// An element whose value a node replaces; it remembers the change serial of
// that node, which is what a cache compares.
#include "engine/core/SgElement.h"
#include "engine/core/SgNode.h"
#include "engine/core/NodaraExport.h"

template <class T, int Id>
class NODARA_API SgTReplacedElement : public SgReplacedElement {
    SG_ELEMENT_CLASS_MEMBERS(SgReplacedElement)

    using ValueType = T;
    static constexpr int kTemplateId = Id;

    static T s_DefaultValue;

    SgTReplacedElement() : m_value(s_DefaultValue) {}
    explicit SgTReplacedElement(const T &value) : m_value(value) {}

    static SgElement *Create(SgState *state) { return MakeIn<SgTReplacedElement>(state, s_DefaultValue); }

    static void Set(SgState *state, SgNode *node, const T &value)
    {
        if (SgTReplacedElement *e = GetElement(state, node))
            e->SetElm(value);
    }

    // The current value, marked read at the state's depth. The actions that
    // read these elements enable them; should one not, the class default is
    // returned rather than reading through a missing element.
    static const T &Get(SgState *state)
    {
        auto *e = static_cast<SgTReplacedElement *>(ReadableElement(state, ClassOffset()));
        return e ? e->m_value : s_DefaultValue;
    }

    const T &GetData() const { return m_value; }

    // Only the setter's change serial is compared, so the copy keeps the
    // default value.
    SgElement *CreateMatchedInfo() override
    {
        auto *copy = new SgTReplacedElement(s_DefaultValue);
        copy->SetSetterId(GetSetterId());
        return copy;
    }
    virtual void SetElm(const T &value) { m_value = value; }

private:
    static SgTReplacedElement *GetElement(SgState *state, SgNode *node)
    {
        // Only the setter's serial tells levels apart, so a deeper level
        // starts from the default rather than a copy.
        auto make = [](SgState *st, const SgElement *) -> SgElement * {
            return MakeIn<SgTReplacedElement>(st, s_DefaultValue);
        };
        auto *e = static_cast<SgTReplacedElement *>(WritableElement(state, ClassOffset(), node, make, true));
        if (e)
            e->SetSetterId(node ? static_cast<uint32_t>(node->GetNodeID()) : 0u);
        return e;
    }

    T m_value;
};
