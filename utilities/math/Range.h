#pragma once
// A closed interval of numbers or an axis-aligned box of vectors (minimum and
// maximum). Range<Vec3f> is the bounding box, Range<Vec2i> a window rectangle.
// A range whose minimum is not below its maximum on the first component holds
// nothing; Empty() gives one that any Extend() overwrites.
#include <limits>
#include <type_traits>
#include <utility>
#include "utilities/BrannicExport.h"

template <class T>
class BRANNIC_API Range {
public:
    // The faces (extents) of a box, as the indices GetFace() takes.
    enum BOX3_SIZE {
        X_MIN = 0,
        X_MAX = 1,
        Y_MIN = 2,
        Y_MAX = 3,
        Z_MIN = 4,
        Z_MAX = 5,
        BOX3_FACES = 6,
    };

    constexpr Range() = default;
    constexpr Range(const T &min, const T &max) : m_min(min), m_max(max) {}

    // Minimum at the component type's largest value and maximum at its lowest.
    static Range Empty()
    {
        Range r;
        for (int i = 0; i < Size(); ++i) {
            Comp(r.m_min, i) = std::numeric_limits<Component>::max();
            Comp(r.m_max, i) = std::numeric_limits<Component>::lowest();
        }
        return r;
    }

    const T &GetMin() const { return m_min; }
    const T &GetMax() const { return m_max; }
    void SetMin(const T &v) { m_min = v; }
    void SetMax(const T &v) { m_max = v; }
    void SetValue(const T &min, const T &max)
    {
        m_min = min;
        m_max = max;
    }

    bool IsEmpty() const { return !(Comp(m_min, 0) < Comp(m_max, 0)); }

    void Extend(const T &p)
    {
        for (int i = 0; i < Size(); ++i) {
            if (Comp(p, i) < Comp(m_min, i)) Comp(m_min, i) = Comp(p, i);
            if (Comp(p, i) > Comp(m_max, i)) Comp(m_max, i) = Comp(p, i);
        }
    }
    void Extend(const Range &o)
    {
        Extend(o.m_min);
        Extend(o.m_max);
    }

    bool Contains(const T &p) const
    {
        for (int i = 0; i < Size(); ++i) {
            if (Comp(p, i) < Comp(m_min, i) || Comp(p, i) > Comp(m_max, i)) return false;
        }
        return true;
    }
    bool Intersects(const Range &o) const
    {
        for (int i = 0; i < Size(); ++i) {
            if (Comp(o.m_max, i) < Comp(m_min, i) || Comp(o.m_min, i) > Comp(m_max, i)) return false;
        }
        return true;
    }

    T GetSize() const { return m_max - m_min; }
    T GetCenter() const
    {
        T c = m_min;
        for (int i = 0; i < Size(); ++i) {
            Comp(c, i) = Component((Comp(m_min, i) + Comp(m_max, i)) / 2);
        }
        return c;
    }

    // The coordinate of one face of a box: X_MIN gives the minimum x, and so on.
    auto GetFace(int face) const { return Comp(face % 2 == 0 ? m_min : m_max, face / 2); }

    bool operator==(const Range &o) const { return m_min == o.m_min && m_max == o.m_max; }

private:
    static constexpr bool SCALAR = std::is_arithmetic_v<T>;
    static constexpr int Size()
    {
        if constexpr (SCALAR) {
            return 1;
        } else {
            return T::SIZE;
        }
    }
    template <class V>
    static constexpr decltype(auto) Comp(V &v, int i)
    {
        if constexpr (SCALAR) {
            (void)i;
            return (v);
        } else {
            return (v[i]);
        }
    }
    using Component = std::remove_cvref_t<decltype(Comp(std::declval<T &>(), 0))>;

    T m_min{};
    T m_max{};
};
