#pragma once
// How the shapes after it draw their lines and points: the draw mode, the
// line stipple, the line width and the point size.
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/NodaraExport.h"

class SgAction;

class NODARA_API SgDrawStyle : public SgNode {
    SG_CLASS_HEADER(SgDrawStyle, SgFieldMngr)

    SgDrawStyle();

    void DoAction(SgAction *action) override;

    // Copies the four fields.
    SgDrawStyle &operator=(const SgDrawStyle &other);
    // All four fields equal, widths and sizes compared exactly.
    bool operator==(const SgDrawStyle &other) const;
    bool operator!=(const SgDrawStyle &other) const { return !(*this == other); }

    SgFInt m_style;
    SgFUShort m_linePatern;
    SgFFloat m_lineWidth;
    SgFFloat m_pointSize;

protected:
    ~SgDrawStyle() override = default;
};
