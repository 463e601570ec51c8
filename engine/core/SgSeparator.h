#pragma once
// The group that scopes traversal state: what its children change is undone
// when the traversal leaves it, so it never affects its later siblings. Its
// output depends on its subtree only, which makes it the place where results
// are cached. It also marks the user-level objects of the scene.
#include "engine/core/SgCacheContainer.h"
#include "engine/core/SgGroup.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgSeparator : public SgGroup, public SgCacheContainer {
    SG_CLASS_HEADER(SgSeparator, SgFieldMngr)

    SgSeparator() = default;

    void Invalidate() override { InvalidateCaches(); }
    void Refresh(int code) override;
    // Children are traversed between a push and a pop of the action's state.
    void DoAction(SgAction *action) override;
    bool AffectsState() const override { return false; }
    bool IsSeparator() const override { return true; }
    bool IsObject() const override { return m_bObject; }
    void ClearAllCaches() override { ClearCaches(); }

    virtual bool IsObjectsGroup() const { return m_bObjectsGroup; }
    // The selected flag of user-level objects; a plain separator is never selected.
    virtual bool isSelected() const { return false; }
    // The child that carries a user-level object's content: the first nested
    // separator or shape; null when this separator is no object.
    virtual SgNode *FindRealObject() const;
    virtual bool AddPropertyNode(SgNode *node, bool unused);
    virtual bool AddPropertyNodeAfter(SgNode *node, SgNode *sibling);
    virtual int DeletePropertyNode(SgNode *node);

    void SetObject(bool on) { m_bObject = on; }
    // A group of objects is an object too; clearing the group flag keeps that.
    void SetObjectsGroup(bool on);

    // What the last scan found below this separator (SgScanCache flags).
    int GetScanFlags() const { return m_nScanFlags; }
    void SetScanFlags(int flags) { m_nScanFlags = flags; }

protected:
    ~SgSeparator() override = default;

private:
    int m_nScanFlags = 0;
    bool m_bObjectsGroup = false;
    bool m_bObject = false;
};
