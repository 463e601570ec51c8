#pragma once
// The field that holds exactly one value of type T; N is its field type id.
// Every write runs the no-change test, records undo when the owning node's
// document records, and runs the change protocol; reads with evaluation pull
// the value through the field's dataflow module when one is attached.
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>

#include "engine/core/DxModule.h"
#include "engine/core/SgFieldValue.h"
#include "engine/core/SgGenField.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgNode.h"
#include "engine/core/NodaraExport.h"

template <class T, int N>
class NODARA_API SgTField : public SgGenField {
public:
    using value_type = T;
    static constexpr int TypeId = N;

    static int ClassID() { return s_iClassID; }
    static const char *ClassName() { return SgFieldValue::TypeNames<N>::single; }
    static int ClassOffset() { return s_iClassID - SgField::GetBase(); }
    static SgField *Creator() { return new (std::nothrow) SgTField; }
    static int AssignClassID()
    {
        if (!s_iClassID)
            s_iClassID = SgField::Family().TakeID();
        return s_iClassID;
    }
    static void InitClass() { SgField::RegisterClass(AssignClassID(), 0, ClassName(), &Creator); }
    int GetClassID() const override { return s_iClassID; }
    int GetOffset() const override { return s_iClassID - SgField::GetBase(); }
    const char *GetClassName() const override { return ClassName(); }
    int GetTypeId() const override { return N; }

    SgTField() : m_value(SgFieldValue::Default<T>()) {}
    SgTField(const T &value, SgFieldMngr *container) : m_value(value) { SetContainer(container, false); }
    SgTField(const SgTField &other) : SgGenField(other), m_value(other.m_value) {}
    ~SgTField() override { SgFieldValue::Detach(m_value, GetContainer()); }

    // The stored value, or with `evaluate` the value the field's module gives.
    const T &Get(bool evaluate = true) const
    {
        if (!evaluate)
            return m_value;
        auto *module = dynamic_cast<GeneicFieldModule *>(GetModule());
        if (!module)
            return m_value;
        // Reading the output evaluates the module only when its value is
        // stale; a valid value is the one the last evaluation settled on.
        if (module->IsStale())
            module->Evaluate();
        DxOutBase *output = module->GetOutput();
        const void *data = output->GetData();
        return data ? *static_cast<const T *>(data) : m_value;
    }
    operator const T &() const { return Get(true); }

    const void *GetValuePtr(int, bool evaluate) override { return &Get(evaluate); }

    const T &operator=(const T &value)
    {
        SetValuePtr(&value, -1, true, false);
        return m_value;
    }
    SgTField &operator=(const SgTField &other)
    {
        if (this != &other)
            *this = other.Get(true);
        return *this;
    }
    void Set(const T &value) { SetValuePtr(&value, -1, true, false); }

    void SetValuePtr(const void *value, int index, bool undo, bool quiet) override
    {
        if (!value)
            return;
        // The incoming value may live in this very field (undo buffers, self-assignment).
        const T incoming = *static_cast<const T *>(value);
        if (index != -2 && SgFieldValue::Equal(incoming, m_value))
            return;
        RecordUndo(incoming, undo);
        PreUpdate(quiet);
        SgFieldValue::Store(m_value, incoming, GetContainer());
        PostUpdate(quiet);
    }

    DxOutBase *GetModuleSource() const override
    {
        auto *module = dynamic_cast<GeneicFieldModule *>(GetModule());
        return module ? module->GetInput()->GetSource() : nullptr;
    }

    DxModule *CreateModule() override
    {
        ModuleFactory factory = GetModuleFactory(N, false);
        return factory ? factory(this) : nullptr;
    }

    void WriteToStream(std::ostream &out, int = 0, int = -1) override
    {
        SgFieldValue::Write(out, Get(true));
    }

    // A read that fails leaves the field as it was and the stream in its error state.
    void ReadFromStream(std::istream &in, bool undo) override
    {
        T value = SgFieldValue::Default<T>();
        if (SgFieldValue::Read(in, value))
            SetValuePtr(&value, -1, undo, false);
    }

