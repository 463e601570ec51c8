#pragma once
// The texture dialog without the toolkit: the image browser's folder scan
// and the texture edit values. The scan runs on one worker thread at a
// time: it reads each image of the chosen type in the folder into a
// thumbnail and appends it under a lock; whoever shows the list is told
// through the notify function (the wx view turns each call into a window
// event, so the worker never touches a widget). A new scan, OK, Cancel and
// closing stop the worker and join it; the worker checks the stop request
// between files, so it ends within one image read.
//
//   CTextureDlg dialog(document);
//   dialog.SetNotify([&](CTextureDlg::Notice n, int value) { post to the window; });
//   CTextureDlg::SetItemsDirectory("/textures");
//   dialog.RefreshListCtrl();          // range = files found, worker started
//   ... OnFinishThread() on the window's thread; GetTotalText() == "Total Image: 3"
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dialogs/CCadDlg.h"
#include "engine/core/SgRef.h"
#include "engine/nodes/properties/TextureBundle.h"
#include "dialogs/PallicoExport.h"

class SgObject;
class SgPathList;
class SgMaterial;
class SgSeparator;
class SgViewer;

class PALLICO_API CListItemData {
public:
    virtual ~CListItemData() = default;
    std::string path;
    int width = 0;
    int height = 0;
};

class PALLICO_API CTextureDlg : public CCadDlg {
public:
    static constexpr unsigned kDialogId = 2000;
    enum ImageSize { kSmall = 0, kMedium = 1, kLarge = 2 };
    enum class Notice { Progress, Finished };

    struct Thumbnail {
        CListItemData item;
        std::string name;       // file name and extension
        std::string sizeText;   // "%d x %d"
        int side = 0;           // thumbnail side in pixels
        std::vector<std::uint8_t> pixels; // side x side blue, green, red, 0; bottom row first
    };

    explicit CTextureDlg(SgDocument *document, void *parent = nullptr);
    ~CTextureDlg() override;

    // Shared by every instance: the folder and the file type browsed.
    static void SetItemsDirectory(const std::string &directory);
    static std::string GetItemsDirectory();
    static void SetItemsType(const std::string &type);
    static std::string GetItemsType();
    static constexpr const char *kTypes[] = {"BMP", "JPG", "PNG"};

    void SetImageSize(int width, int height);
    void SetImageSize(ImageSize code);
    static int DecodeImageSize(ImageSize code);
    int GetThumbnailSide() const { return m_iThumbWidth; }

    // Files of `type` (extension, any letter case) in `directory`.
    static int GetDirCount(const std::string &directory, const std::string &type);

    // Called from the worker thread; it must only hand the notice over.
    void SetNotify(std::function<void(Notice, int)> notify) { m_notify = std::move(notify); }

    // Stops a running scan and starts a new one.
    void RefreshListCtrl();
    // Stops the worker (at its next file) and joins it.
    void TerminateThread();
    // The window's thread, after the Finished notice: the count is final.
    void OnFinishThread();
    // Waits up to `milliseconds` for the worker to end; for tests and closing.
    bool WaitForFill(int milliseconds);

    bool IsFilling() const { return m_bFilling.load(); }
    // True from a stop request until the worker has been joined.
    bool IsStopRequested() const { return m_bStop.load(); }
    int GetProgressRange() const { return m_iRange; }
    int GetProgressPosition() const { return m_iAdded.load(); }
    unsigned GetItemsCount() const { return m_nItems; }
    void SetItemsCount(unsigned count) { m_nItems = count; }
    // "Total Image: <count>" as the count edit shows it.
    std::string GetTotalText() const;
    // A copy of the thumbnails read so far (safe while the worker runs).
    std::vector<Thumbnail> GetThumbnails() const;
    // The index of the image named `name` (file name and extension, any
    // letter case), or -1.
    int FindItem(const std::string &name) const;

    // Edit values and their limits.
    double rotation = 0.0; // degrees, -360..360
    double scale = 1.0;    // -1000..1000
    double moveX = 0.0;
    double moveY = 0.0;
    bool wrapS = true;
    bool wrapT = true;
    int model = 0;
    int function = 0;
    int blend = 0;  // percent
    int boost = 0;  // index: the boost is 1 << boost
    bool instantUpdate = false;
    // Typed values as the edits take them: rotation to -360..360, scale and
    // moves to -1000..1000, blend to 0..100.
    void SetRotation(double degrees);
    void SetScale(double value);
    void SetMove(double x, double y);
    void SetBlend(int percent);
    // The slider positions of scale (x 10) and moves (x 100).
    int ScaleSliderPosition() const;
    static const char *const kModels[6];
    static const char *const kFunctions[7];
    static const char *const kBoosts[3];

