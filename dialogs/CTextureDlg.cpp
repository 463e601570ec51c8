#include "dialogs/CTextureDlg.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <strings.h>

#include "engine/core/Image2.h"
#include "engine/core/SgPathList.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSeparator.h"
#include "engine/nodes/geometry/SgCube.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/helpers/SgGrid.h"
#include "engine/nodes/properties/SgLight.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgShapeHints.h"
#include "engine/viewer/SgViewer.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/nodes/properties/SgTexture2Transform.h"
#include "engine/nodes/properties/SgTextureCombine.h"
#include "engine/nodes/properties/SgTextureFunction.h"
#include "engine/nodes/properties/SgTextureUnit.h"
#include "engine/nodes/properties/SgTransform.h"
#include "platform/Notifier.h"
#include "platform/SgChoosers.h"
#include "utilities/image/ImageRead.h"

namespace fs = std::filesystem;

namespace {

std::mutex g_sharedLock;
std::string g_directory;
std::string g_type = "BMP";

// The files of the type in the folder, by name.
std::vector<fs::path> ListFiles(const std::string &directory, const std::string &type)
{
    std::vector<fs::path> files;
    std::error_code error;
    const fs::path folder = directory.empty() ? fs::path("/") : fs::path(directory);
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error))
            continue;
        const std::string extension = it->path().extension().string();
        if (extension.size() > 1 && strcasecmp(extension.c_str() + 1, type.c_str()) == 0)
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

const char *const CTextureDlg::kModels[6] = {"Modulate", "Decal", "Blend", "Subtruct", "Add Singed", "Interpolate"};
const char *const CTextureDlg::kFunctions[7] = {"Default", "Plane", "Reflection", "Sphere", "Cylinder", "Cube", "User"};
const char *const CTextureDlg::kBoosts[3] = {"1", "2", "4"};

CTextureDlg::CTextureDlg(SgDocument *document, void *parent) : CCadDlg(document, kDialogId, parent) {}

CTextureDlg::~CTextureDlg()
{
    TerminateThread();
    m_previewViewer.reset();
    // A dialog that goes without OK or Cancel keeps what was done.
    EndEditing(true);
}

void CTextureDlg::SetItemsDirectory(const std::string &directory)
{
    std::lock_guard<std::mutex> hold(g_sharedLock);
    g_directory = directory;
}

std::string CTextureDlg::GetItemsDirectory()
{
    std::lock_guard<std::mutex> hold(g_sharedLock);
    return g_directory;
}

void CTextureDlg::SetItemsType(const std::string &type)
{
    std::lock_guard<std::mutex> hold(g_sharedLock);
    g_type = type;
}

std::string CTextureDlg::GetItemsType()
{
    std::lock_guard<std::mutex> hold(g_sharedLock);
    return g_type;
}

int CTextureDlg::DecodeImageSize(ImageSize code)
{
    switch (code) {
    case kSmall: return 32;
    case kLarge: return 128;
    default: return 64;
    }
}

void CTextureDlg::SetImageSize(int width, int height)
{
    m_iThumbWidth = std::clamp(width, 1, 512);
    m_iThumbHeight = std::clamp(height, 1, 512);
}

void CTextureDlg::SetImageSize(ImageSize code)
{
    SetImageSize(DecodeImageSize(code), DecodeImageSize(code));
}

int CTextureDlg::GetDirCount(const std::string &directory, const std::string &type)
{
    return int(ListFiles(directory, type).size());
}

void CTextureDlg::TerminateThread()
{
    if (m_worker.joinable()) {
        m_bStop = true;
        m_worker.join();
    }
    m_bStop = false;
    m_bFilling = false;
}

void CTextureDlg::RefreshListCtrl()
{
    TerminateThread();
    const std::string directory = GetItemsDirectory();
    const std::string type = GetItemsType();
    m_iRange = GetDirCount(directory, type);
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_thumbnails.clear();
        m_unloaded.clear();
    }
    m_iAdded = 0;
    m_nItems = 0;
    m_bFilling = true;
    m_worker = std::thread(&CTextureDlg::Fill, this, directory, type, std::min(m_iThumbWidth, m_iThumbHeight));
}

