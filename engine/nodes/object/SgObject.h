#pragma once
// What the user sees and handles as one object: a separator whose own child
// list holds its transform, then its property nodes (material, textures,
// light...), then an inner separator with the content: shapes, or other
// objects when the object is a group. Once the inner group exists, the
// child operations reach the content, so code that adds to an object adds to
// what it holds and never between its properties.
#include <array>
#include <memory>

#include "engine/core/SgPathList.h"
#include "engine/nodes/object/CConstraintRule.h"
#include "engine/core/CPolygon.h"
#include "engine/core/Plane.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgTField.h"
#include "utilities/math/Range.h"
#include "utilities/math/Rotation.h"
#include "utilities/math/Transform3.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "engine/core/NodaraExport.h"

class Image2;
class SgDocument;
class SgFaceSet;
class SgLight;
class SgPolyLine;
class SgTexture2D;
class SgTexture2Transform;
class SgTextureEnable;
class SgTransform;

class NODARA_API SgObject : public SgSeparator {
    SG_CLASS_HEADER(SgObject, SgFieldMngr)

    // How a dragged object slides on the face it rests on; the constraint
    // tool gives the kinds their meaning.
    enum SlidingType : int { kDefaultSliding = 2 };

    // The shape library's geometric shapes keep their own internal separator;
    // it installs this so that the object can walk into it (GetGroupHolder).
    using ShapeHolderFn = SgSeparator *(*)(SgNode *geometricShape);
    static void SetShapeHolderFunction(ShapeHolderFn fn) { s_pfnShapeHolder = fn; }

    // Takes the path out of the document's selection; the document layer
    // installs it, since the selection lives above the object model.
    using DeselectFn = void (*)(SgDocument *document, SgPath &path);
    static void SetDeselectFunction(DeselectFn fn) { s_pfnDeselect = fn; }
    // Deselects the first path from this object in its document, which drops
    // the manipulator the selection attached; nothing without a document.
    void DetachManipulator();

    // Fills `image` with the texture image of that name as the document's
    // texture manager loads it; false when it cannot. The rendering library
    // installs it; without one a texture keeps only the file name, which the
    // manager resolves when it draws.
    using TextureImageLoader = bool (*)(SgDocument *document, const char *name, Image2 &image);
    static void SetTextureImageLoader(TextureImageLoader fn) { s_pfnTextureLoader = fn; }
    static TextureImageLoader GetTextureImageLoader() { return s_pfnTextureLoader; }

    // With `withTransform` a transform is the first child; with `withGroup`
    // an inner separator follows. A scene reader builds objects with neither
    // and lets AddChild take them over as they are read.
    explicit SgObject(bool withTransform = true, bool withGroup = true);

    // Reads "hide" first, so that an engine driving it is evaluated.
    void DoAction(SgAction *action) override;
    // With propagation disabled a change stays inside the object: its caches
    // and later children are told, its parents are not.
    void NotifyFathers(SgNode *from) override;

    // Content operations. With an inner group they act on it; without, on
    // the own list, where the first separator added becomes the inner group
    // and a transform the object's transform (exact classes only).
    bool AddChild(SgNode *child) override;
    bool AddChildBefore(SgNode *child, SgNode *sibling) override;
    bool AddChildAfter(SgNode *child, SgNode *sibling) override;
    int DeleteChild(SgNode *child) override;
    int RemoveChild(SgNode *child) override;

    // The content view, also through an SgGroup pointer: the inner group's
    // list once there is one, the own list before. The first position, the
    // position of a child and the search go through GetGroupHolder(true), so
    // for content that starts with a geometric shape they reach the shape's
    // own separator, while the last position (and the count) are the inner
    // group's. A position walks on in the list it came from; a position of
    // any other list (the own list among them) finds nothing.
    // GetChildsCount counts this view through any pointer; GetNumChildren
    // and GetOwnChildCount count the own list.
    int GetChildsCount() const override;
    Position GetChildFirst() const override;
    Position GetChildLast() const override;
    Position GetChildPosition(SgNode *child) const override;
    SgNode *GetChildNext(Position &position) const override;
    SgNode *GetChildPrev(Position &position) const override;
    SgNode *GetChildAt(Position position) const override;
    SgNode *FindFirstChildNode(int classId, Position start, const char *name) const override;

