#include "engine/core/TextureCoordsData.h"

namespace {

bool RaiseCount(TextureCoordsData &data, int unit)
{
    if (unit < 0 || unit >= TextureCoordsData::kMaxUnits)
        return false;
    if (data.unitCount < unit + 1)
        data.unitCount = unit + 1;
    return true;
}

} // namespace

bool TextureCoordsData::SetFunction(int unit, int funcType, SgNode *transformNode)
{
    if (!RaiseCount(*this, unit))
        return false;
    units[unit].funcType = funcType;
    units[unit].transform = transformNode;
    return true;
}

bool TextureCoordsData::SetSource(int unit, int coordCount, SgField *sourceField)
{
    if (!RaiseCount(*this, unit))
        return false;
    units[unit].coordCount = coordCount;
    units[unit].source = sourceField;
    return true;
}