    void Interpolate(SgField *a, SgField *b, double t, SgField *result) override
    {
        auto *fa = dynamic_cast<SgTField *>(a);
        auto *fb = dynamic_cast<SgTField *>(b);
        // A result of another class would take the value as its own type:
        // it is left as it is, and said so.
        auto *fr = dynamic_cast<SgTField *>(result);
        if (!fa || !fb || !fr) {
            ReportInterpolationRefused(ClassName(), a, b, result);
            return;
        }
        const T value = SgFieldValue::Interpolate(fa->Get(true), fb->Get(true), t);
        fr->SetValuePtr(&value, 0, true, false);
    }

    bool Compare(SgField *a, SgField *b) override
    {
        auto *fa = dynamic_cast<SgTField *>(a);
        auto *fb = dynamic_cast<SgTField *>(b);
        if (!fa || !fb)
            return false;
        return SgFieldValue::Equal(fa->Get(true), fb->Get(true));
    }

    std::size_t UndoBufferBytes(const void *buffer) const override
    {
        if (!buffer)
            return 0;
        if constexpr (std::is_same_v<T, std::string>)
            return sizeof(T) + static_cast<const T *>(buffer)->capacity();
        return sizeof(T);
    }

private:
    void RecordUndo(const T &incoming, bool undo)
    {
        if (!undo || !UndoRecordingNode())
            return;
        auto before = std::make_unique<T>(m_value);
        auto after = std::make_unique<T>(incoming);
        SgField::RecordUndo(before.release(), after.release(), &DeleteValue);
    }
    static void DeleteValue(void *buffer) { delete static_cast<T *>(buffer); }

    T m_value;
    // One per class for the whole process: defined beside the explicit
    // instantiations in SgTField.cpp, never in each library that uses it.
    static int s_iClassID;
};

using SgFInt = SgTField<int, SgFieldInt>;
using SgFFloat = SgTField<float, SgFieldFloat>;
using SgFUShort = SgTField<unsigned short, SgFieldUShort>;
using SgFDouble = SgTField<double, SgFieldDouble>;
using SgFVec2 = SgTField<Vec2, SgFieldVec2>;
using SgFVec3 = SgTField<Vec3, SgFieldVec3>;
using SgFVec4 = SgTField<Vec4, SgFieldVec4>;
using SgFVec2f = SgTField<Vec2f, SgFieldVec2f>;
using SgFColor = SgTField<Color, SgFieldColor>;
using SgFRotation = SgTField<Rotation, SgFieldRotation>;
using SgFImage = SgTField<Image2, SgFieldImage>;
using SgFStr = SgTField<std::string, SgFieldString>;
using SgFVec3f = SgTField<Vec3f, SgFieldVec3f>;
using SgFNodePtr = SgTField<NodePtr, SgFieldNodePtr>;
using SgFR1FuncRef = SgTField<CountPtr<R1Func>, SgFieldR1FuncRef>;
using SgFR2FuncRef = SgTField<CountPtr<R2Func>, SgFieldR2FuncRef>;
using SgFR3FuncRef = SgTField<R3Func *, SgFieldR3FuncRef>;

extern template class NODARA_API SgTField<int, SgFieldInt>;
extern template class NODARA_API SgTField<float, SgFieldFloat>;
extern template class NODARA_API SgTField<unsigned short, SgFieldUShort>;
extern template class NODARA_API SgTField<double, SgFieldDouble>;
extern template class NODARA_API SgTField<Vec2, SgFieldVec2>;
extern template class NODARA_API SgTField<Vec3, SgFieldVec3>;
extern template class NODARA_API SgTField<Vec4, SgFieldVec4>;
extern template class NODARA_API SgTField<Vec2f, SgFieldVec2f>;
extern template class NODARA_API SgTField<Color, SgFieldColor>;
extern template class NODARA_API SgTField<Rotation, SgFieldRotation>;
extern template class NODARA_API SgTField<Image2, SgFieldImage>;
extern template class NODARA_API SgTField<std::string, SgFieldString>;
extern template class NODARA_API SgTField<Vec3f, SgFieldVec3f>;
extern template class NODARA_API SgTField<NodePtr, SgFieldNodePtr>;
extern template class NODARA_API SgTField<CountPtr<R1Func>, SgFieldR1FuncRef>;
extern template class NODARA_API SgTField<CountPtr<R2Func>, SgFieldR2FuncRef>;
extern template class NODARA_API SgTField<R3Func *, SgFieldR3FuncRef>;
