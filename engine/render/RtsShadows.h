#pragma once
// Hard shadows by stencil shadow volumes. For each light and each object that
// casts shadows, the object's outline as the light sees it is captured
// through GL feedback and merged into silhouette loops with the GLU
// tessellator; the loops are extruded away from the light into a closed
// volume, the pixels inside the volume are marked in the stencil buffer (by
// parity, one stencil bit per object), and the scene is drawn again there
// without that light.
//
// The volume starts behind the object's bounding sphere as seen from the
// light, so an object never shadows itself; receivers inside the sphere's
// far half miss its shadow.
//
// Failures (allocation, inconsistent lists, a capture that cannot be made)
// are reported under the "libRTS" package and return false or null; the
// scene is then drawn without shadows. Nothing aborts the process.
#include <GL/gl.h>

#include <cstddef>
#include <vector>
#include "engine/core/NodaraExport.h"

struct RtsScene;
struct RtsLight;
struct RtsObject;

// Light states.
enum RtsLightState { kRtsLightOff = 0, kRtsLightOn = 1, kRtsLightShadowed = 2 };

NODARA_API RtsScene *rtsCreateScene(const float eye[3], unsigned stencilMask, void (*drawScene)(GLenum light, void *data),
                         void *data);
NODARA_API RtsLight *rtsCreateLight(GLenum glLight, const float position[3], float radius);
NODARA_API RtsObject *rtsCreateObject(const float centre[3], float radius, void (*drawObject)(void *data), void *data,
                           int feedbackCapacity);
// The records are the caller's; a scene or light only refers to the others.
NODARA_API void rtsFreeScene(RtsScene *scene);
NODARA_API void rtsFreeLight(RtsLight *light);
NODARA_API void rtsFreeObject(RtsObject *object);

// False (with a message) for null records or lists that do not agree; an
// entry already present is left as it is (true).
NODARA_API bool rtsAddLightToScene(RtsScene *scene, RtsLight *light);
NODARA_API bool rtsAddObjectToLight(RtsLight *light, RtsObject *object);
NODARA_API void rtsSetLightState(RtsLight *light, int state);

// Records kept from frame to frame: a light's or object's silhouettes are
// captured again only after it moved or was touched (its drawing changed).
NODARA_API void rtsSetSceneEye(RtsScene *scene, const float eye[3]);
NODARA_API void rtsSetSceneData(RtsScene *scene, void *data);
// Every surface that receives shadows lies inside the box: the volumes end
// just beyond it rather than far away, which spares the stencil passes the
// pixels behind the receivers. Null for either corner: no box (the default).
NODARA_API void rtsSetSceneReach(RtsScene *scene, const float boxMin[3], const float boxMax[3]);
NODARA_API void rtsSetObjectData(RtsObject *object, void *data);
NODARA_API void rtsPlaceObject(RtsObject *object, const float centre[3], float radius);
NODARA_API void rtsTouchObject(RtsObject *object);
NODARA_API void rtsPlaceLight(RtsLight *light, const float position[3]);

// Draws the scene, with shadows when asked. Further shadowed lights are
// added onto the first light's picture with blending on (GL_ONE, GL_ONE),
// once each: with more objects than stencil bits, the highest usable bit
// gathers the objects' volumes batch by batch. The scene callback must
// leave blending as it finds it (the render action's additive pass). Returns false when shadows were
// asked for but could not be made (the scene is then drawn lit, without
// shadows); a frame buffer without stencil bits draws once, fully lit, with
// one warning per scene.
NODARA_API bool rtsRenderScene(RtsScene *scene, bool shadows);

// What the last rtsRenderScene of the scene did, for tests: the number of
// shadow volumes drawn and the stencil bits that could be used.
NODARA_API int rtsVolumeCount(const RtsScene *scene);
NODARA_API unsigned rtsUsableStencilBits(const RtsScene *scene);
// The silhouettes the last rtsRenderScene captured (rather than kept).
NODARA_API int rtsCaptureCount(const RtsScene *scene);
// The largest feedback buffer a capture may grow to, in floats (0: the
// default); returns the previous limit. For tests of a capture that fails.
NODARA_API size_t rtsSetFeedbackLimit(size_t floats);