    // ---- The textures of the selection ----------------------------------------
    // The objects edited: the lowest object of each path, in order.
    void SetPathList(const SgPathList &paths);
    int GetObjectCount() const { return int(m_objects.size()); }
    // Takes the selection's texture units: 0 at start, the unit count to add
    // a unit, -1 to remove the last one. The first object's units are
    // completed and shared with every further object; one undo key point
    // holds every change until OK (kept) or Cancel (reverted).
    void InitTextureSelection(int unit);
    int GetUnitCount() const { return m_nUnits; }
    int GetCurrentUnit() const { return m_iUnit; }
    // Shows unit `unit` (0 when out of range) in the edit values.
    void UpdateDialog(int unit);
    const TextureBundle::Unit &GetUnit(int unit) const;
    // The edit values into the current unit's nodes.
    void ApplyRotation();
    void ApplyScale();
    void ApplyMove();
    void ApplyWraps();
    void ApplyModel();
    void ApplyFunction();
    void ApplyBoost();
    void ApplyBlend();
    void FlipHorizontal();
    void FlipVertical();
    // The image of thumbnail `index` on the current unit; false for no image.
    bool PreviewItem(int index);
    // The name of the image on the current unit ("" for none).
    std::string GetCurrentImage() const;
    void OnDefault();
    void OnAddLayer();
    void OnDelete();
    // Redraws the viewers and turns Apply off.
    void OnApply();
    bool IsApplyEnabled() const { return m_bApply; }
    int GetKeyPoint() const { return GetOpenedKeyPoint(); }

    // ---- What the window's controls do ------------------------------------------
    // Each takes the user's value (clamped to its control's range), writes
    // it into the current unit and updates the views (UpdateSelection); the
    // window shows the values back from the fields above and never writes
    // them itself.
    void OnRotation(double degrees);
    void OnScaleEdit(double value);
    void OnScaleSlider(int position);
    // The move sliders' positions are the moves x 100, within +-kMoveSliderRange.
    static constexpr int kMoveSliderRange = 1000;
    void OnMoveEdit(int axis, double value);
    void OnMoveSlider(int axis, int position);
    int MoveSliderPosition(int axis) const;
    void OnBlendEdit(double percent);
    void OnUnitEdit(int unit);
    void OnModel(int index);
    void OnFunction(int index);
    void OnBoost(int index);
    void OnWraps(bool repeatS, bool repeatT);
    // "Instant Update": on, every change redraws the document's viewers (and
    // turning it on redraws them at once); off, only the preview follows a
    // change until Apply.
    void OnInstantUpdate(bool on);
    // "Browse...": the folder the folder chooser answers becomes the folder
    // browsed and a new scan starts; false when the user cancelled.
    bool OnBrowse();
    // The file type chosen: a new scan starts.
    void OnTypeChosen(const std::string &type);
    // A thumbnail clicked: its image on the current unit.
    bool OnThumbnail(int index) { return PreviewItem(index); }
    // Counts the changes the preview has to show: the window draws the
    // preview again (RenderPreview) when it moved on.
    int GetChangeCount() const { return m_iChanges; }
    // The preview drawn at side x side: rows of red, green, blue, the top
    // row first; false when it could not be drawn.
    bool RenderPreview(int side, std::vector<unsigned char> &rgb);
    // The pictures of the last scan that could not be loaded (too large, or
    // no picture), by file name.
    std::vector<std::string> GetUnloaded() const;

    // The image's path as the texture stores it: relative to the folder of
    // the document's file when the image lies there or below it, else as
    // given.
    static std::string StoredImagePath(const std::string &image, const std::string &sceneFile);

    // The preview: lights, a grid floor, the current unit's texture nodes
    // (shared with the edited objects), a turned cube and a sphere, seen by a
    // windowless viewer of its own that is in no document's list. Made on
    // the first call; the texture nodes follow the current unit.
    SgSeparator *GetPreviewScene();
    SgViewer *GetPreviewViewer();

    void OnOK() override;
    void OnCancel() override;
    void OnClose() override;

private:
    void UpdateSelection();
    void EndEditing(bool keep);
    static void Fill(CTextureDlg *dialog, std::string directory, std::string type, int side);

    std::function<void(Notice, int)> m_notify;
    std::thread m_worker;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bFilling{false};
    std::atomic<int> m_iAdded{0};
    mutable std::mutex m_lock;
    std::vector<Thumbnail> m_thumbnails;
    std::vector<std::string> m_unloaded;
    int m_iChanges = 0;
    int m_iRange = 0;
    unsigned m_nItems = 0;
    int m_iThumbWidth = 64;
    std::vector<SgRef<SgObject>> m_objects;
    TextureBundle m_bundle;
    int m_nUnits = 0;
    int m_iUnit = 0;
    bool m_bApply = false;
    SgRef<SgSeparator> m_preview;
    SgRef<SgSeparator> m_previewUnit;
    std::unique_ptr<SgViewer> m_previewViewer;
    int m_iThumbHeight = 64;
};
