#pragma once
// Formulas in the embedded LISP as dataflow: a scene engine whose script
// writes its outputs, a node holding a text, converters between typed ports
// and LISP values, and the field built-ins formulas read and write with.
#include <string>

#include "engine/core/SgNode.h"
#include "engine/core/SgTField.h"
#include "engine/engines/SgEngine.h"
#include "engine/engines/lisp/Lisp.h"
#include "engine/engines/lisp/LispPorts.h"
#include "engine/core/NodaraExport.h"

class NODARA_API SgLispScript : public SgEngine {
    SG_CLASS_HEADER(SgLispScript, SgFieldMngr)

    SgLispScript();

    // Compiles the text as the body of a function of
    // (self a0 a1 a2 a3 v0 v1 v2 v3), sandboxed. A text that does not read
    // (or is empty) is reported and leaves ERROR; returns 1 when compiled.
    int SetScript(const char *text);
    // Compiles the connected text when it differs from the one compiled
    // last, then runs the script; a script error is reported and the
    // outputs keep their values.
    void Evaluate() override;

    bool IsCompiled() const { return m_lambda.tag != LispNil && !m_lambda.IsError(); }
    // The interpreter the script runs in: the one in force when it was made
    // (a document's, while it reads a file) until it is bound to another.
    const LispContextRef &GetLispContext() const { return m_lambdaRoot.Context(); }
    // Moves the script into that interpreter (a document's, when what it
    // drives joins the document) and compiles its text there again.
    void BindLispContext(const LispContextRef &context);
    const std::string &GetCompiledText() const { return m_compiledText; }
    bool IsEvaluating() const { return m_bEvaluating; }

    DxInput1<std::string> m_script{this};
    DxInput1<double> m_a[4]{DxInput1<double>(this), DxInput1<double>(this), DxInput1<double>(this),
                            DxInput1<double>(this)};
    DxInput1<Vec3> m_v[4]{DxInput1<Vec3>(this), DxInput1<Vec3>(this), DxInput1<Vec3>(this),
                          DxInput1<Vec3>(this)};
    DxOutput<double> m_outd[3]{DxOutput<double>(this), DxOutput<double>(this), DxOutput<double>(this)};
    DxOutput<Vec3> m_outv[3]{DxOutput<Vec3>(this), DxOutput<Vec3>(this), DxOutput<Vec3>(this)};
    DxOutput<std::string> m_outs{this};

protected:
    ~SgLispScript() override = default;

private:
    value_t m_lambda;
    LispRootNode m_lambdaRoot{&m_lambda};
    std::string m_compiledText;
    bool m_bHasText = false;
    bool m_bEvaluating = false;
};

// A node holding one text, whose output can feed a script's "script" input.
class NODARA_API SgStringInput : public SgNode {
    SG_CLASS_HEADER(SgStringInput, SgFieldMngr)

    SgStringInput();

    SgFStr m_string;

protected:
    ~SgStringInput() override = default;
};

// --- Converters between typed ports and LISP values ------------------------------------

class NODARA_API DxToVariantGeneric : public DxModule {
public:
    virtual DxInBase &GetInput() = 0;
};

// A number to a LISP number (ints stay integers, floats and doubles doubles).
template <class T>
class NODARA_API DxToVariant : public DxToVariantGeneric {
public:
    void Evaluate() override;
    DxInBase &GetInput() override { return m_input; }
    DxInput<T> m_input{this};
    DxOutput<value_t> m_output{this};

private:
    LispRootNode m_root{const_cast<value_t *>(&m_output.GetValue())};
};

class NODARA_API DxVariantToGeneric : public DxModule {
public:
    DxInput<value_t> m_input{this};
};

// A LISP value to a typed value. What cannot be converted is reported and
// leaves the output as it was; NIL (a formula that failed, and said so)
// leaves it quietly.
template <class T>
class NODARA_API DxVariantTo : public DxVariantToGeneric {
public:
    void Evaluate() override;
    DxOutput<T> m_output{this};
};

// An array of arrays of three numbers to an array of vectors.
template <class T>
class DxVariantToArray;

template <>
class NODARA_API DxVariantToArray<Vec3> : public DxVariantToGeneric {
public:
    DxVariantToArray() { m_output.SetValuesArray(&m_values); }
    // What the output holds until a value converts.
    void Seed(std::vector<Vec3> values)
    {
        m_values = std::move(values);
        m_output.Validate();
    }
    void Evaluate() override;
    DxOutput<Vec3> m_output{this};

private:
    DxValueArray<Vec3> m_values;
};

extern template class NODARA_API DxToVariant<int>;
extern template class NODARA_API DxToVariant<float>;
extern template class NODARA_API DxToVariant<double>;
extern template class NODARA_API DxVariantTo<int>;
extern template class NODARA_API DxVariantTo<float>;
extern template class NODARA_API DxVariantTo<double>;
extern template class NODARA_API DxVariantTo<Vec3>;

// --- Values --------------------------------------------------------------------------

// A new array of three doubles.
NODARA_API value_t LispVec3ToArray(const Vec3 &v);
// Elements 0 to 2 of an array of three numbers, exactly; false (reported,
// `out` untouched) for anything else.
NODARA_API bool LispArrayToVec3(value_t array, Vec3 &out);
// Checked numbers: false (reported) for anything that is not a number.
NODARA_API bool LispCheckedDouble(value_t v, double &out);
NODARA_API bool LispCheckedInt(value_t v, int &out);

// A reference to a field container that formulas pass around as `self` or `node`.
NODARA_API value_t LispNodeValue(SgFieldMngr *container);
NODARA_API SgFieldMngr *LispNodeOf(value_t v);

// Compiles "(lambda <parameters> <body> )" sandboxed in the context; ERROR
// (reported, naming `who`) when the body does not read or compile.
NODARA_API value_t LispCompileFormula(const LispContextRef &context, const std::string &parameters, const std::string &body,
                           const char *who);
// The unit of work formulas evaluated now count toward: one traversal of
// the scene.
NODARA_API uint64_t LispFormulaWorkUnit();

// getfield, setfield and setout; the start-up installs it as a start-up hook
// of the interpreter, before the prelude macros.
NODARA_API void LispRegisterFieldFunctions();
