#pragma once
// One view of a viewer's window: a rectangle of the window and a private
// camera scene (camera, camera transform, background, head light, draw style,
// light model and overriding material; its last child is the shown scene),
// two scene transforms through which the user turns and centres the scene,
// and an optional background image.
//
// It sets the GL viewport, projection and model-view for the render action
// and converts between window points, world points and the coordinates of
// objects on a path. The viewport holds one reference to its camera scene;
// the other node pointers point into that scene.
#include <memory>
#include <string>
#include <vector>

#include "engine/core/SgRef.h"
#include "engine/core/Segment.h"
#include "utilities/math/Mat4.h"
#include "utilities/math/Range.h"
#include "utilities/math/Vec2i.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

class SgBackground;
class SgCamera;
class SgDrawStyle;
class SgLight;
class SgLightModel;
class SgMaterial;
class SgPath;
class SgPathList;
class SgSeparator;
class SgShadowCache;
class SgTransform;
class SgViewer;

class NODARA_API SgViewport {
public:
    SgViewport();
    SgViewport(const SgViewport &) = delete;
    SgViewport &operator=(const SgViewport &) = delete;
    virtual ~SgViewport();

    // GL viewport from the size, projection from the camera, model-view from
    // the inverse camera matrix (the identity when it has none). Needs a
    // current GL context.
    void UpdateModelProjViewMatrix();
    // World matrix of the camera node (rotation and translation; scale
    // dropped); the identity without a camera or camera scene.
    Mat4 GetCameraMatrix();

    Vec2i GetCenterPoint() const;
    int GetWidth() const { return m_Size.GetMax().x - m_Size.GetMin().x; }
    int GetHeight() const { return m_Size.GetMax().y - m_Size.GetMin().y; }

    // Frames the paths (the whole scene when null or empty); the factor
    // enlarges the framed half size. An empty box changes nothing.
    void Focus(const SgPathList *paths, double factor);
    // Angles in radians: spin about the vertical axis through the rotation
    // centre and tilt the camera; orbit a scene camera; or, with the variant,
    // stand the scene upright.
    void RotateScene(double a, double b, bool variant);
    void SetViewDirection(double x, double y, double z, double angle);
    void SetViewCenter(const Vec3 &center);

    // Reads the image (four bytes a pixel) unless the name is the current one
    // in any letter case; an empty name drops it; a failed read keeps the old one.
    void SetBGImage(const std::string &name);
    const std::string &GetBGImage() const { return m_BGImageName; }
    // BGRA pixels, bottom row first; null without an image.
    const unsigned char *GetBGImageData() const { return m_BGPixels.empty() ? nullptr : m_BGPixels.data(); }
    const Range<Vec2i> &GetBGSize() const { return m_BGRect; }
    // The zoom the background image was last drawn with in this viewport; a
    // background of style 0 keeps it from one frame to the next.
    float GetBGZoomX() const { return m_bgZoomX; }
    float GetBGZoomY() const { return m_bgZoomY; }
    void SetBGZoom(float x, float y)
    {
        m_bgZoomX = x;
        m_bgZoomY = y;
    }

    // The pick ray through a window point (y downwards), in world coordinates.
    // Needs a current GL context.
    Segment WorldRay(const Vec2i &point);
    // The same ray in the coordinates of the path's last node.
    Segment ObjectRay(const Vec2i &point, const SgPath &path);
    Vec3 ObjectEye(const SgPath &path);
    Vec3 ObjectEyeDir(const SgPath &path);
    Vec3 WorldToObject(const Vec3 &p, const SgPath &path);
    // With a path: the nearest hit of a ray pick along it; otherwise (or
    // without a hit) the depth-buffer point under the window point.
    Vec3 TranslateWinToWorld(const Vec2i &point, const SgPath *path);
    // Window-space bounds (x, y, depth) of a world box; the caller's matrices
    // and matrix mode are left as they were.
    Range<Vec3f> Project3dBoxToWin(const Range<Vec3f> &box);

    // Accessors.
    SgViewer *GetViewer() const { return m_pViewer; }
    void SetViewer(SgViewer *viewer) { m_pViewer = viewer; }
    const Range<Vec2i> &GetSize() const { return m_Size; }
    void SetSize(const Range<Vec2i> &size) { m_Size = size; }
    void SetSize(int left, int bottom, int right, int top) { m_Size = Range<Vec2i>(Vec2i(left, bottom), Vec2i(right, top)); }
    SgSeparator *GetNodara() const { return m_pNodara; }
    // Takes a reference to the new camera scene, releases the old one.
    void SetNodara(SgSeparator *scene);
    SgCamera *GetCamera() const { return m_pCamera; }
    void SetCamera(SgCamera *camera) { m_pCamera = camera; }
    SgBackground *GetBackground() const { return m_pBackground; }
    void SetBackground(SgBackground *background) { m_pBackground = background; }
    SgTransform *GetCameraTransform() const { return m_pCameraTransform; }
    void SetCameraTransform(SgTransform *transform) { m_pCameraTransform = transform; }
    SgTransform *GetGraphTransform1() const { return m_pGraphTransform1; }
    void SetGraphTransform1(SgTransform *transform) { m_pGraphTransform1 = transform; }
    SgTransform *GetGraphTransform2() const { return m_pGraphTransform2; }
    void SetGraphTransform2(SgTransform *transform) { m_pGraphTransform2 = transform; }
    SgDrawStyle *GetDrawStyle() const { return m_pDrawStyle; }
    void SetDrawStyle(SgDrawStyle *style) { m_pDrawStyle = style; }
    SgLightModel *GetLightModel() const { return m_pLightModel; }
    void SetLightModel(SgLightModel *model) { m_pLightModel = model; }
    // The view's light is counted: a light the scene lets go of (a delete,
    // an undo) stays alive while a view still names it.
    SgLight *GetHeadLight() const { return m_pHeadLight.get(); }
    void SetHeadLight(SgLight *light);
    SgMaterial *GetMaterial() const { return m_pMaterial; }
    void SetMaterial(SgMaterial *material) { m_pMaterial = material; }
    const Vec3 &GetRotationCenter() const { return m_RotationCenter; }
    void SetRotationCenter(const Vec3 &center) { m_RotationCenter = center; }

    // Takes the camera, transforms, background, head light, draw style, light
    // model and material from the camera scene by class (the view tree of a
    // file or of the default view).
    void AdoptViewNodes();

    // What the shadow frames of this view keep between frames; made on first use.
    SgShadowCache &GetShadowCache();

private:
    std::unique_ptr<SgShadowCache> m_shadowCache;
    std::string m_BGImageName;
    std::vector<unsigned char> m_BGPixels;
    SgViewer *m_pViewer = nullptr;
    Range<Vec2i> m_BGRect;
    Range<Vec2i> m_Size;
    SgRef<SgSeparator> m_pNodara;
    SgCamera *m_pCamera = nullptr;
    SgBackground *m_pBackground = nullptr;
    SgTransform *m_pCameraTransform = nullptr;
    SgTransform *m_pGraphTransform1 = nullptr;
    SgTransform *m_pGraphTransform2 = nullptr;
    SgDrawStyle *m_pDrawStyle = nullptr;
    SgLightModel *m_pLightModel = nullptr;
    SgRef<SgLight> m_pHeadLight;
    SgMaterial *m_pMaterial = nullptr;
    Vec3 m_RotationCenter;
    float m_bgZoomX = 1.0f;
    float m_bgZoomY = 1.0f;
};
