#pragma once
// Engines: field containers that are also dataflow modules, so that they can
// be created by class name, wired by field name and written to scene files
// like nodes, while computing what they publish on demand.
#include <vector>

#include "engine/core/DxInput.h"
#include "engine/core/DxOutput.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/core/SgVecField.h"
#include "utilities/math/Vec3.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgEngine : public SgFieldMngr, public DxModule {
    SG_CLASS_HEADER(SgEngine, SgFieldMngr)

    SgEngine() { SetModuleKind(kEngine); }

protected:
    ~SgEngine() override = default;
};

template <class T>
class SgComposeVector;

// Publishes an array of n vectors; the first two are "input1" and "input2".
template <>
class NODARA_API SgComposeVector<Vec3> : public SgEngine {
    SG_CLASS_HEADER(SgComposeVector<Vec3>, SgFieldMngr)

    explicit SgComposeVector(int n = 2);

    void Evaluate() override;

    DxInput1<Vec3> m_input1{this};
    DxInput1<Vec3> m_input2{this};
    DxOutput<Vec3> m_output{this};

protected:
    ~SgComposeVector() override = default;

private:
    DxValueArray<Vec3> m_values;
    int m_iCount;
};
using SgComposeVectorVec3 = SgComposeVector<Vec3>;

// Publishes the mean of the vectors that reach "input1"; "input2" is a port
// only (it is kept so that files naming it read).
class NODARA_API SgApplyVector : public SgEngine {
    SG_CLASS_HEADER(SgApplyVector, SgFieldMngr)

    explicit SgApplyVector(int value = 0);

    void Evaluate() override;

    DxInput1<Vec3> m_input1{this};
    DxInput1<Vec3> m_input2{this};
    DxOutput<Vec3> m_output{this};

protected:
    ~SgApplyVector() override = default;

private:
    int m_iValue;
};

// A bank of values that scripts and engines read; it computes nothing.
class NODARA_API SgInputEngine : public SgNode {
    SG_CLASS_HEADER(SgInputEngine, SgFieldMngr)

    SgInputEngine();

    bool IsPropertyNode() const override { return true; }

    SgFDouble m_a, m_b, m_c, m_d, m_e;
    SgVFDouble m_av, m_bv, m_cv, m_dv, m_ev;
    SgVFInt m_i, m_j, m_k, m_l, m_m, m_n;
    SgFStr m_s1, m_s2;

protected:
    ~SgInputEngine() override = default;
};

// Connects a field or numbered engine output of `source` to the field (or
// engine input) `destinationName` of `destination`, replacing what fed it.
// Refused with a diagnostic, connecting nothing, when a name is unknown, an
// engine output number is not one, the value types differ or the connection
// would close a dataflow cycle. True when connected.
NODARA_API bool PlugTo1(SgFieldMngr *source, const char *sourceName, SgFieldMngr *destination,
             const char *destinationName);

// A new composer of two vectors; the caller owns it.
NODARA_API SgComposeVector<Vec3> *composeVec3();

// Calls `callback` for every engine upstream of `container` (nearest first,
// each once) and with `container` itself for each field fed by another
// node's field. Returns the last value the callback gave (0 without calls).
using ConnectedEngineCallback = int (*)(SgFieldMngr *, void *);
NODARA_API int ForEachConnectedEngine(SgFieldMngr *container, ConnectedEngineCallback callback, void *data);

// True when `to` is reachable downstream from `from`'s outputs (or is `from`).
NODARA_API bool DxReachesDownstream(DxModule *from, DxModule *to);

// Diagnostics of the engines library.
NODARA_API void EngineReport(const char *format, ...) __attribute__((format(printf, 1, 2)));