    bool IsObjectsGroup() const override;
    SgNode *FindRealObject() const override { return m_pInnerGroup; }
    virtual bool IsHelper() const { return false; }
    // The content's geometric shape when it is a user-built one (neither a
    // built-in shape nor an extrusion): the shape booleans act on.
    virtual SgNode *GetBoolean() const;
    // Not deep: the inner group. Deep: null without one; the inner group when
    // it is empty or does not start with a geometric shape; else the shape's
    // internal separator.
    virtual SgSeparator *GetGroupHolder(bool deep) const;
    SgSeparator *GetInnerGroup() const { return m_pInnerGroup; }
    // The last child of the inner group, null when there is none.
    SgNode *FindLastShape() const;

    // Property nodes: the own children before the inner group. Classes are
    // matched exactly.
    SgNode *FindPropertyNode(int classId) const;
    // The existing node of the class, or a new one put after the transform
    // (at the front without one); null for a class that makes no node.
    SgNode *CreatePropertyNode(int classId);
    // Puts the node after the transform (at the front without one), first
    // deleting the existing node of its class when `replace`. A transform
    // becomes the object's transform.
    bool AddPropertyNode(SgNode *node, bool replace) override;
    // Puts the node right after `anchor` when that is an own child, else
    // right before the inner group. With `replace` the existing node of its
    // class goes first (the node itself is moved, never lost).
    virtual bool AddPropertyNodeAfter(SgNode *node, SgNode *anchor, bool replace);
    bool AddPropertyNodeAfter(SgNode *node, SgNode *anchor) override
    {
        return AddPropertyNodeAfter(node, anchor, false);
    }
    // 0 for null or a node that is no own child.
    int DeletePropertyNode(SgNode *node) override;

    // Transform. An object without one is placed by the identity: the
    // getters then answer with identity values and the setters refuse with a
    // diagnostic (false).
    // With `create`, a missing transform is made and put first.
    virtual SgTransform *GetTransform(bool create = false);
    // Null takes the first own transform child, when there is one.
    virtual void SetTransform(SgTransform *transform);
    virtual bool SetMove(const Vec3 &translation);
    virtual Vec3 GetMove() const;
    virtual bool SetScale(const Vec3 &scale);
    virtual Vec3 GetScale() const;
    virtual bool SetCenter(const Vec3 &center);
    virtual Vec3 GetCenter() const;
    virtual bool SetRotation(const Rotation &rotation);
    // Axis x, y, z and angle; each call gives its own value.
    virtual std::array<double, 4> GetRatation() const;

    // Textures and lights.
    // A new texture replacing any other, right before the inner group; with a
    // name its image is loaded through the texture manager. With
    // `whiteMaterial` a white material with shininess 1 replaces any other,
    // so that the texture shows its own colours.
    virtual SgTexture2D *AddTexture2D(const char *name, bool whiteMaterial);
    virtual SgTexture2D *AddTexture2D(const Image2 *image, bool whiteMaterial);
    virtual SgTexture2D *GetTexture2D() const;
    // Right before the texture, or replacing any texture transform when there
    // is no texture.
    virtual SgTexture2Transform *AddTextureTransform();
    virtual SgTexture2Transform *GetTextureTransform() const;
    // The object's texture-enable node, made after the texture when missing,
    // switched on or off.
    SgTextureEnable *EnabledTexture(bool on);
    // The object holds at most one light, placed after its camera (before the
    // inner group without one). A given light replaces it; without one, a
    // class id above 0 makes a light of that class in its place and any
    // other id removes it. Returns the light now held, or null; a node or
    // class that is no light is refused and nothing changes.
    SgLight *AddLight(SgLight *light, int lightClassId);
    SgLight *GetLight() const;

