#include "engine/actions/Vrml1Stream.h"

#include <ostream>

#include "engine/actions/Vrml1Format.h"
#include "engine/core/Image2.h"
#include "engine/core/SgField.h"
#include "engine/nodes/properties/SgCamera.h"
#include "utilities/FileUtil.h"
#include "utilities/math/NumberText.h"
#include "utilities/math/Rotation.h"
#include "utilities/math/Vec2.h"
#include "utilities/math/Vec2f.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "utilities/math/Vec4f.h"

Vrml1Stream &Vrml1Stream::operator<<(int value)
{
    WriteNumber(*m_pStream, value);
    return *this;
}

Vrml1Stream &Vrml1Stream::operator<<(double value)
{
    WriteNumber(*m_pStream, value);
    return *this;
}

Vrml1Stream &Vrml1Stream::operator<<(bool value)
{
    m_pStream->put(value ? '1' : '0');
    return *this;
}

Vrml1Stream &Vrml1Stream::operator<<(char value)
{
    m_pStream->put(value);
    return *this;
}

Vrml1Stream &Vrml1Stream::operator<<(const char *text)
{
    if (text)
        *m_pStream << text;
    return *this;
}

Vrml1Stream &Vrml1Stream::operator<<(std::string_view text)
{
    m_pStream->write(text.data(), static_cast<std::streamsize>(text.size()));
    return *this;
}

Vrml1Stream &Vrml1Stream::operator<<(const NodeID &id)
{
    if (!id.IsNull())
        *this << Vrml1Format::FormatNodeID(id);
    return *this;
}

Vrml1Stream &Vrml1Stream::operator<<(const Vec2 &v)
{
    return *this << v.x << ' ' << v.y;
}

Vrml1Stream &Vrml1Stream::operator<<(const Vec2f &v)
{
    return *this << static_cast<double>(v.x) << "  " << static_cast<double>(v.y);
}

Vrml1Stream &Vrml1Stream::operator<<(const Vec3 &v)
{
    return *this << v.x << m_cVectorDelim << v.y << m_cVectorDelim << v.z;
}

Vrml1Stream &Vrml1Stream::operator<<(const Vec3f &v)
{
    WriteNumber(*m_pStream, v.x);
    *this << m_cVectorDelim;
    WriteNumber(*m_pStream, v.y);
    *this << m_cVectorDelim;
    WriteNumber(*m_pStream, v.z);
    return *this;
}

Vrml1Stream &Vrml1Stream::operator<<(const Vec4f &v)
{
    const float c[4] = {v.x, v.y, v.z, v.w};
    for (int i = 0; i < 4; ++i) {
        if (i)
            *this << "  ";
        WriteNumber(*m_pStream, c[i]);
    }
    return *this;
}

Vrml1Stream &Vrml1Stream::operator<<(const Rotation &r)
{
    return *this << r.GetAxis() << ' ' << r.GetAngle();
}

Vrml1Stream &Vrml1Stream::operator<<(const Image2 &image)
{
    std::string coded;
    FileUtil::CodePath(image.GetPath(), coded);
    *this << '\t';
    Vrml1Format::WriteQuoted(*m_pStream, coded);
    return *this;
}

namespace {

// One "\n\t<name>\t<value>" line of the camera block, the value in the
// field's own text form.
void WriteCameraField(Vrml1Stream &out, SgCamera &camera, const char *name)
{
    SgField *field = camera.GetFieldAddressByName(name);
    if (!field)
        return;
    out << "\n\t" << name << '\t';
    if (auto *vector = dynamic_cast<SgTField<Vec3f, SgFieldVec3f> *>(field))
        out << vector->Get(true);
    else if (auto *rotation = dynamic_cast<SgTField<Rotation, SgFieldRotation> *>(field))
        out << rotation->Get(true);
    else
        field->WriteToStream(out.getStream());
}

} // namespace

Vrml1Stream &Vrml1Stream::operator<<(SgCamera &camera)
{
    WriteCamera(camera, camera.GetFatherList().size() > 1);
    return *this;
}

void Vrml1Stream::WriteCamera(SgCamera &camera, bool writeId)
{
    const bool perspective = camera.IsPerspective();
    *this << (perspective ? "\nPerspectiveCamera\t{" : "\nOrthographicCamera\t{");
    if (writeId && !camera.GetID().IsNull())
        *this << "\nNodeID " << camera.GetID() << '\n';
    if (!camera.GetName().empty()) {
        *this << "NodeName\t";
        Vrml1Format::WriteQuoted(*m_pStream, camera.GetName());
        *this << '\n';
    }
    WriteCameraField(*this, camera, "position");
    WriteCameraField(*this, camera, "orientation");
    WriteCameraField(*this, camera, "farDistance");
    WriteCameraField(*this, camera, "nearDistance");
    // The projection's own size first; the other one, the aspect ratio and
    // the target distance follow so that no camera value is lost.
    WriteCameraField(*this, camera, perspective ? "height" : "heightAngle");
    WriteCameraField(*this, camera, perspective ? "heightAngle" : "height");
    WriteCameraField(*this, camera, "aspectRatio");
    WriteCameraField(*this, camera, "targetDistance");
    *this << "\n}";
}
