#pragma once
// A typed output port: holds the module's result value, or exposes an array
// attached by its owner (array fields expose their own elements this way).
// Reads evaluate the owner first when the value is not valid.
#include <string>
#include <vector>

#include "engine/core/CountPtr.h"
#include "engine/core/DxModule.h"
#include "engine/core/DxPortType.h"
#include "engine/core/Image2.h"
#include "engine/core/NodePtr.h"
#include "engine/core/RxFunc.h"
#include "engine/core/SgNode.h"
#include "utilities/math/Color.h"
#include "utilities/math/Rotation.h"
#include "utilities/math/Vec2.h"
#include "utilities/math/Vec2f.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "utilities/math/Vec4.h"
#include "engine/core/NodaraExport.h"

// The element storage an output can expose instead of its own value.
template <class T>
using DxValueArray = std::vector<T>;

template <class T>
class NODARA_API DxOutput : public DxOutBase {
public:
    explicit DxOutput(DxModule *owner = nullptr) : DxOutBase(owner)
    {
        if (DxModule *module = GetModule())
            module->AddOutput(this);
    }
    ~DxOutput() override
    {
        if (DxModule *module = GetModule())
            module->RemoveOutput(this);
    }

    int GetPortType() const override { return DxPortType<T>::id; }

    void *GetData() override
    {
        EvaluateIfNeeded();
        if (m_pArray)
            return m_pArray->empty() ? nullptr : m_pArray->data();
        return &m_value;
    }

    // The index is clamped to the attached array; without one every index
    // reads the value. An empty array reads as the output's own value, so a
    // caller never gets a reference to nothing.
    const T &GetVal(int index)
    {
        EvaluateIfNeeded();
        if (!m_pArray || m_pArray->empty())
            return m_value;
        const int last = static_cast<int>(m_pArray->size()) - 1;
        return (*m_pArray)[index < 0 ? 0 : (index > last ? last : index)];
    }

    int GetSize()
    {
        EvaluateIfNeeded();
        return m_pArray ? static_cast<int>(m_pArray->size()) : 1;
    }

    // Stores the value without telling the connected inputs: only Invalidate pushes.
    void set(const void *value) override
    {
        if (value)
            m_value = *static_cast<const T *>(value);
        Validate();
    }
    DxOutput &operator=(const T &value)
    {
        set(&value);
        return *this;
    }

    // The array is not owned; null detaches it.
    void SetValuesArray(DxValueArray<T> *array) { m_pArray = array; }
    DxValueArray<T> *GetValuesArray() const { return m_pArray; }
    // The stored value without evaluation.
    const T &GetValue() const { return m_value; }

private:
    T m_value{};
    DxValueArray<T> *m_pArray = nullptr;
};

extern template class NODARA_API DxOutput<unsigned short>;
extern template class NODARA_API DxOutput<int>;
extern template class NODARA_API DxOutput<float>;
extern template class NODARA_API DxOutput<double>;
extern template class NODARA_API DxOutput<Vec2>;
extern template class NODARA_API DxOutput<Vec2f>;
extern template class NODARA_API DxOutput<Vec3>;
extern template class NODARA_API DxOutput<Vec3f>;
extern template class NODARA_API DxOutput<Vec4>;
extern template class NODARA_API DxOutput<Color>;
extern template class NODARA_API DxOutput<Rotation>;
extern template class NODARA_API DxOutput<Image2>;
extern template class NODARA_API DxOutput<std::string>;
extern template class NODARA_API DxOutput<NodePtr>;
extern template class NODARA_API DxOutput<R3Func *>;
extern template class NODARA_API DxOutput<CountPtr<R1Func>>;
extern template class NODARA_API DxOutput<CountPtr<R2Func>>;