void CTextureDlg::Fill(CTextureDlg *dialog, std::string directory, std::string type, int side)
{
    if (!dialog)
        return;
    for (const fs::path &path : ListFiles(directory, type)) {
        if (dialog->m_bStop)
            break;
        long fileWidth = 0, fileHeight = 0;
        unsigned char *pixels = ReadImageWithScale(side, side, path.c_str(), &fileWidth, &fileHeight, 1);
        // A picture that cannot be loaded is left out of the list and named
        // when the scan ends.
        if (!pixels) {
            std::lock_guard<std::mutex> hold(dialog->m_lock);
            dialog->m_unloaded.push_back(path.filename().string());
            continue;
        }
        Thumbnail thumbnail;
        thumbnail.item.path = path.string();
        thumbnail.item.width = int(fileWidth);
        thumbnail.item.height = int(fileHeight);
        thumbnail.name = path.filename().string();
        char size[48];
        std::snprintf(size, sizeof size, "%d x %d", int(fileWidth), int(fileHeight));
        thumbnail.sizeText = size;
        thumbnail.side = side;
        thumbnail.pixels.assign(pixels, pixels + std::size_t(side) * side * 4);
        ImageFree(pixels);
        int added = 0;
        {
            std::lock_guard<std::mutex> hold(dialog->m_lock);
            dialog->m_thumbnails.push_back(std::move(thumbnail));
            added = int(dialog->m_thumbnails.size());
        }
        dialog->m_iAdded = added;
        if (dialog->m_notify)
            dialog->m_notify(Notice::Progress, added);
    }
    const int count = dialog->m_iAdded.load();
    dialog->m_bFilling = false;
    if (dialog->m_notify)
        dialog->m_notify(Notice::Finished, count);
}

bool CTextureDlg::WaitForFill(int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (m_bFilling && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (m_bFilling)
        return false;
    if (m_worker.joinable())
        m_worker.join();
    OnFinishThread();
    return true;
}

void CTextureDlg::OnFinishThread()
{
    std::string names;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_nItems = unsigned(m_thumbnails.size());
        for (const std::string &name : m_unloaded)
            names += (names.empty() ? "" : ", ") + name;
    }
    if (!names.empty())
        GetNotifier().Message("These pictures could not be loaded (larger than " +
                                  std::to_string(IMAGE_MAX_PIXELS / (1024 * 1024)) +
                                  " million pixels, or not readable): " + names,
                              "Texture", Notifier::Buttons::Ok, Notifier::Icon::Warning);
}

std::vector<std::string> CTextureDlg::GetUnloaded() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_unloaded;
}

std::string CTextureDlg::GetTotalText() const
{
    return "Total Image: " + std::to_string(m_nItems);
}

std::vector<CTextureDlg::Thumbnail> CTextureDlg::GetThumbnails() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_thumbnails;
}

int CTextureDlg::FindItem(const std::string &name) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    for (std::size_t i = 0; i < m_thumbnails.size(); ++i)
        if (strcasecmp(m_thumbnails[i].name.c_str(), name.c_str()) == 0)
            return int(i);
    return -1;
}

void CTextureDlg::SetRotation(double degrees)
{
    rotation = std::clamp(std::isfinite(degrees) ? degrees : 0.0, -360.0, 360.0);
}

void CTextureDlg::SetScale(double value)
{
    scale = std::clamp(std::isfinite(value) ? value : 1.0, -1000.0, 1000.0);
}

void CTextureDlg::SetMove(double x, double y)
{
    moveX = std::clamp(std::isfinite(x) ? x : 0.0, -1000.0, 1000.0);
    moveY = std::clamp(std::isfinite(y) ? y : 0.0, -1000.0, 1000.0);
}

void CTextureDlg::SetBlend(int percent)
{
    blend = std::clamp(percent, 0, 100);
}

int CTextureDlg::ScaleSliderPosition() const
{
    return int(std::lround(scale * 10.0));
}

// ---- The textures of the selection ----------------------------------------------------------

namespace {

constexpr double kDegree = 0.017453292519943295;

SgMaterial *FindMaterial(SgObject *object)
{
    for (int i = 0; i < object->GetNumChildren(); ++i)
        if (auto *material = dynamic_cast<SgMaterial *>(object->GetChild(i)))
            return material;
    return nullptr;
}

// Puts `node` right after `anchor` among the object's children (at the
// start without an anchor).
void PlaceAfter(SgObject *object, SgNode *node, SgNode *&anchor)
{
    if (!node)
        return;
    // Property nodes live in the object's own list, not in its inner group.
    SgRef<SgNode> hold(node);
    if (object->IndexOf(node) >= 0)
        object->DeletePropertyNode(node);
    object->AddPropertyNodeAfter(node, anchor, false);
    anchor = node;
}

} // namespace

