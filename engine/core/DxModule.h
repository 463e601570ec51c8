#pragma once
// The dataflow layer as fields see it: a module owns output ports that feed
// input ports of other modules. Invalidation is pushed downstream, values are
// pulled: reading an output that is not valid makes its module evaluate first.
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/core/NodaraExport.h"

class DxInBase;
class DxOutBase;
class SgField;
class SgFieldMngr;

class NODARA_API DxModule {
public:
    // What the scene writer reads to name the source of a connection.
    enum Kind { kPlain = 0, kField = 1, kEngine = 2 };

    DxModule();
    DxModule(const DxModule &) = delete;
    DxModule &operator=(const DxModule &) = delete;
    virtual ~DxModule();

    virtual void Evaluate() {}
    virtual void InvalidateOutputs(bool fromInput);
    virtual void OnInputChange(DxInBase *input);

    void AddOutput(DxOutBase *output);
    void RemoveOutput(DxOutBase *output);
    int FindOutputPos(const DxOutBase *output) const;
    DxOutBase *GetOutput(int position) const;
    int nOutputs() const { return static_cast<int>(m_outputs.size()); }

    int GetModuleKind() const { return m_iKind; }
    void SetModuleKind(int kind) { m_iKind = kind; }

private:
    std::vector<DxOutBase *> m_outputs;
    int m_iKind = kPlain;
};

// An input port: reads from at most one output.
class NODARA_API DxInBase {
public:
    // The owner is told when the value it reads changes; a port of no module
    // (null) is read only by whoever holds it. A module names itself as the
    // owner of the ports it holds, so no port is ever claimed by a module
    // that merely happened to be built before it.
    explicit DxInBase(DxModule *owner = nullptr);
    DxInBase(const DxInBase &other);
    DxInBase &operator=(const DxInBase &other);
    virtual ~DxInBase();

    virtual void *GetData() = 0;
    virtual int GetSize() const = 0;
    // The carried value type (DxPortType); 0 for ports of no fixed type.
    virtual int GetPortType() const { return 0; }

    DxModule *GetOwner() const { return m_pOwner; }
    DxOutBase *GetSource() const { return m_pSource; }
    // Sets the source without joining its input list (the source will not push here).
    void SetSource(DxOutBase &source) { m_pSource = &source; }
    void Disconnect();
    void OnValueChange();
    // Holds a reference on `source` until this input leaves its present
    // source: for a source that nothing else owns, such as a node written
    // inside a connection in a scene file. Copies hold nothing.
    void KeepSourceAlive(SgFieldMngr *source);
    SgFieldMngr *GetKeptSource() const { return m_keptSource.get(); }

private:
    // Leaves the source without telling anyone.
    void Unlink();
    void LetGoOfKeptSource();

    friend class DxOutBase;
    DxModule *m_pOwner;
    DxOutBase *m_pSource = nullptr;
    // While entered in its source's reader list: the source's module when
    // that is a counted container (an engine), which the link keeps alive.
    SgRef<SgFieldMngr> m_sourceHold;
    SgRef<SgFieldMngr> m_keptSource;
};

// An output port: state -1 never evaluated, 0 invalid, 1 valid.
class NODARA_API DxOutBase {
public:
    // The owner evaluates the value on reads; null for a port of no module.
    explicit DxOutBase(DxModule *owner = nullptr);
    DxOutBase(const DxOutBase &) = delete;
    DxOutBase &operator=(const DxOutBase &) = delete;
    virtual ~DxOutBase();

    virtual void *GetData() = 0;
    virtual void set(const void *value) = 0;
    // The carried value type (DxPortType); 0 for ports of no fixed type.
    virtual int GetPortType() const { return 0; }

    // Refuses (false, with a diagnostic, the input left as it was) an input
    // that carries another value type: it would read this output's memory as
    // something it is not. When the owner is a counted container (an engine),
    // the input holds a reference on it until it is disconnected or dies.
    bool Connect(DxInBase &input);
    bool Connect(DxInBase *input) { return input && Connect(*input); }
    void Invalidate(bool unused = false);
    bool IsValid() const { return m_iState > 0; }
    int GetState() const { return m_iState; }
    void Validate() { m_iState = 1; }
    DxModule *GetModule() const { return m_pOwner; }
    const std::vector<DxInBase *> &GetFunOut() const { return m_inputs; }

protected:
    // Evaluates the owner when the value is not valid, as every read does.
    void EvaluateIfNeeded();

private:
    friend class DxInBase;
    DxModule *m_pOwner;
    int m_iState = -1;
    std::vector<DxInBase *> m_inputs;
};

// The module that lets a field act as a port: one input that may drive the
// field, one output that exposes its value. The typed modules come with the
// dataflow engines; fields only need this face of them.
class NODARA_API GeneicFieldModule : public DxModule {
public:
    explicit GeneicFieldModule(SgField *field);

    void InvalidateOutputs(bool fromInput) override;
    virtual DxOutBase *GetOutput() = 0;
    virtual DxInBase *GetInput() = 0;
    SgField *GetFieldContainer() const { return m_pField; }
    // Whether a read must evaluate: the value is not valid, or the input was
    // connected elsewhere since it was pulled (connecting changes no state).
    bool IsStale() { return !GetOutput()->IsValid() || GetInput()->GetSource() != m_pPulledFrom; }

protected:
    // The source of the last evaluation; null when it had none.
    DxOutBase *m_pPulledFrom = nullptr;

private:
    SgField *m_pField;
};
