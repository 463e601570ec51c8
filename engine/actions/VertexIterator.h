#pragma once
// Walks the points of one collected shape. Each iterator keeps its own copy of
// the points (and of whatever it reads with them), taken when the shape was
// collected: curves resample, emitters move their particles and modifier
// results are rebuilt, none of which may leave a collected item pointing at
// freed memory.
//
//   for (it->First(); it->More(); it->Next())
//       use(*it->GetPoint());
#include <vector>

#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

class SgFaceSet;

class NODARA_API VertexIterator {
public:
    VertexIterator() = default;
    VertexIterator(const VertexIterator &) = delete;
    VertexIterator &operator=(const VertexIterator &) = delete;
    virtual ~VertexIterator() = default;

    // Whether the iterator was given something to walk.
    virtual bool IsValid() const = 0;
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual int GetCount() const = 0;
    // The point at the cursor; null when the cursor is past the end.
    virtual const Vec3 *GetPoint() const = 0;
    // The normal at the cursor, with `info` set to what the iterator knows
    // about it; points without normals give 0 and null.
    virtual const Vec3 *GetNormal(int &info) const;
    virtual bool More() const = 0;
    // Whether the points carry normal lists (GetNormalList).
    virtual bool HasNormals() const { return false; }
    // The normals at the cursor, `count` of them (0 and null when there are
    // none): for a face set, the unnormalised normal sums of each smoothing
    // surface that meets at the vertex.
    virtual const Vec3f *GetNormalList(int &count) const;
};

// The points of an array, one after the other.
class NODARA_API ArrayIterator : public VertexIterator {
public:
    // A null array gives an iterator that is not valid and walks nothing.
    ArrayIterator(const Vec3 *points, int count);

    bool IsValid() const override { return m_bValid; }
    void First() override { m_nIndex = 0; }
    void Next() override { ++m_nIndex; }
    int GetCount() const override { return m_nCount; }
    const Vec3 *GetPoint() const override;
    bool More() const override { return m_nIndex < m_nCount; }

    int GetIndex() const { return m_nIndex; }

protected:
    bool m_bValid;
    int m_nIndex = 0;
    int m_nCount;
    std::vector<Vec3> m_points;
};

// The entries of an array whose flag byte is set (live particles); the count
// is that of the whole array.
class NODARA_API ArrayFilterIterator : public ArrayIterator {
public:
    // `flags` holds one byte per point; without flags no entry is walked.
    ArrayFilterIterator(const Vec3 *points, const unsigned char *flags, int count);
    ArrayFilterIterator(const Vec3 *points, const bool *flags, int count);

    void First() override;
    void Next() override;

private:
    void SkipCleared();

    std::vector<unsigned char> m_flags;
};

// The representative vertices of a face set (each place once, however many
// vertices the duplicate table gathers there) with the normals it evaluated
// at them.
class NODARA_API FaceSetVertexIterator : public ArrayIterator {
public:
    // Reads the face set's drawn points, its duplicate table and its
    // per-vertex normal records, which the face set must have evaluated
    // (EvaluateFaceNormals(true)).
    explicit FaceSetVertexIterator(SgFaceSet *faceSet);

    bool IsValid() const override { return m_bHasFaceSet; }
    void First() override;
    void Next() override;
    bool HasNormals() const override { return !m_normals.empty(); }
    const Vec3f *GetNormalList(int &count) const override;
    // `info` is the number of smoothing surfaces that meet at the vertex; the
    // normal is that of the first of them, of unit length (the zero vector
    // when the vertex lies on no smoothed face).
    const Vec3 *GetNormal(int &info) const override;

private:
    struct VertexNormal {
        int count;
        Vec3 normal;
        Vec3f sums[4];
    };

    void SkipDuplicates();

    bool m_bHasFaceSet;
    std::vector<VertexNormal> m_normals;
    // The representative of each vertex; empty when every vertex is its own.
    std::vector<int> m_representatives;
};