void CTextureDlg::SetPathList(const SgPathList &paths)
{
    m_objects.clear();
    POSITION position = paths.GetFirst();
    while (position) {
        SgPath path = paths.GetNext(position);
        if (auto *object = dynamic_cast<SgObject *>(path.GetObject(true)))
            m_objects.emplace_back(object);
    }
}

const TextureBundle::Unit &CTextureDlg::GetUnit(int unit) const
{
    static const TextureBundle::Unit none;
    return unit >= 0 && unit < TextureBundle::kUnits ? m_bundle.units[unit] : none;
}

void CTextureDlg::InitTextureSelection(int unit)
{
    SgDocument *document = GetDocument();
    if (m_objects.empty() || !document)
        return;
    // Undo off: no key point (ending one would close someone else's).
    if (!IsKeyPointOpen())
        StartKeyPoint();
    bool first = true;
    // The nodes of the units dropped: they leave every object, not only the
    // first, since all of them share the first object's nodes.
    std::vector<SgRef<SgNode>> dropped;
    for (const SgRef<SgObject> &held : m_objects) {
        SgObject *object = held.get();
        // 1. A material to carry the texture.
        SgMaterial *material = FindMaterial(object);
        if (!material) {
            material = new SgMaterial;
            const Color white(1.0f, 1.0f, 1.0f);
            material->m_diffuseColor.SetValue(0, white);
            material->m_ambientColor.SetValue(0, white);
            material->m_specularColor.SetValue(0, white);
            material->m_shininess.SetValue(0, 1.0f);
            object->AddPropertyNodeAfter(material, object->GetTransform(false), false);
        }
        // 2, 3. The units the first object has, one more or one less.
        if (first) {
            m_bundle.Clear();
            const int found = scanTextureUnits(object, &m_bundle);
            int count = found;
            if (unit == m_nUnits && unit > 0)
                ++count;
            if (unit == -1)
                --count;
            count = std::clamp(count, 0, int(TextureBundle::kUnits));
            for (int i = count; i < TextureBundle::kUnits; ++i) {
                TextureBundle::Unit &u = m_bundle.units[i];
                for (SgNode *node : {static_cast<SgNode *>(u.unit), static_cast<SgNode *>(u.transform),
                                     static_cast<SgNode *>(u.texture), static_cast<SgNode *>(u.function)})
                    if (node)
                        dropped.emplace_back(node);
                u = TextureBundle::Unit();
            }
            m_nUnits = count;
            // Missing nodes are made once, from the first object's tables.
            for (int i = 0; i < m_nUnits; ++i) {
                TextureBundle::Unit &u = m_bundle.units[i];
                if (i >= 1 && !u.unit) {
                    u.unit = new SgTextureUnit;
                    u.unit->m_unit.Set(i);
                }
                if (!u.transform)
                    u.transform = new SgTexture2Transform;
                if (!u.texture) {
                    u.texture = new SgTexture2D;
                    u.texture->m_combine.Set(new SgTextureCombine);
                }
                if (!u.function) {
                    u.function = new SgTextureFunction;
                    u.function->m_mapTransform.Set(new SgTransform);
                }
            }
        }
        for (const SgRef<SgNode> &node : dropped)
            if (object->IndexOf(node.get()) >= 0)
                object->DeletePropertyNode(node.get());
        // 4. The nodes in order after the material, shared by every object.
        SgNode *anchor = material;
        for (int i = 0; i < m_nUnits; ++i) {
            TextureBundle::Unit &u = m_bundle.units[i];
            if (i >= 1)
                PlaceAfter(object, u.unit, anchor);
            PlaceAfter(object, u.transform, anchor);
            PlaceAfter(object, u.texture, anchor);
            PlaceAfter(object, u.function, anchor);
        }
        first = false;
    }
    UpdateDialog(unit < 0 ? 0 : unit);
}

