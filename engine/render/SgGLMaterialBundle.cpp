#include "engine/render/SgGLMaterialBundle.h"

#include <GL/gl.h>

#include <string>

#include "engine/core/SgElementClasses.h"
#include "engine/core/SgVecField.h"
#include "platform/SgError.h"

namespace {

template <class T, int N>
const T &Entry(SgVecField<T, N> *field, int index, const char *what)
{
    if (!field || index < 0 || index >= field->GetCount())
        throw SgInvalidArgument(std::string("Material bundle: no ") + what + " entry " + std::to_string(index));
    return field->GetValue(index, true);
}

void SendDiffuse(const Color &c)
{
    const GLfloat rgba[4] = {c.r, c.g, c.b, c.a};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, rgba);
    glColor4fv(rgba);
}

void SendColour(GLenum which, const Color &c)
{
    const GLfloat rgba[4] = {c.r, c.g, c.b, c.a};
    glMaterialfv(GL_FRONT_AND_BACK, which, rgba);
}

} // namespace

float SgGLMaterialBundle::GLShininess(float shininess)
{
    return shininess <= 1.0f ? shininess * kShininessScale : shininess;
}

void SgGLMaterialBundle::Send(int index)
{
    if (index < 0)
        throw SgInvalidArgument("Material bundle: negative index " + std::to_string(index));
    SgVecField<Color, 10> *diffuse = DiffuseColorElement::Get(m_pState);
    if (index > 0) {
        const int count = diffuse ? diffuse->GetCount() : 0;
        if (count == 0)
            throw SgInvalidArgument("Material bundle: no diffuse colours");
        SendDiffuse(Entry(diffuse, index % count, "diffuse colour"));
        return;
    }
    SendDiffuse(Entry(diffuse, 0, "diffuse colour"));
    SendColour(GL_SPECULAR, Entry(SpecularColorElement::Get(m_pState), 0, "specular colour"));
    Color ambient = Entry(AmbientColorElement::Get(m_pState), 0, "ambient colour");
    const float intensity = Entry(AmbientElement::Get(m_pState), 0, "ambient intensity");
    ambient.r *= intensity;
    ambient.g *= intensity;
    ambient.b *= intensity;
    SendColour(GL_AMBIENT, ambient);
    SendColour(GL_EMISSION, Entry(EmissionColorElement::Get(m_pState), 0, "emissive colour"));
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS,
                GLShininess(Entry(ShininessElement::Get(m_pState), 0, "shininess")));
}
