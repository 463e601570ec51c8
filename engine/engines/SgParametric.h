#pragma once
// Parametric models: a piece of scene driven by named, typed parameters
// (wired to fields inside it, or feeding LISP formulas that compute fields),
// shared by many instances that each push their own values into it whenever
// they are traversed.
#include <memory>
#include <string>
#include <vector>

#include "engine/core/DxModule.h"
#include "engine/engines/SgLispScript.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/NodaraExport.h"

class SgParametricModel;
class DxLispScript;

struct NODARA_API SgConnectionPoint {
    SgField *field = nullptr; // not owned
    int index = 0;            // -1: the whole array
};

class NODARA_API SgPMParam {
public:
    SgPMParam() = default;
    SgPMParam(const SgPMParam &other) { *this = other; }
    SgPMParam &operator=(const SgPMParam &other);
    virtual ~SgPMParam();

    const std::string &getParamName() const { return m_name; }
    SgConnectionPoint &connect(SgField *field, int index);
    void disconnect(SgField *field, int index);
    void disconnect() { m_points.clear(); }
    // Hands the value to every connection point; the whole array goes to
    // points of index -1 when it is given.
    void setModelCurrentValue(const void *element, const void *whole);

    std::string m_name;
    std::vector<SgConnectionPoint> m_points;
    std::unique_ptr<SgField> m_pValue;
    std::unique_ptr<SgField> m_pSocketField;
    std::unique_ptr<DxModule> m_pSocketModule;
    int m_iType = 0; // field class id of the value field
};

struct NODARA_API tTargetField {
    SgField *field = nullptr;
    std::string script;
    std::unique_ptr<DxLispScript> module;
    std::unique_ptr<DxModule> converter;
};

class NODARA_API SgParametricModel : public SgObject {
    SG_CLASS_HEADER(SgParametricModel, SgFieldMngr)

    // A model of at most this many parameters: one input of each formula
    // module is the formula itself.
    static constexpr int kMaxParams = 31;

    explicit SgParametricModel(bool withTransform = true, bool withGroup = true);

    // Replaces any parameter of that name. Refused (false, with a message)
    // past kMaxParams, for an unknown field class or without a name.
    bool addParam(const std::string &name, int type, const void *value);
    void removeParam(const std::string &name);
    SgPMParam *getParam(const std::string &name);
    // Null script: the target (made when missing); "": the target removed
    // (null returned); else the script replaced.
    tTargetField *addScript(SgField *field, const char *script);
    void connect(const std::string &name, SgField *field, int index);
    void disconnect(const std::string &name);
    void disconnect(const std::string &name, SgField *field, int index);
    std::string GetParamsList() const;
    // The text without `c`, each double quote doubled (once when c is the quote).
    static std::string RemoveChar(const std::string &text, char c);

    void DoAction(SgAction *action) override;
    // Puts the model's own parameter values into its subtree (what a file
    // holds of it, whichever instance was drawn last).
    void PushOwnValues();
    // The interpreter the model's formulas run in: the one in force when the
    // model was made (a document's, while it reads a file).
    const LispContextRef &GetLispContext() const { return m_roots[0].Context(); }
    // Moves the model's formulas into that interpreter (a document's, when
    // the model joins the document) and builds them there again.
    void BindLispContext(const LispContextRef &context);

    std::vector<std::unique_ptr<SgPMParam>> m_params;
    std::vector<std::unique_ptr<tTargetField>> m_targets;
    bool m_bShowAsTemplate = false;
    int m_iControlPoints = 0;
    std::string m_controlPointScripts[3];
    value_t m_controlPointLambdas[3];

protected:
    ~SgParametricModel() override;

private:
    LispRootNode m_roots[3]{LispRootNode(&m_controlPointLambdas[0]), LispRootNode(&m_controlPointLambdas[1]),
                            LispRootNode(&m_controlPointLambdas[2])};
};

