#pragma once
// Filters that decide which pick hits count when the nearest hit is chosen.
// The base accepts every hit; the derived filters test the hit's path, and
// the composition combines two verdicts.
#include <string>
#include <utility>

#include "engine/actions/SgPickedPoint.h"
#include "engine/core/NodaraExport.h"

class SgSelectionHandlerInterface;

class NODARA_API PickedPointQuery {
public:
    virtual ~PickedPointQuery() = default;
    virtual bool Accept(SgPickedPoint &) { return true; }
};

// The hit shape derives from the class.
class NODARA_API PickedPointQueryClassID : public PickedPointQuery {
public:
    explicit PickedPointQueryClassID(int classId) : m_iClassID(classId) {}
    bool Accept(SgPickedPoint &hit) override;

    int m_iClassID;
};

// The hit shape is this very node.
class NODARA_API PickedPointQueryShape : public PickedPointQuery {
public:
    explicit PickedPointQueryShape(SgNode *shape) : m_pShape(shape) {}
    bool Accept(SgPickedPoint &hit) override;

    SgNode *m_pShape;
};

// Some node of the hit path carries exactly this name.
class NODARA_API PickedPointQueryName : public PickedPointQuery {
public:
    explicit PickedPointQueryName(std::string name) : m_name(std::move(name)) {}
    bool Accept(SgPickedPoint &hit) override;

    std::string m_name;
};

// The last object of the hit path carries exactly this name.
class NODARA_API PickedPointQueryObjName : public PickedPointQuery {
public:
    explicit PickedPointQueryObjName(std::string name) : m_name(std::move(name)) {}
    bool Accept(SgPickedPoint &hit) override;

    std::string m_name;
};

// The selection handler would select the hit path. Without a handler
// nothing is selectable.
class NODARA_API PickedPointQuerySelectable : public PickedPointQuery {
public:
    explicit PickedPointQuerySelectable(SgSelectionHandlerInterface *handler) : m_pHandler(handler) {}
    bool Accept(SgPickedPoint &hit) override;

    SgSelectionHandlerInterface *m_pHandler;
};

// Every node of the hit path may be snapped to.
class NODARA_API PickedPointQuerySnapable : public PickedPointQuery {
public:
    bool Accept(SgPickedPoint &hit) override { return hit.m_Path.IsSnapable(); }
};

// Two verdicts a and b combined by the mode; a missing query rejects.
class NODARA_API PickedPointQueryCompose : public PickedPointQuery {
public:
    enum Mode : int { kAnd = 0, kOr = 1, kNotBoth = 2, kNeither = 3 };

    PickedPointQueryCompose(PickedPointQuery *first, PickedPointQuery *second, int mode)
        : m_pFirst(first), m_pSecond(second), m_nMode(mode)
    {
    }
    bool Accept(SgPickedPoint &hit) override;

    PickedPointQuery *m_pFirst;   // not owned
    PickedPointQuery *m_pSecond;  // not owned
    int m_nMode;
};
