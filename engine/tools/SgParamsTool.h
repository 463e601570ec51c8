#pragma once
// Edits the size parameters of a primitive shape by dragging point handles
// placed on it: the box's half-width point, the cylinder's rim point, the
// torus's tube point and so on. Each handle lies on a line from an origin
// through the handle; a drag moves it along that line and the distance from
// the origin becomes the new value of a field. One table row per shape
// class says how many handles there are, where they sit and which field
// each sets. The tool never changes the object's transform.
#include "engine/tools/SgTransformTool.h"
#include "engine/core/NodaraExport.h"

class SgNode;
class SgPath;

class NODARA_API SgParamsTool : public SgTransformTool {
    SG_CLASS_HEADER(SgParamsTool, SgFieldMngr)

    struct Row {
        const char *className;
        int handles;
        Vec3 (*position)(SgNode *shape, int handle);
        Vec3 (*origin)(SgNode *shape, int handle);
        void (*set)(SgNode *shape, int handle, double distance);
        // The fields the row writes, reported to the document's owner.
        const char *fields[4];
    };

    SgParamsTool();

    // The path's shape has a row in the table.
    bool AcceptsPath(SgPath &path);
    // The object's shape (or parametric object) the handles edit; null when none.
    static SgNode *FindParamShape(const SgPath &path);
    // The row for the node's class, or null.
    static const Row *FindRow(SgNode *shape);
    // Writes the handle's new distance through the row and rebuilds the
    // handles, as a drag step does.
    bool SetHandleDistance(int handle, double distance);
    int GetShapeKind() const { return m_iShapeKind; }
    int GetHandleCount() const { return m_iHandleCount; }
    // Where handle i stands, in the shape's coordinates.
    Vec3 GetHandlePosition(int handle);
    int GetMode() const { return 0; }

protected:
    ~SgParamsTool() override = default;
    void CreateHandles() override;
    void DragStep(SgHandleEventAction *action, int x, int y) override;
    // The row's fields with their values (a parametric object's first four
    // parameters), whether or not the step wrote them.
    void NotifyChange(SgDocument *document, int mode) override;

private:
    void RebuildHandles();

    int m_iShapeKind = -1;
    int m_iHandleCount = 0;
    SgSeparator *m_pHandleSet = nullptr;
    bool m_bToldBound = false;
};