class NODARA_API SgPOParam {
public:
    virtual ~SgPOParam() = default;
    const std::string &getParamName() const { return m_name; }
    SgField *getField() const { return m_pValue.get(); }
    const void *getCurrentValue() const { return m_pValue ? m_pValue->GetValuePtr(0, true) : nullptr; }
    void setObjectCurrentValue(const void *value, int index)
    {
        if (m_pValue)
            m_pValue->SetValuePtr(value, index, true, false);
    }

    std::string m_name;
    std::unique_ptr<SgField> m_pValue;
    int m_iType = -1;
};

class NODARA_API SgParametricObject : public SgObject {
    SG_CLASS_HEADER(SgParametricObject, SgFieldMngr)

    explicit SgParametricObject(bool withTransform = true, bool withGroup = true);
    explicit SgParametricObject(SgParametricModel *model);

    // Binds the instance (one value per model parameter, the model's current
    // values) and makes the model its child when it has none.
    void SetModel(SgParametricModel *model);
    SgParametricModel *GetModel() const { return m_pModel; }
    SgField *getField(const char *name);
    void setCurrentValue(const std::string &name, const void *value, int index);
    // Gives the instance a value for each model parameter it lacks (a
    // parameter added after SetModel), matched by name; a value whose type is
    // no longer its parameter's is replaced by the parameter's default.
    void SyncWithModel();

    // The instance's fields are its parameter values; while the object part
    // of a scene block is read they are the object's own.
    int GetFieldsCount() override
    {
        return m_bObjectFields ? SgObject::GetFieldsCount() : static_cast<int>(m_values.size());
    }
    SgField *GetFieldAddress(int index) override;
    const char *GetFieldName(int index) override;
    void ShowObjectFields(bool on) { m_bObjectFields = on; }

    void OnChange(SgField *field) override;
    void DoAction(SgAction *action) override;

    std::vector<std::unique_ptr<SgPOParam>> m_values;

protected:
    ~SgParametricObject() override;

private:
    SgParametricModel *m_pModel = nullptr;
    bool m_bPushing = false;
    bool m_bObjectFields = false;
};

// Installs the scene-file reader and writer of the parametric blocks.
NODARA_API void SgInstallParametricFormat();
// Installs what the standard actions do with models and instances (copy,
// navigation into a model).
NODARA_API void SgInstallParametricActions();

// The formula of one script target: its inputs are the model's parameters.
class NODARA_API DxLispScript : public DxModule {
public:
    static constexpr int kMaxInputs = 32;

    DxLispScript();
    ~DxLispScript() override;

    // 1 when the formula compiled (a parameter name alone selects that
    // parameter); 0, reported, when it does not read or compile or the model
    // has too many parameters.
    int SetScript(const char *text, SgParametricModel *model);
    void Evaluate() override;
    int ConnectToPModel(SgParametricModel *model, SgField *field, tTargetField *target);
    void connectParmaSokets(SgParametricModel *model);

    static void makeParmaSokets(SgParametricModel *model);
    // Tears down what was built before, then builds every formula of the
    // model and compiles its control-point lambdas.
    static void buildScriptEngine(SgParametricModel *model);
    static void undoScriptEngine(SgParametricModel *model);

#define I(owner) DxInput<value_t>(owner)
    DxInput<value_t> m_inputs[kMaxInputs]{I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this), I(this)};
#undef I
    DxOutput<value_t> m_output{this};

private:
    value_t m_function;
    LispRootNode m_functionRoot{&m_function};
    LispRootNode m_outputRoot{const_cast<value_t *>(&m_output.GetValue())};
    int m_nArgs = 1;
    bool m_bEvaluating = false;
    bool m_bNilReported = false;
    uint64_t m_failedUnit = UINT64_MAX; // the unit of work of the last failure reported
    std::string m_text;
    // The converter when no target record keeps it.
    std::unique_ptr<DxModule> m_pOwnConverter;
};
