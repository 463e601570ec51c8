#include "engine/render/SgGLPropertyVisitors.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <set>
#include <string>

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "engine/core/SgStateAccessors.h"
#include "engine/render/GLExtensions.h"
#include "engine/render/SgGLMaterialBundle.h"
#include "engine/render/SgGLRenderAction.h"
#include "engine/render/SgTextureManager.h"
#include "engine/nodes/properties/SgDrawStyle.h"
#include "engine/nodes/properties/SgEnvironment.h"
#include "engine/nodes/properties/SgLightModel.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgMaterialBinding.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/nodes/properties/SgTexture2Transform.h"
#include "engine/nodes/properties/SgTextureCombine.h"
#include "engine/nodes/properties/SgTextureEnable.h"
#include "engine/nodes/properties/SgTextureFunction.h"
#include "engine/nodes/properties/SgTextureUnit.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/nodes/properties/SgTransformConstraint.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"
#include "platform/gl/GLContext.h"

namespace {

constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979323846;

// Draw styles the visitor knows ("style").
constexpr int kStylePoints = 1;
constexpr int kStyleLines = 2;
constexpr int kStyleFilled = 4;

// Texture coordinate generation kinds of "type" that GL generates itself;
// the other kinds are computed per vertex by the face-set visitors.
constexpr int kGenObjectLinear = 1;
constexpr int kGenSphereMap = 2;

// Whether an overriding node higher up has locked the element: then the
// node's own value is not in force and neither is its GL state.
template <class Element>
bool IsOverridden(SgState *state)
{
    const SgElement *element = state->GetElement(Element::ClassOffset());
    return element && element->IsLocked();
}

void MultMatrix(const Mat4 &m)
{
    // Rows of ours are columns of GL's.
    GLdouble columns[16];
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            columns[col * 4 + row] = m[row][col];
    glMultMatrixd(columns);
}

bool NeedsNormalize(const Vec3 &scale)
{
    const double dx = scale.x - 1.0;
    const double dy = scale.y - 1.0;
    const double dz = scale.z - 1.0;
    return dx * dx + dy * dy + dz * dz > SgGLPropertyVisitors::kNormalizeTolerance;
}

// The texture unit the state names, limited to the units the driver has.
int CurrentTextureUnit(SgState *state)
{
    const int *unit = TextureUnitElement::Get(state);
    const int u = unit ? *unit : 0;
    const int available = GLExtensions::ForCurrentContext().m_nTextureUnits;
    const int units = available > 0 ? available : 1;
    return u >= 0 && u < units ? u : 0;
}

// Makes the state's texture unit the one GL texture calls address.
void SelectTextureUnit(SgState *state)
{
    const GLExtensions &extensions = GLExtensions::ForCurrentContext();
    if (!extensions.m_bMultitexture || !extensions.m_pfnActiveTextureARB)
        return;
    extensions.m_pfnActiveTextureARB(GL_TEXTURE0_ARB + CurrentTextureUnit(state));
}

// True while a display list is being compiled: GL commands are recorded,
// not run, so queries about objects the list makes answer as before it.
bool CompilingList()
{
    GLint list = 0;
    glGetIntegerv(GL_LIST_INDEX, &list);
    return list != 0;
}

// Texture names made while a display list was compiled, with the context
// they were made in: their upload sits in the list and has not run yet, so
// GL does not know them as textures until the list is called.
std::set<std::pair<const GLContext *, GLuint>> &PendingTextures()
{
    static std::set<std::pair<const GLContext *, GLuint>> s_pending;
    return s_pending;
}

// Whether a remembered texture name can be bound in the current context. A
// name made in a context that is gone is no texture here and is made anew.
bool IsUsableTexture(int name)
{
    if (name <= 0)
        return false;
    const auto key = std::make_pair<const GLContext *, GLuint>(GLContext::GetCurrent(), static_cast<GLuint>(name));
    if (glIsTexture(key.second) == GL_TRUE) {
        PendingTextures().erase(key);
        return true;
    }
    return PendingTextures().count(key) != 0;
}

// The pixel format of an image's component count; 0 for a count GL cannot
// take. Three-component images come from the image readers, which store
// blue, green, red.
GLenum PixelFormat(int components)
{
    switch (components) {
    case 1:
        return GL_RED;
    case 3:
        return GL_BGR;
    case 4:
        return GL_BGRA;
    default:
        return 0;
    }
}

bool HasPixels(const Image2 &image)
{
    return image.GetData() && image.GetWidth() > 0 && image.GetHeight() > 0;
}

// Makes a GL texture of the image and leaves it bound; its name, or -1.
int UploadTexture(const Image2 &image, GLenum format)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    if (name == 0)
        return -1;
    glBindTexture(GL_TEXTURE_2D, name);
    // Rows are packed: one- and three-component images of odd widths would
    // otherwise be read past their rows.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLenum type = image.GetType() == Image2::FLOAT ? GL_FLOAT : GL_UNSIGNED_BYTE;
    glTexImage2D(GL_TEXTURE_2D, 0, image.GetDepth(), image.GetWidth(), image.GetHeight(), 0, format, type,
                 image.GetData());
    if (CompilingList())
        PendingTextures().emplace(GLContext::GetCurrent(), name);
    return static_cast<int>(name);
}

