#pragma once
// Base of every array field. An array field keeps its dataflow module in a
// list of module entries (only the whole-array entry, index 0, ever exists)
// instead of the single module of SgField, and it can hold back its change
// notices while an edit runs so that one edit sends exactly one.
#include <vector>

#include "engine/core/SgField.h"
#include "engine/core/NodaraExport.h"

class GeneicFieldModule;

class NODARA_API SgGenVecField : public SgField {
public:
    // One module serving an element range of the field; index 0 is the whole array.
    struct ModuleEntry {
        int index;
        DxModule *module;
    };

    SgGenVecField() = default;
    // A copy belongs to the same container but serves no module.
    SgGenVecField(const SgGenVecField &other) : SgField(other) {}
    SgGenVecField &operator=(const SgGenVecField &other);
    ~SgGenVecField() override;

    bool IsVector() const override { return true; }
    void NotifyParent() override;
    DxOutBase &AsOutput() override;
    DxInBase &AsInput() override;
    DxModule *GetModule() const override;
    virtual void SetSize(int size);

    // Position of the first entry for the element index; -1 when none.
    int FindModule(int index) const;
    // Only the whole-array entry exists, so the index is not looked at.
    bool IsModuleAttach(int) const { return FindModule(0) >= 0; }
    // Lets a driving module copy its values in before the array is read.
    void EvaluateAll();
    const std::vector<ModuleEntry> &GetModuleEntries() const { return m_modules; }

    // While suspended the field sends no change notice; suspensions nest.
    void SuspendNotices() { ++m_iNoticeSuspend; }
    void ResumeNotices()
    {
        if (m_iNoticeSuspend > 0)
            --m_iNoticeSuspend;
    }
    bool AreNoticesSuspended() const { return m_iNoticeSuspend != 0; }

protected:
    // Everything downstream of the field learns that its values changed.
    void InvalidateModule();
    // The whole-array module, null when the field was never taken as a port.
    GeneicFieldModule *GetFieldModule() const;
    // Deletes the modules (their ports disconnect); the derived destructor
    // calls it while the values the module exposes still exist.
    void DeleteModules();

private:
    GeneicFieldModule *ModuleForPort(bool output);

    int m_iNoticeSuspend = 0;
    std::vector<ModuleEntry> m_modules;
};