void CTextureDlg::UpdateDialog(int unit)
{
    m_iUnit = unit >= 0 && unit < m_nUnits ? unit : 0;
    const TextureBundle::Unit &u = GetUnit(m_iUnit);
    if (u.transform) {
        rotation = u.transform->m_rotation.Get(true) / kDegree;
        scale = std::fabs(u.transform->m_scaleFactor.Get(true).x);
        moveX = u.transform->m_translation.Get(true).x;
        moveY = u.transform->m_translation.Get(true).y;
    }
    if (u.texture) {
        wrapS = u.texture->m_wrapS.Get(true) == 0;
        wrapT = u.texture->m_wrapT.Get(true) == 0;
        model = u.texture->m_model.Get(true);
        blend = int(std::lround(u.texture->m_blendColor.Get(true).r * 100.0));
        // The combo index is the base-2 logarithm of the boost; a boost
        // below 1 has none.
        const int factor = u.texture->m_boostFactor.Get(true);
        boost = factor >= 1 ? int(std::log2(double(factor))) : -1;
    }
    if (u.function)
        function = u.function->m_on.Get(true) ? u.function->m_type.Get(true) : 0;
}

SgSeparator *CTextureDlg::GetPreviewScene()
{
    // The preview is no part of the document: none of this is undone.
    SgUndoRecordingPause pause(GetDocument());
    if (!m_preview) {
        auto *root = new SgSeparator;
        m_preview = root;
        auto *sun = new SgDirLight;
        sun->m_direction.Set(Vec3(-2, 2, 5));
        root->AddChild(sun);
        auto *lamp = new SgPointLight;
        lamp->m_location.Set(Vec3(0, 0, 40));
        root->AddChild(lamp);
        auto *hints = new SgShapeHints;
        hints->m_shapeType.Set(1);
        root->AddChild(hints);
        auto *floor = new SgSeparator;
        auto *floorPlace = new SgTransform;
        floorPlace->m_rotation.Set(Rotation(Vec3(1, 0, 0), 1.5707963267948966));
        floorPlace->m_translation.Set(Vec3(0, -1, 0));
        floor->AddChild(floorPlace);
        auto *grid = new SgGrid;
        grid->m_dimension.Set(16.0);
        grid->m_space.Set(2.0);
        grid->m_subdivision.Set(5);
        floor->AddChild(grid);
        root->AddChild(floor);
        // The unit's texture nodes sit in a group of their own, so that a
        // change of unit swaps them in one place.
        m_previewUnit = new SgSeparator;
        root->AddChild(m_previewUnit.get());
        auto *cube = new SgSeparator;
        auto *cubePlace = new SgTransform;
        cubePlace->m_rotation.Set(Rotation(Vec3(1, 1, 0), 0.6108652381980153));
        cubePlace->m_translation.Set(Vec3(0, 0.3, 0));
        cube->AddChild(cubePlace);
        auto *box = new SgCube;
        box->m_width.Set(2.5);
        box->m_height.Set(2.5);
        box->m_depth.Set(2.5);
        cube->AddChild(box);
        m_previewUnit->AddChild(cube);
        auto *ball = new SgSeparator;
        auto *ballPlace = new SgTransform;
        ballPlace->m_translation.Set(Vec3(-2.8, 0.3, 0));
        ball->AddChild(ballPlace);
        auto *sphere = new SgSphere;
        sphere->m_radius.Set(1.5);
        sphere->m_complexity.Set(3);
        ball->AddChild(sphere);
        m_previewUnit->AddChild(ball);
    }
    // The current unit's nodes first in the textured group.
    SgSeparator *group = m_previewUnit.get();
    while (group->GetNumChildren() > 2)
        group->DeleteChild(group->GetChild(0));
    const TextureBundle::Unit &u = GetUnit(m_iUnit);
    int at = 0;
    for (SgNode *node : {static_cast<SgNode *>(u.transform), static_cast<SgNode *>(u.texture),
                         static_cast<SgNode *>(u.function)})
        if (node)
            group->AddChildBefore(node, group->GetChild(at++));
    return m_preview.get();
}

SgViewer *CTextureDlg::GetPreviewViewer()
{
    SgSeparator *scene = GetPreviewScene();
    if (!m_previewViewer) {
        m_previewViewer = std::make_unique<SgViewer>(SgViewer::kWindowless);
        m_previewViewer->SetScene(scene);
        m_previewViewer->BuildDefaultView();
        m_previewViewer->SetRefineEnabled(false);
    }
    return m_previewViewer.get();
}

void CTextureDlg::UpdateSelection()
{
    m_bApply = true;
    ++m_iChanges;
    if (instantUpdate)
        RedrawViewers();
}

