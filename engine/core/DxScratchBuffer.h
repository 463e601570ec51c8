#pragma once
// Working room for engines that rebuild a point list on every evaluation: the
// buffer is kept while it is big enough and replaced by one of exactly the
// wanted size otherwise, so steady evaluations allocate nothing.
#include <memory>

#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class NODARA_API DxScratchBuffer {
public:
    // Room for at least `count` points; the contents are unspecified after a
    // reallocation. A count below 1 keeps whatever is there.
    Vec3 *Reserve(int count);

    Vec3 *GetData() const { return m_pData.get(); }
    int GetCapacity() const { return m_nCapacity; }

private:
    std::unique_ptr<Vec3[]> m_pData;
    int m_nCapacity = 0;
};