    // Grouping, attaching, alignment and measures are defined in
    // engine/actions/SgObjectGrouping.cpp: they measure with the standard
    // actions, a layer above this class.
    // Grouping. The moved objects keep where the user sees them: their
    // transforms are recomputed from the world transforms on both sides,
    // whatever transforms the old and the new parents carry.
    //
    // Moves the path's (first) object from the node before it into this
    // object's content; its transform is not changed. A path that names no
    // object below a group throws SgInvalidArgument; false when this object
    // refuses the node (it would hold itself).
    virtual bool AddToGroup(SgPath &path);
    // The same, leaving the node in its old parent too.
    virtual bool LinkToGroup(SgPath &path);
    // Moves this object under the group the path ends at: before the
    // target's content when that ends with a bone (the object then counts as
    // linked), into the operands when it ends with a Boolean, else appended.
    // With `link` the object's "link" becomes 1. False, with nothing
    // changed, when the target is no group or refuses the object; an empty
    // path throws SgInvalidArgument.
    bool AttachToGroup(SgPath &path, bool link);
    // Moves the object the path ends at from the group before it to
    // `newParent`, and clears its "link". A path shorter than an object and
    // its group throws SgInvalidArgument; false for a null parent, a last
    // node that is no object, or a parent that refuses it.
    static bool DetachFromGroup(SgPath &path, SgGroup *newParent);
    // Puts every object of the content into each parent of this object,
    // right after this object and in their order, with this object's
    // transform applied once; then empties the content (nodes that are no
    // objects are dropped). Returns a path to every placed object. An
    // object without parents keeps its content: there is nowhere to put it.
    virtual SgPathList Ungroup();
    // Makes the given object the only content; false without an inner group,
    // for null, or when the object would hold itself (nothing changes then).
    bool ReplaceChild(SgObject *object);
    using SgGroup::ReplaceChild;

    // Alignment. The box centre is that of the content in the object's own
    // frame (before its transform), which is what "center" is expressed in.
    // Moves the pivot to the content's box centre without moving the object;
    // false when there is nothing to measure, no transform, or a transform
    // that holds a general matrix.
    bool AlignToCenter();
    // Whether "center" lies within kAlignTolerance of that centre; true when
    // there is nothing to measure.
    bool IsAlignedToCenter();
    void StartAutoCenterAlign() { m_bAutoCenter = IsAlignedToCenter(); }
    void FinishAutoCenterAlign()
    {
        if (m_bAutoCenter)
            AlignToCenter();
    }
    static constexpr double kAlignTolerance = 0.001;

    // What a pick on an object gives a drag (its constraint polygon, the face
    // picked) is read by engine/actions/SgObjectPick.h, beside the pick record.
    // The first content child when it is a polyline, else null.
    SgPolyLine *GetObjectPolyline() const;
    // The four corners of one face of the box, in the order drag tools walk
    // them; null for an extent that names no face.
    static std::unique_ptr<CPolygon> ConvertToPolygon(const Range<Vec3f> &box, Range<Vec3f>::BOX3_SIZE extent);
    // A polygon for one face of a face set; null for a face the set does not
    // have.
    static std::unique_ptr<CPolygon> ConvertToPolygon(SgFaceSet *faceSet, int face);

    // The box measured from this object (`own` or no node) or from `node`
    // down, in the coordinates of the node measured from (so this object's
    // transform is included). All zero when there is nothing to measure.
    Range<Vec3f> GetBoundingBox(bool own, SgNode *node = nullptr);