// Binds the texture of `remembered` when it is usable here, else makes one;
// the name in force afterwards.
int BindTexture(int remembered, const Image2 &image, GLenum format)
{
    if (IsUsableTexture(remembered)) {
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(remembered));
        return remembered;
    }
    return UploadTexture(image, format);
}

// Environment modes by "model"; a model past the table modulates.
struct EnvMode {
    GLint mode;
    GLint combine; // the combine function in combine mode, else 0
};

EnvMode EnvModeOf(int model)
{
    static const EnvMode s_modes[] = {
        {GL_MODULATE, 0},
        {GL_DECAL, 0},
        {GL_BLEND, 0},
        {GL_ADD, 0},
        {GL_COMBINE_ARB, GL_SUBTRACT_ARB},
        {GL_COMBINE_ARB, GL_ADD_SIGNED_ARB},
        {GL_COMBINE_ARB, GL_INTERPOLATE_ARB},
    };
    if (model < 0 || model >= static_cast<int>(sizeof s_modes / sizeof s_modes[0]))
        return s_modes[0];
    // Without the combine extension the combiner modes cannot be set.
    if (s_modes[model].combine && !GLExtensions::ForCurrentContext().m_bTextureEnvCombine)
        return s_modes[0];
    return s_modes[model];
}

// What an SgTextureCombine's values mean: its two ints index the combine
// functions of colour and alpha, its first and second arrays the sources of
// colour and alpha, its third and fourth arrays their operands, and its two
// floats the colour and alpha scales (1, 2 or 4; other values leave the
// scale alone). An index outside its table leaves that setting alone.
template <std::size_t N>
bool Lookup(const GLint (&table)[N], int index, GLint &value)
{
    if (index < 0 || index >= static_cast<int>(N))
        return false;
    value = table[index];
    return true;
}

void SetCombineValues(const std::vector<int> &indices, const GLint (&names)[3], const GLint *table, int tableSize)
{
    for (std::size_t i = 0; i < indices.size() && i < 3; ++i) {
        if (indices[i] >= 0 && indices[i] < tableSize)
            glTexEnvi(GL_TEXTURE_ENV, names[i], table[indices[i]]);
    }
}

void SetScale(GLenum name, float scale)
{
    if (scale == 1.0f || scale == 2.0f || scale == 4.0f)
        glTexEnvf(GL_TEXTURE_ENV, name, scale);
}