void CTextureDlg::OnRotation(double degrees)
{
    SetRotation(degrees);
    ApplyRotation();
}

void CTextureDlg::OnScaleEdit(double value)
{
    SetScale(value);
    ApplyScale();
}

void CTextureDlg::OnScaleSlider(int position)
{
    SetScale(position / 10.0);
    ApplyScale();
}

void CTextureDlg::OnMoveEdit(int axis, double value)
{
    SetMove(axis == 0 ? value : moveX, axis == 0 ? moveY : value);
    ApplyMove();
}

void CTextureDlg::OnMoveSlider(int axis, int position)
{
    OnMoveEdit(axis, std::clamp(position, -kMoveSliderRange, kMoveSliderRange) / 100.0);
}

int CTextureDlg::MoveSliderPosition(int axis) const
{
    const double move = axis == 0 ? moveX : moveY;
    return int(std::clamp(std::lround(move * 100.0), long(-kMoveSliderRange), long(kMoveSliderRange)));
}

void CTextureDlg::OnBlendEdit(double percent)
{
    SetBlend(int(std::lround(std::clamp(std::isfinite(percent) ? percent : 0.0, 0.0, 100.0))));
    ApplyBlend();
}

void CTextureDlg::OnUnitEdit(int unit)
{
    UpdateDialog(unit);
    ++m_iChanges;
}

void CTextureDlg::OnModel(int index)
{
    model = std::clamp(index, 0, int(std::size(kModels)) - 1);
    ApplyModel();
}

void CTextureDlg::OnFunction(int index)
{
    function = std::clamp(index, 0, int(std::size(kFunctions)) - 1);
    ApplyFunction();
}

void CTextureDlg::OnBoost(int index)
{
    boost = std::clamp(index, 0, int(std::size(kBoosts)) - 1);
    ApplyBoost();
}

void CTextureDlg::OnWraps(bool repeatS, bool repeatT)
{
    wrapS = repeatS;
    wrapT = repeatT;
    ApplyWraps();
}

void CTextureDlg::OnInstantUpdate(bool on)
{
    instantUpdate = on;
    if (on)
        RedrawViewers();
}

bool CTextureDlg::OnBrowse()
{
    const std::optional<std::string> folder = ChooseFolder("Folder of the pictures", GetItemsDirectory());
    if (!folder)
        return false;
    SetItemsDirectory(*folder);
    RefreshListCtrl();
    return true;
}

void CTextureDlg::OnTypeChosen(const std::string &type)
{
    SetItemsType(type);
    RefreshListCtrl();
}

bool CTextureDlg::RenderPreview(int side, std::vector<unsigned char> &rgb)
{
    SgViewer *viewer = side > 0 ? GetPreviewViewer() : nullptr;
    if (!viewer)
        return false;
    GetPreviewScene();
    viewer->SetSize(side, side);
    return RenderViewerRgb(viewer, side, side, rgb);
}

std::string CTextureDlg::StoredImagePath(const std::string &image, const std::string &sceneFile)
{
    if (image.empty() || sceneFile.empty())
        return image;
    std::error_code error;
    const fs::path folder = fs::weakly_canonical(fs::absolute(fs::path(sceneFile), error).parent_path(), error);
    const fs::path picture = fs::weakly_canonical(fs::absolute(fs::path(image), error), error);
    if (error || folder.empty())
        return image;
    const fs::path relative = picture.lexically_relative(folder);
    // Beside or below the scene's folder only: a path that climbs out of it
    // would break when the scene moves with its pictures.
    if (relative.empty() || relative.is_absolute() || *relative.begin() == "..")
        return image;
    return relative.generic_string();
}

void CTextureDlg::ApplyRotation()
{
    if (SgTexture2Transform *t = GetUnit(m_iUnit).transform)
        t->m_rotation.Set(rotation * kDegree);
    UpdateSelection();
}

void CTextureDlg::ApplyScale()
{
    SetScale(scale);
    if (SgTexture2Transform *t = GetUnit(m_iUnit).transform)
        t->m_scaleFactor.Set(Vec2(scale, scale));
    UpdateSelection();
}

void CTextureDlg::ApplyMove()
{
    SetMove(moveX, moveY);
    if (SgTexture2Transform *t = GetUnit(m_iUnit).transform)
        t->m_translation.Set(Vec2(moveX, moveY));
    UpdateSelection();
}

