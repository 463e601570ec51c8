#pragma once
// How the shapes after it print numbers: a format pattern and a factor that
// values are multiplied by first.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/NodaraExport.h"

class SgAction;

class NODARA_API SgFormat : public SgNode {
    SG_CLASS_HEADER(SgFormat, SgFieldMngr)

    SgFormat();

    void DoAction(SgAction *action) override;
    bool IsPropertyNode() const override { return true; }

    SgFStr m_pattern;
    SgFDouble m_factor;

protected:
    ~SgFormat() override = default;
};