void ApplyCombine(SgTextureCombine &combine)
{
    static const GLint s_functions[] = {GL_REPLACE,          GL_MODULATE,          GL_ADD,
                                        GL_ADD_SIGNED_ARB,   GL_INTERPOLATE_ARB,   GL_SUBTRACT_ARB};
    static const GLint s_sources[] = {GL_TEXTURE, GL_PREVIOUS_ARB, GL_CONSTANT_ARB, GL_PRIMARY_COLOR_ARB};
    static const GLint s_colorOperands[] = {GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR, GL_SRC_ALPHA,
                                            GL_ONE_MINUS_SRC_ALPHA};
    static const GLint s_alphaOperands[] = {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
    static const GLint s_colorSourceNames[3] = {GL_SOURCE0_RGB_ARB, GL_SOURCE1_RGB_ARB, GL_SOURCE2_RGB_ARB};
    static const GLint s_alphaSourceNames[3] = {GL_SOURCE0_ALPHA_ARB, GL_SOURCE1_ALPHA_ARB, GL_SOURCE2_ALPHA_ARB};
    static const GLint s_colorOperandNames[3] = {GL_OPERAND0_RGB_ARB, GL_OPERAND1_RGB_ARB, GL_OPERAND2_RGB_ARB};
    static const GLint s_alphaOperandNames[3] = {GL_OPERAND0_ALPHA_ARB, GL_OPERAND1_ALPHA_ARB,
                                                 GL_OPERAND2_ALPHA_ARB};

    GLint function = 0;
    if (Lookup(s_functions, combine.m_int1.Get(true), function))
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, function);
    if (Lookup(s_functions, combine.m_int2.Get(true), function))
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, function);
    SetCombineValues(combine.m_values1.GetValues(), s_colorSourceNames, s_sources, 4);
    SetCombineValues(combine.m_values2.GetValues(), s_alphaSourceNames, s_sources, 4);
    SetCombineValues(combine.m_values3.GetValues(), s_colorOperandNames, s_colorOperands, 4);
    SetCombineValues(combine.m_values4.GetValues(), s_alphaOperandNames, s_alphaOperands, 2);
    SetScale(GL_RGB_SCALE_ARB, combine.m_float1.Get(true));
    SetScale(GL_ALPHA_SCALE, combine.m_float2.Get(true));
}

// The combiner set-up of a combine mode without a combine node of its own:
// the function between the previous stage and this texture, with the
// constant colour as the third argument.
void ApplyDefaultCombine(GLint function)
{
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, function);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_PREVIOUS_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB_ARB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB_ARB, GL_CONSTANT_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB_ARB, GL_SRC_COLOR);
}

void SetTextureParameters(SgTexture2D &texture, const EnvMode &env)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S,
                    texture.m_wrapS.Get(true) == SgTexture2D::CLAMP ? GL_CLAMP : GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T,
                    texture.m_wrapT.Get(true) == SgTexture2D::CLAMP ? GL_CLAMP : GL_REPEAT);
    const GLint filter = texture.m_sample.Get(true) != 0 ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, env.mode);
    const Color &blend = texture.m_blendColor.Get(true);
    const GLfloat color[4] = {blend.r, blend.g, blend.b, blend.a};
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, color);
    if (!env.combine)
        return;
    auto *combine = dynamic_cast<SgTextureCombine *>(texture.m_combine.Get(true).get());
    if (combine)
        ApplyCombine(*combine);
    else
        ApplyDefaultCombine(env.combine);
}

} // namespace

void SgGLPropertyVisitors::VisitMaterial(SgAction *action, SgNode *node)
{
    SgState *state = action->GetState();
    if (IsOverridden<DiffuseColorElement>(state))
        return;
    auto *material = static_cast<SgMaterial *>(node);
    material->DoAction(action);
    if (action->GetClassID() == SgGLRenderAction::ClassID())
        static_cast<SgGLRenderAction *>(action)->NoteMaterialSent();
    try {
        SgGLMaterialBundle(state).Send(0);
    } catch (const SgError &error) {
        // A material with an emptied colour array costs only its own colours;
        // the frame goes on with the GL material in force.
        SgDiagWarning("GLRenderAction", "SgMaterial \"%s\": %s", material->GetName().c_str(), error.what());
    }

    const std::vector<Color> &diffuse = material->m_diffuseColor.GetValues();
    // A pass that adds one light's share onto the picture keeps its blending.
    const bool additive = action->GetClassID() == SgGLRenderAction::ClassID() &&
                          static_cast<SgGLRenderAction *>(action)->m_bAdditivePass;
    if (!diffuse.empty()) {
        // Translucent shapes are drawn in the transparent pass, blended over
        // what the opaque pass left.
        if (diffuse.front().a < 1.0f) {
            if (!additive) {
                glEnable(GL_BLEND);
                glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            }
            AlphaBlendElement::Set(state, material, 1);
        } else {
            if (!additive)
                glDisable(GL_BLEND);
            AlphaBlendElement::Set(state, material, 0);
        }
    }
    if (material->m_alphaBlend.Get(true) == 1) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, material->m_alphaRef.Get(true));
    }
}