    // Flags.
    bool IsLink() const { return m_bLink; }
    void SetLink(bool on) { m_bLink = on; }
    bool isSelected() const override { return m_bSelected; }
    void setSelected(bool on) { m_bSelected = on; }
    bool GetNotifyPropagation() const { return m_bNotifyPropagation; }
    // With `notifyNow`, the parents are told once of what changed meanwhile.
    void EnableNotifyPropagation(bool notifyNow);
    void DisableNotifyPropagation() { m_bNotifyPropagation = false; }
    bool GetAutoCenter() const { return m_bAutoCenter; }
    void SetAutoCenter(bool on) { m_bAutoCenter = on; }
    // "selectMode" 1 is selectable; any value above 0 snappable.
    bool Selectable() const { return m_selectMode.Get(true) == 1; }
    bool Snapable() const { return m_selectMode.Get(true) > 0; }

    // Drag constraints.
    CConstraintRule &GetConstraintRule() { return m_constraintRule; }
    const Plane &GetConstraintPlane() const { return m_constraintPlane; }
    void SetConstraintPlane(const Plane &plane) { m_constraintPlane = plane; }
    CPolygon *GetConstraintPolygon() const { return m_pConstraintPolygon.get(); }
    // The object owns every polygon it is given and destroys the one it
    // held before (unless it is given the same one again).
    void SetConstraintPolygon(CPolygon *polygon);
    void SetConstraint(CPolygon *polygon, SlidingType sliding, int constraint);
    SlidingType GetSlidingType() const { return m_eSliding; }
    int GetConstraint() const { return m_iConstraint; }

    SgFInt m_hide;
    SgFInt m_layer;
    SgFInt m_link;
    SgFInt m_selectMode;

protected:
    ~SgObject() override;

private:
    // Own-list operations that bypass the content forwarding above.
    bool InsertAfterTransform(SgNode *node);
    int DeleteOwnChild(SgNode *node);
    // Forgets the transform or inner group once it has left the own list.
    void Forget(SgNode *node);
    void ForgetPointersTo(const SgNode *node);
    SgNode *FindOwnDerived(int classId) const;
    SgTexture2D *InstallTexture(SgTexture2D *texture, bool whiteMaterial);
    // The list that the first/next walk and the search run through.
    const SgGroup *WalkedGroup() const;
    // The list of the content view that the position belongs to; null for
    // none or a position of another list.
    const SgGroup *ViewedList(const Position &position) const;
    // The transform field of that name, or null.
    SgField *TransformField(const char *name) const;
    bool SetTransformField(const char *name, const void *value, const char *operation);
    // The transform's matrix, the identity without one.
    Transform3 LocalMatrix();
    // Sets "rotation", "scaleFactor" and "translation", in that order, so
    // that the transform's matrix is `matrix` while "center" and
    // "scaleOrientation" keep their values (exactly so without shear). An
    // object without a transform gets one unless the matrix is the identity.
    void PlaceBy(const Transform3 &matrix);
    // The box of the content in the object's own frame; false when there is
    // nothing to measure.
    bool ContentBox(Range<Vec3f> &box);

    static ShapeHolderFn s_pfnShapeHolder;
    static DeselectFn s_pfnDeselect;
    static TextureImageLoader s_pfnTextureLoader;

    // Both are children of the own list, which holds their references.
    SgSeparator *m_pInnerGroup = nullptr;
    SgTransform *m_pTransform = nullptr;
    CConstraintRule m_constraintRule;
    bool m_bNotifyPropagation = true;
    bool m_bSelected = false;
    bool m_bLink = false;
    std::unique_ptr<CPolygon> m_pConstraintPolygon;
    SlidingType m_eSliding = kDefaultSliding;
    int m_iConstraint = -1;
    Plane m_constraintPlane{Vec3(CPolygon::kDefaultNormalComponent, CPolygon::kDefaultNormalComponent,
                                 CPolygon::kDefaultNormalComponent),
                            0.0};
    bool m_bAutoCenter = true;
};

// The node as a user-level object, or null when it is none.
inline SgObject *AsSgObject(SgNode *node)
{
    if (!node || !node->IsObject() || !node->IsDerivedFrom(SgObject::ClassID()))
        return nullptr;
    return static_cast<SgObject *>(node);
}
