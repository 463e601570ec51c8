#pragma once
#include "engine/core/NodaraExport.h"
// What a viewport's shadow frames keep from one frame to the next: the
// shadow library's scene, its two lights and the one object (the whole
// scene) with the silhouettes captured from them. The silhouettes are
// captured again only when something below the drawn root changed (a mark
// the root's caches hold goes with any change) or the scene's box moved.
struct RtsScene;
struct RtsLight;
struct RtsObject;
class SgNode;

class NODARA_API SgShadowCache {
public:
    SgShadowCache();
    SgShadowCache(const SgShadowCache &) = delete;
    SgShadowCache &operator=(const SgShadowCache &) = delete;
    ~SgShadowCache();

    // False when the library's records could not be made.
    bool IsReady() const { return m_scene && m_lights[0] && m_lights[1] && m_object; }
    // The silhouettes the last frame captured rather than kept.
    int LastCaptureCount() const;

private:
    friend class SgGLRenderAction;

    RtsScene *m_scene = nullptr;
    RtsLight *m_lights[2] = {nullptr, nullptr};
    RtsObject *m_object = nullptr;
    // The root drawn last and the serial of its change mark then; 0 for none.
    const SgNode *m_root = nullptr;
    unsigned long m_mark = 0;
};