void SgGLPropertyVisitors::VisitMaterialBinding(SgAction *action, SgNode *node)
{
    if (IsOverridden<MaterialBindingElement>(action->GetState()))
        return;
    node->DoAction(action);
}

void SgGLPropertyVisitors::VisitLightModel(SgAction *action, SgNode *node)
{
    const bool lit = static_cast<SgLightModel *>(node)->m_model.Get(true) == 1;
    if (lit)
        glEnable(GL_LIGHTING);
    else
        glDisable(GL_LIGHTING);
    // Unlit shapes have nothing to add in a pass that adds a light: their
    // colour is in the picture already. The separators' attribute levels
    // give the colour writes back.
    if (action->GetClassID() == SgGLRenderAction::ClassID() &&
        static_cast<SgGLRenderAction *>(action)->m_bAdditivePass)
        glColorMask(lit, lit, lit, lit);
}

void SgGLPropertyVisitors::VisitDrawStyle(SgAction *action, SgNode *node)
{
    SgState *state = action->GetState();
    if (IsOverridden<DrawStyleElement>(state))
        return;
    auto *style = static_cast<SgDrawStyle *>(node);
    style->DoAction(action);

    if (!style->m_style.IsIgnored()) {
        const int *mode = DrawStyleElement::Get(state);
        switch (mode ? *mode : kStyleFilled) {
        case kStyleFilled:
            glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
            break;
        case kStyleLines:
            glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
            break;
        case kStylePoints:
            // Points sit in front of the faces they mark.
            glDisable(GL_LIGHTING);
            glEnable(GL_POLYGON_OFFSET_POINT);
            glPolygonOffset(-3.0f, 1.0f);
            glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
            break;
        default:
            break;
        }
    }
    if (!style->m_linePatern.IsIgnored()) {
        const unsigned short *pattern = LinePaternElement::Get(state);
        glLineStipple(1, pattern ? *pattern : style->m_linePatern.Get(true));
        glEnable(GL_LINE_STIPPLE);
    }
    if (!style->m_pointSize.IsIgnored()) {
        const float *size = PointSizeElement::Get(state);
        glPointSize(size ? *size : style->m_pointSize.Get(true));
    }
    if (!style->m_lineWidth.IsIgnored()) {
        const float *width = LineWidthElement::Get(state);
        glLineWidth(width ? *width : style->m_lineWidth.Get(true));
    }
}

void SgGLPropertyVisitors::VisitShapeHints(SgAction *action, SgNode *node)
{
    auto *hints = static_cast<SgShapeHints *>(node);
    const int ordering = hints->m_vertexOrdering.Get(true);
    glCullFace(ordering == SgShapeHints::CLOCKWISE ? GL_BACK : GL_FRONT);
    if (hints->m_shapeType.Get(true) == SgShapeHints::SOLID && ordering != SgShapeHints::UNKNOWN_ORDERING)
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
    hints->DoAction(action);
}

void SgGLPropertyVisitors::VisitTransform(SgAction *action, SgNode *node)
{
    auto *transform = static_cast<SgTransform *>(node);
    // The GL matrix follows the state's transform exactly, so that what is
    // drawn is where bounding boxes and picks find it.
    transform->DoAction(action);

    if (auto *constraint = dynamic_cast<SgTransformConstraint *>(transform)) {
        if (constraint->m_reset.Get(true) != 0)
            glLoadIdentity();
        MultMatrix(constraint->GetConstraintMatrix().GetMatrix());
        if (!constraint->m_scaleFactor.IsIgnored() && NeedsNormalize(constraint->m_scaleFactor.Get(true)))
            glEnable(GL_NORMALIZE);
        return;
    }
    if (transform->IsGeneral()) {
        MultMatrix(transform->GetMatrix().GetMatrix());
        // A general matrix may scale in any direction.
        glEnable(GL_NORMALIZE);
        return;
    }
    if (!transform->m_reset.IsIgnored() && transform->m_reset.Get(true) != 0)
        glLoadIdentity();
    MultMatrix(transform->GetMatrix().GetMatrix());
    if (!transform->m_scaleFactor.IsIgnored() && NeedsNormalize(transform->m_scaleFactor.Get(true)))
        glEnable(GL_NORMALIZE);
}

