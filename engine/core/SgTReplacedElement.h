#pragma once
// An element whose value a node replaces; it remembers the change serial of
// that node, which is what a cache compares.
#include "engine/core/SgElement.h"
#include "engine/core/SgNode.h"

template <class T, int Id>
class SgTReplacedElement : public SgReplacedElement {
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
        auto *e = static_cast<SgTReplacedElement *>(StateElement(state, ClassOffset()));
        if (!e)
            return s_DefaultValue;
        e->MarkRead(StateDepth(state));
        return e->m_value;
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
        auto *e = static_cast<SgTReplacedElement *>(StateElement(state, ClassOffset()));
        const int depth = StateDepth(state);
        if (!e) {
            e = MakeIn<SgTReplacedElement>(state, s_DefaultValue);
            e->SetDepth(depth);
            StoreInState(state, e);
        }
        if (e->IsLocked())
            return nullptr;
        if (e->GetDepth() < depth) {
            SgTReplacedElement *copy = MakeIn<SgTReplacedElement>(state, s_DefaultValue);
            copy->SetDepth(depth);
            StoreInState(state, copy);
            e->Shadowed(copy);
            e = copy;
        }
        if (node && node->IsOveride())
            e->Lock();
        e->SetSetterId(node ? static_cast<uint32_t>(node->GetNodeID()) : 0u);
        return e;
    }

    T m_value;
};

template <class T, int Id>
int SgTReplacedElement<T, Id>::s_iClassID = 0;