void CTextureDlg::FlipHorizontal()
{
    if (SgTexture2Transform *t = GetUnit(m_iUnit).transform) {
        Vec2 factor = t->m_scaleFactor.Get(true);
        factor.x = -factor.x;
        t->m_scaleFactor.Set(factor);
    }
    UpdateSelection();
}

void CTextureDlg::FlipVertical()
{
    if (SgTexture2Transform *t = GetUnit(m_iUnit).transform) {
        Vec2 factor = t->m_scaleFactor.Get(true);
        factor.y = -factor.y;
        t->m_scaleFactor.Set(factor);
    }
    UpdateSelection();
}

void CTextureDlg::ApplyWraps()
{
    if (SgTexture2D *t = GetUnit(m_iUnit).texture) {
        t->m_wrapS.Set(wrapS ? 0 : 1);
        t->m_wrapT.Set(wrapT ? 0 : 1);
    }
    UpdateSelection();
}

void CTextureDlg::ApplyModel()
{
    if (SgTexture2D *t = GetUnit(m_iUnit).texture)
        t->m_model.Set(model);
    UpdateSelection();
}

void CTextureDlg::ApplyFunction()
{
    if (SgTextureFunction *f = GetUnit(m_iUnit).function) {
        f->m_on.Set(function >= 0 ? 1 : 0);
        f->m_type.Set(function);
    }
    UpdateSelection();
}

void CTextureDlg::ApplyBoost()
{
    boost = std::clamp(boost, 0, 2);
    if (SgTexture2D *t = GetUnit(m_iUnit).texture)
        t->m_boostFactor.Set(1 << boost);
    UpdateSelection();
}

void CTextureDlg::ApplyBlend()
{
    SetBlend(blend);
    const float v = float(blend) / 100.0f;
    if (SgTexture2D *t = GetUnit(m_iUnit).texture)
        t->m_blendColor.Set(Color(v, v, v));
    UpdateSelection();
}

bool CTextureDlg::PreviewItem(int index)
{
    std::string path;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (index < 0 || index >= int(m_thumbnails.size()))
            return false;
        path = m_thumbnails[std::size_t(index)].item.path;
    }
    SgTexture2D *texture = GetUnit(m_iUnit).texture;
    if (path.empty() || !texture)
        return false;
    Image2 image;
    SgDocument *document = GetDocument();
    image.SetImagePath(StoredImagePath(path, document ? document->GetFileName() : std::string()));
    texture->m_filename = image;
    UpdateSelection();
    return true;
}

std::string CTextureDlg::GetCurrentImage() const
{
    SgTexture2D *texture = GetUnit(m_iUnit).texture;
    return texture ? texture->m_filename.Get(true).GetPath() : std::string();
}

void CTextureDlg::OnDefault()
{
    wrapS = wrapT = true;
    model = 0;
    if (SgTexture2D *t = GetUnit(m_iUnit).texture) {
        t->m_wrapS.Set(0);
        t->m_wrapT.Set(0);
        t->m_model.Set(0);
    }
    if (SgTexture2Transform *t = GetUnit(m_iUnit).transform) {
        t->m_translation.Set(Vec2(0, 0));
        t->m_rotation.Set(0.0);
        t->m_center.Set(Vec2(0, 0));
        t->m_scaleFactor.Set(Vec2(1, 1));
    }
    UpdateDialog(0);
    UpdateSelection();
}

void CTextureDlg::OnAddLayer()
{
    m_iUnit = m_nUnits;
    InitTextureSelection(m_nUnits);
}

void CTextureDlg::OnDelete()
{
    InitTextureSelection(-1);
    OnApply();
}

void CTextureDlg::OnApply()
{
    RedrawViewers();
    m_bApply = false;
}

void CTextureDlg::EndEditing(bool keep)
{
    SgDocument *document = GetDocument();
    if (!document)
        return;
    // Undo turned off meanwhile: what was done stays.
    const bool revert = !keep && document->IsUndoRecording();
    if (!(revert ? RevertKeyPoint() : EndKeyPoint()))
        return;
    RedrawViewers();
}

void CTextureDlg::OnOK()
{
    TerminateThread();
    EndEditing(true);
    CCadDlg::OnOK();
}

void CTextureDlg::OnCancel()
{
    TerminateThread();
    EndEditing(false);
    CCadDlg::OnCancel();
}

void CTextureDlg::OnClose()
{
    TerminateThread();
    CCadDlg::OnClose();
}