void SgGLPropertyVisitors::VisitTexture2Transform(SgAction *action, SgNode *node)
{
    auto *transform = static_cast<SgTexture2Transform *>(node);
    SelectTextureUnit(action->GetState());
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    if (!transform->m_translation.IsIgnored()) {
        const Vec2 &t = transform->m_translation.Get(true);
        glTranslated(t.x, t.y, 0.0);
    }
    if (!transform->m_rotation.IsIgnored())
        glRotated(transform->m_rotation.Get(true) * kDegreesPerRadian, 0.0, 0.0, 1.0);
    if (!transform->m_scaleFactor.IsIgnored()) {
        const Vec2 &s = transform->m_scaleFactor.Get(true);
        glScaled(s.x, s.y, 1.0);
    }
    glMatrixMode(GL_MODELVIEW);
}

void SgGLPropertyVisitors::VisitTextureEnable(SgAction *action, SgNode *node)
{
    if (IsOverridden<TextureEnableElement>(action->GetState()))
        return;
    auto *enable = static_cast<SgTextureEnable *>(node);
    enable->DoAction(action);
    if (enable->m_bEnable.Get(true) != 0)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
}

void SgGLPropertyVisitors::VisitTextureFunction(SgAction *action, SgNode *node)
{
    auto *function = static_cast<SgTextureFunction *>(node);
    function->DoAction(action);
    if (function->m_on.Get(true) == 0)
        return;
    const int type = function->m_type.Get(true);
    if (type != kGenObjectLinear && type != kGenSphereMap)
        return;
    SelectTextureUnit(action->GetState());
    if (type == kGenObjectLinear) {
        const Vec3 &s = function->m_dirS.Get(true);
        const Vec3 &t = function->m_dirT.Get(true);
        const GLdouble planeS[4] = {s.x, s.y, s.z, 0.0};
        const GLdouble planeT[4] = {t.x, t.y, t.z, 0.0};
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
        glTexGendv(GL_S, GL_OBJECT_PLANE, planeS);
        glTexGendv(GL_T, GL_OBJECT_PLANE, planeT);
    } else {
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    }
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
}

void SgGLPropertyVisitors::VisitTextureUnit(SgAction *action, SgNode *node)
{
    // The node refuses a unit outside the table; the unit in force is then
    // the one selected.
    node->DoAction(action);
    SelectTextureUnit(action->GetState());
}

void SgGLPropertyVisitors::PrepareTexture2D(SgNode *node)
{
    // A texture made while a list compiles has its upload recorded in the
    // list, and every call of the list would upload it again.
    if (CompilingList())
        return;
    auto *texture = static_cast<SgTexture2D *>(node);
    if (texture->m_filename.IsIgnored())
        return;
    const Image2 own = texture->m_filename.Get(true);
    const std::string path = own.GetPath();
    SgTextureManager *manager = nullptr;
    const Image2 *image = &own;
    if (!path.empty()) {
        manager = SgTextureManager::ForDocument(texture->GetDocument());
        std::string name = path;
        image = manager ? manager->GetImage(name, nullptr, nullptr, texture) : nullptr;
    }
    const GLenum format = image ? PixelFormat(image->GetDepth()) : 0;
    if (!image || !HasPixels(*image) || !format)
        return;
    // Made and left as it was bound.
    glPushAttrib(GL_TEXTURE_BIT);
    if (manager)
        manager->SetTextureID(path, BindTexture(manager->GetTextureID(path), *image, format));
    else
        texture->SetTextureName(BindTexture(texture->GetTextureName(), *image, format));
    glPopAttrib();
}

