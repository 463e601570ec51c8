#include "engine/nodes/properties/SgTextureCombine.h"

SG_CLASS_SOURCE(SgTextureCombine, SgNode, SgFieldMngr, "SgTextureCombine")

// Bound to the node, so that edits notify it, but never entered into the
// class's field table: the scene text knows nothing of them.
SgTextureCombine::SgTextureCombine()
    : m_values1(this), m_values2(this), m_values3(this), m_values4(this), m_int1(0, this), m_int2(0, this),
      m_color(Color(0, 0, 0, 1), this), m_float1(0.0f, this), m_float2(0.0f, this)
{
    m_values1.AddVal1(1);
    m_values1.AddVal1(2);
    m_values3.AddVal1(0);
    m_values3.AddVal1(0);
}
