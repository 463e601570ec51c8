#pragma once
// The output side of the scene text: a thin wrapper of an output stream whose
// operators give each value type the spelling the scene reader takes back.
// Numbers go out in the shortest form that reads back to the same value, so
// nothing is lost on a save.
#include <iosfwd>
#include <string>
#include <string_view>

#include "engine/core/NodeID.h"
#include "engine/core/NodaraExport.h"

class Image2;
class Rotation;
class SgCamera;
struct Vec2;
struct Vec2f;
struct Vec3;
struct Vec3f;
struct Vec4f;

class NODARA_API Vrml1Stream {
public:
    explicit Vrml1Stream(std::ostream &out) : m_pStream(&out) {}

    char GetVectorDelim() const { return m_cVectorDelim; }
    void SetVectorDelim(char delim) { m_cVectorDelim = delim; }

    std::ostream &getStream() const { return *m_pStream; }
    operator std::ostream &() const { return *m_pStream; }
    operator std::ostream *() const { return m_pStream; }

    Vrml1Stream &operator<<(int value);
    Vrml1Stream &operator<<(double value);
    Vrml1Stream &operator<<(bool value);
    Vrml1Stream &operator<<(char value);
    Vrml1Stream &operator<<(const char *text);
    Vrml1Stream &operator<<(std::string_view text);
    Vrml1Stream &operator<<(const std::string &text) { return *this << std::string_view(text); }
    // Nothing for the null id, else the two numbers joined by "_".
    Vrml1Stream &operator<<(const NodeID &id);
    Vrml1Stream &operator<<(const Vec2 &v);
    Vrml1Stream &operator<<(const Vec2f &v);
    Vrml1Stream &operator<<(const Vec3 &v);
    Vrml1Stream &operator<<(const Vec3f &v);
    Vrml1Stream &operator<<(const Vec4f &v);
    Vrml1Stream &operator<<(const Rotation &r);
    // A tab and the image's file name between quotes, in the coded form that
    // survives moving the texture library.
    Vrml1Stream &operator<<(const Image2 &image);
    // The camera block: every field of the camera, by name.
    Vrml1Stream &operator<<(SgCamera &camera);
    // The same block; with `writeId` the id line is written whatever the
    // number of parents (a camera that a connection names).
    void WriteCamera(SgCamera &camera, bool writeId);

private:
    std::ostream *m_pStream;
    char m_cVectorDelim = ' ';
};