void SgGLPropertyVisitors::VisitTexture2D(SgAction *action, SgNode *node)
{
    SgState *state = action->GetState();
    if (IsOverridden<ImageElement>(state))
        return;
    auto *texture = static_cast<SgTexture2D *>(node);
    texture->DoAction(action);
    SelectTextureUnit(state);

    // An ignored image leaves the texture in force bound; the node only
    // switches texturing on, as its DoAction did in the state.
    if (texture->m_filename.IsIgnored()) {
        glEnable(GL_TEXTURE_2D);
        return;
    }

    // A copy shares the pixels and outlives an edit of the field.
    const Image2 own = texture->m_filename.Get(true);
    const std::string path = own.GetPath();
    SgTextureManager *manager = nullptr;
    const Image2 *image = &own;
    if (!path.empty()) {
        manager = SgTextureManager::ForDocument(texture->GetDocument());
        std::string name = path;
        image = manager ? manager->GetImage(name, nullptr, nullptr, texture) : nullptr;
    }
    const GLenum format = image ? PixelFormat(image->GetDepth()) : 0;
    if (!image || !HasPixels(*image) || !format) {
        glDisable(GL_TEXTURE_2D);
        return;
    }
    glEnable(GL_TEXTURE_2D);

    if (manager) {
        const int name = BindTexture(manager->GetTextureID(path), *image, format);
        manager->SetTextureID(path, name);
    } else {
        texture->SetTextureName(BindTexture(texture->GetTextureName(), *image, format));
    }
    SetTextureParameters(*texture, EnvModeOf(texture->m_model.Get(true)));
}

void SgGLPropertyVisitors::VisitEnvironment(SgAction *, SgNode *node)
{
    auto *environment = static_cast<SgEnvironment *>(node);
    const Color &ambient = environment->m_ambientColor.Get(true);
    const float intensity = environment->m_ambientIntensity.Get(true);
    const GLfloat model[4] = {ambient.r * intensity, ambient.g * intensity, ambient.b * intensity, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, model);

    const int fog = environment->m_fogType.Get(true);
    if (fog == 0) {
        glDisable(GL_FOG);
        return;
    }
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, fog == 2 ? GL_EXP : (fog == 3 ? GL_EXP2 : GL_LINEAR));
    glHint(GL_FOG_HINT, GL_NICEST);
    glFogf(GL_FOG_START, environment->m_fogStart.Get(true));
    glFogf(GL_FOG_END, environment->m_fogEnd.Get(true));
    const Color &color = environment->m_fogColor.Get(true);
    const GLfloat fogColor[4] = {color.r, color.g, color.b, color.a};
    glFogfv(GL_FOG_COLOR, fogColor);
}

void SgGLRenderAction::InitPropertyVisitors()
{
    using V = SgGLPropertyVisitors;
    SetVisitor(s_pfnMethodsMap, SgMaterial::ClassID(), V::VisitMaterial);
    SetVisitor(s_pfnMethodsMap, SgMaterialBinding::ClassID(), V::VisitMaterialBinding);
    SetVisitor(s_pfnMethodsMap, SgLightModel::ClassID(), V::VisitLightModel);
    SetVisitor(s_pfnMethodsMap, SgDrawStyle::ClassID(), V::VisitDrawStyle);
    SetVisitor(s_pfnMethodsMap, SgShapeHints::ClassID(), V::VisitShapeHints);
    SetVisitor(s_pfnMethodsMap, SgTransform::ClassID(), V::VisitTransform);
    SetVisitor(s_pfnMethodsMap, SgTransformConstraint::ClassID(), V::VisitTransform);
    SetVisitor(s_pfnMethodsMap, SgTexture2Transform::ClassID(), V::VisitTexture2Transform);
    SetVisitor(s_pfnMethodsMap, SgTextureEnable::ClassID(), V::VisitTextureEnable);
    SetVisitor(s_pfnMethodsMap, SgTextureFunction::ClassID(), V::VisitTextureFunction);
    SetVisitor(s_pfnMethodsMap, SgTextureUnit::ClassID(), V::VisitTextureUnit);
    SetVisitor(s_pfnMethodsMap, SgTexture2D::ClassID(), V::VisitTexture2D);
    SetVisitor(s_pfnMethodsMap, SgEnvironment::ClassID(), V::VisitEnvironment);
}
