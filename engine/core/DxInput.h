#pragma once
// Typed input ports. An input reads from at most one output; reading an
// unconnected input is refused with an error rather than dereferencing
// nothing. DxInput1<T> is an input that is also listed as a field of its
// owner, so that engines can name their inputs like fields.
#include <string>

#include "engine/core/DxModule.h"
#include "engine/core/DxOutput.h"
#include "engine/core/SgField.h"
#include "platform/SgError.h"
#include "engine/core/NodaraExport.h"

// What every typed input does with its source, shared by both input families.
template <class T>
struct NODARA_API DxInputAccess {
    // The typed face of a source; null when the source holds another type.
    static DxOutput<T> *Typed(DxOutBase *source) { return dynamic_cast<DxOutput<T> *>(source); }

    static int Size(DxOutBase *source)
    {
        if (!source)
            return 0;
        if (DxOutput<T> *typed = Typed(source))
            return typed->GetSize();
        // A source of its own kind has no array: one value, once evaluated.
        source->GetData();
        return 1;
    }

    static const T &Get(DxOutBase *source, int index)
    {
        if (!source)
            throw SgStateError("input port read while not connected");
        if (DxOutput<T> *typed = Typed(source))
            return typed->GetVal(index);
        const void *data = source->GetData();
        if (!data)
            throw SgStateError("input port read from a source without a value");
        return *static_cast<const T *>(data);
    }
};

template <class T>
class NODARA_API DxInput : public DxInBase {
public:
    explicit DxInput(DxModule *owner = nullptr) : DxInBase(owner) {}
    int GetPortType() const override { return DxPortType<T>::id; }
    void *GetData() override { return GetSource() ? GetSource()->GetData() : nullptr; }
    // Evaluates the source when needed; 0 while unconnected.
    int GetSize() const override { return DxInputAccess<T>::Size(GetSource()); }
    const T &Get(int index = 0) const { return DxInputAccess<T>::Get(GetSource(), index); }
    operator const T &() const { return Get(0); }
};

// The field part holds no value; every field operation keeps the base behaviour.
class NODARA_API DxInBase1 : public DxInBase, public SgField {
public:
    explicit DxInBase1(DxModule *owner = nullptr) : DxInBase(owner) {}
    DxInBase1(const DxInBase1 &) = default;
    DxInBase1 &operator=(const DxInBase1 &) = default;
};

template <class T>
class NODARA_API DxInput1 : public DxInBase1 {
public:
    explicit DxInput1(DxModule *owner = nullptr) : DxInBase1(owner) {}
    int GetPortType() const override { return DxPortType<T>::id; }
    void *GetData() override { return GetSource() ? GetSource()->GetData() : nullptr; }
    int GetSize() const override { return DxInputAccess<T>::Size(GetSource()); }
    const T &Get(int index = 0) const { return DxInputAccess<T>::Get(GetSource(), index); }
    operator const T &() const { return Get(0); }
};

extern template class NODARA_API DxInput<unsigned short>;
extern template class NODARA_API DxInput<int>;
extern template class NODARA_API DxInput<float>;
extern template class NODARA_API DxInput<double>;
extern template class NODARA_API DxInput<Vec2>;
extern template class NODARA_API DxInput<Vec2f>;
extern template class NODARA_API DxInput<Vec3>;
extern template class NODARA_API DxInput<Vec3f>;
extern template class NODARA_API DxInput<Vec4>;
extern template class NODARA_API DxInput<Color>;
extern template class NODARA_API DxInput<Rotation>;
extern template class NODARA_API DxInput<Image2>;
extern template class NODARA_API DxInput<std::string>;
extern template class NODARA_API DxInput<NodePtr>;
extern template class NODARA_API DxInput<R3Func *>;
extern template class NODARA_API DxInput<CountPtr<R1Func>>;
extern template class NODARA_API DxInput<CountPtr<R2Func>>;

extern template class NODARA_API DxInput1<int>;
extern template class NODARA_API DxInput1<float>;
extern template class NODARA_API DxInput1<double>;
extern template class NODARA_API DxInput1<Vec3>;
extern template class NODARA_API DxInput1<std::string>;
