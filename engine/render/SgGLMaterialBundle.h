#pragma once
#include "engine/core/NodaraExport.h"
// Sends the material of the traversal state to OpenGL: the whole material
// (index 0) or the diffuse colour of one face or part (index 1 and up, taken
// modulo the number of diffuse colours). The current colour always follows
// the diffuse colour, so unlit drawing shows it too.
//
// An array that lacks an entry the send needs, and a negative index, throw
// SgInvalidArgument.
class SgState;

class NODARA_API SgGLMaterialBundle {
public:
    // Shininess up to this is a fraction of the GL range (0..128).
    static constexpr float kShininessScale = 128.0f;

    explicit SgGLMaterialBundle(SgState *state) : m_pState(state) {}
    SgGLMaterialBundle(const SgGLMaterialBundle &) = delete;
    SgGLMaterialBundle &operator=(const SgGLMaterialBundle &) = delete;
    virtual ~SgGLMaterialBundle() = default;

    void Send(int index);

    // The value GL_SHININESS gets for a material's shininess.
    static float GLShininess(float shininess);

private:
    SgState *m_pState;
};
