// The facade's lifecycle: its document and viewers.
#include "facade/CDrevon.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/core/SgPath.h"
#include "engine/core/SgPathList.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/handlers/SgEventHandler.h"
#include "engine/handlers/SgUserHandler.h"
#include "engine/nodes/geometry/SgBoolean.h"
#include "engine/nodes/geometry/SgExternalFile.h"
#include "engine/nodes/properties/SgFont.h"
#include "engine/render/SgTextureManager.h"
#include "engine/render/SgViewport.h"
#include "engine/viewer/SgEvent.h"
#include "engine/viewer/SgHandleEventAction.h"
#include "engine/viewer/SgViewer.h"
#include "platform/window/SgWindowMessages.h"
#include "facade/CDrevonTape.h"
#include "facade/FieldEditing.h"
#include "facade/StlReader.h"
#include "solids/SgExportStlAction.h"
#include "platform/SgDiagnostics.h"
#include "platform/window/SgPlatformWindow.h"
#include "platform/window/SgWindowFactory.h"
#include "platform/controls/SgVectorFieldModel.h"
#include "facade/FacadePackage.h"

namespace drevon {

namespace {

// The grey of a new viewer, 192/255 in each channel.
constexpr float kDefaultGrey = 192.0f / 255.0f;

// The scene reader for "kvrx" files that a scene names as external geometry.
// The node takes one shape, so the file's shapes become one face set in the
// file's own coordinates: the triangles the STL export writes (every shape
// kind, transforms and modifiers applied) read back through the STL reader,
// by way of a private temporary file.
SgNode *ReadExternalScene(const char *path, SgDocument *document, double)
{
    if (!document || !path)
        return nullptr;
    SgRef<SgSeparator> group(new SgSeparator);
    const int result = document->ReadFile(path, false, group.get());
    if (result != -1 && result != -4)
        return nullptr;
    std::string folder = (std::filesystem::temp_directory_path() / "fennix-part-XXXXXX").string();
    if (!::mkdtemp(folder.data())) {
        SgDiagError("ExternalFile", "%s: no temporary folder for its triangles", path);
        return nullptr;
    }
    const std::string triangles = folder + "/part.stl";
    SgNode *mesh = nullptr;
    std::string error;
    std::error_code ignored;
    SgPathList paths;
    paths.Add(SgPath(*group));
    if (!SgExportStlAction::ExportPaths(triangles, paths, &error))
        SgDiagError("ExternalFile", "%s: its shapes could not be taken: %s", path, error.c_str());
    else if (std::filesystem::file_size(triangles, ignored) <= SgExportStlAction::kHeadSize + 4)
        SgDiagWarning("ExternalFile", "%s holds no shapes", path); // a head and a count of none
    else
        mesh = ReadStlFile(triangles.c_str(), 0.0);
    std::filesystem::remove_all(folder, ignored);
    return mesh;
}

SgNode *ReadExternalStl(const char *path, SgDocument *, double tolerance)
{
    return ReadStlFile(path, tolerance);
}

// Boolean nodes made while the facade stands take its engine: the metaball
// action when its flag is set, the solid one otherwise.
int BooleanEngineOf(SgGeometricShape *shape, void *data)
{
    auto *facade = static_cast<CDrevon *>(data);
    if (!shape || !shape->IsDerivedFrom(SgBoolean::ClassID()))
        return 0;
    return facade && facade->GetCreation().GetMetaball() ? SgBoolean::kMetaballEngine : SgBoolean::kSolidEngineAlt;
}

std::string ModuleFolder()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.parent_path().string();
}

} // namespace

// ---- Construction --------------------------------------------------------------------

CDrevon::CDrevon()
    : m_buttons(std::make_unique<ButtonTable>(*this)), m_shortcuts(std::make_unique<Shortcuts>(*this)),
      m_fieldEditing(std::make_unique<FieldEditing>(*this)), m_playback(std::make_unique<Playback>(*this)),
      m_dialogs(std::make_unique<DialogTable>(*this)), m_files(std::make_unique<SceneFiles>(*this)),
      m_annotations(std::make_unique<Annotations>(*this)), m_viewing(std::make_unique<Viewing>(*this)),
      m_selectionEditing(std::make_unique<SelectionEditing>(*this)), m_creation(std::make_unique<Creation>(*this)),
      m_modelling(std::make_unique<Modelling>(*this)), m_sceneAccess(std::make_unique<SceneAccess>(*this)),
      m_hostEvents(std::make_unique<HostEvents>(*this))
{
    RegisterFacadeClasses();
    SgExternalFile::ClearFormats();
    SgExternalFile::AddFormat("kvrx", &ReadExternalScene);
    SgExternalFile::AddFormat("stl", &ReadExternalStl);
}

CDrevon::~CDrevon()
{
    // The timer's callback names this object: it must not outlive it.
    m_playback->Stop();
    // Dialogs edit the document and report to this object.
    m_dialogs->Reap(true);
    m_creation->ReleaseActiveTool();
    LeaveDocumentHooks();
    if (m_pDocument && !m_bExternalDocument)
        DeleteDocument();
}

void CDrevon::LeaveDocumentHooks()
{
    // A document given from outside outlives this facade: it must not keep
    // calling it.
    if (m_pDocument && m_pDocument->GetShapeActionIdData() == this)
        m_pDocument->SetShapeActionIdFunc(nullptr, nullptr);
}

// ---- Document -------------------------------------------------------------------------

SgDocument *CDrevon::CreateDocument()
{
    std::error_code error;
    m_workingDir = std::filesystem::current_path(error).string();
    m_pluginDir = ModuleFolder();
    SgDocument *document = SgDocument::Create();
    if (!document) {
        SgDiagTellUser(SgDiagLevel::Error, kPackage, "No document could be made", "Error");
        return nullptr;
    }
    document->SetTextureMngrFactory(&SgTextureManager::DocumentFactory);
    SetDocument(document);
    m_bExternalDocument = false;
    // The document's own members are no steps the user can undo.
    document->SetUndoRecording(false);
    auto *handler = new SgUserHandler;
    handler->SetUserFunc(&Shortcuts::KeyEvent, m_shortcuts.get());
    document->GetRoot()->AddChild(handler);
    m_playback->Rewind();
    document->SetUndoRecording(true);
    m_files->MarkSaved();
    return document;
}

void CDrevon::SetDocument(SgDocument *document)
{
    if (document == m_pDocument)
        return;
    // A dialog never outlives the document it edits.
    m_dialogs->Reap(true);
    if (m_pDocument && m_pDocument->GetCloseDialogOwner() == this)
        m_pDocument->SetCloseDialogCallback(nullptr, nullptr);
    m_creation->ForgetDocument();
    m_fieldEditing->ListenTo(nullptr);
    m_viewing->ListenTo(nullptr);
    m_hostEvents->ListenTo(nullptr);
    LeaveDocumentHooks();
    if (m_pDocument && !m_bExternalDocument)
        DeleteDocument();
    m_pDocument = document;
    m_bExternalDocument = true;
    if (!document)
        return;
    document->SetContext(this);
    m_fieldEditing->ListenTo(document);
    // Boolean nodes joining this document take this facade's engine.
    document->SetShapeActionIdFunc(&BooleanEngineOf, this);
    document->SetCloseDialogCallback(&CDrevon::CloseDialog, this);
    m_viewing->ListenTo(document);
    m_hostEvents->ListenTo(document);
}

void CDrevon::CloseDialog(void *facade, void *dialog)
{
    if (facade)
        static_cast<CDrevon *>(facade)->m_dialogs->Closed(static_cast<const CCadDlg *>(dialog));
}

void CDrevon::DeleteDocument()
{
    if (!m_pDocument)
        return;
    m_playback->Stop();
    m_dialogs->Reap(true);
    if (m_pDocument->GetCloseDialogOwner() == this)
        m_pDocument->SetCloseDialogCallback(nullptr, nullptr);
    // Nodes the facade holds must go while their document stands.
    m_creation->ForgetDocument();
    m_fieldEditing->ForgetFields();
    m_viewing->ForgetAttachedCamera();
    // The viewers go below: no full screen to give back.
    m_viewing->ListenTo(nullptr);
    m_pDocument->ResetUndo();
    if (m_pDocument->GetContext() == this)
        m_pDocument->SetContext(nullptr);
    // The viewers go first: a viewer left behind would hold scene nodes
    // that still name the destroyed document. A host window whose viewer
    // went only loses its listener.
    while (m_pDocument->GetViewerCount() > 0)
        delete m_pDocument->GetViewer(0);
    SgDocument::Destroy(m_pDocument);
    m_pDocument = nullptr;
}

SgSeparator *CDrevon::GetRoot() const
{
    return m_pDocument ? m_pDocument->GetRoot() : nullptr;
}

SgTextureManager *CDrevon::GetTextureMngr() const
{
    return m_pDocument ? m_pDocument->GetTextureMngr() : SgTextureManager::CTextureManagerFactory(0);
}

std::string CDrevon::GetCurrentFile() const
{
    return m_pDocument ? m_pDocument->GetFileName() : std::string();
}

int CDrevon::SetTexturePathes(const char *list)
{
    SgTextureManager *manager = GetTextureMngr();
    return manager && list ? manager->SetTexturePathesList(list) : 0;
}

// ---- Viewers ----------------------------------------------------------------------------

SgViewer *CDrevon::CreateViewer(SgPlatformWindow *window)
{
    if (!m_pDocument)
        return nullptr;
    SgViewer *viewer = m_pDocument->CreateDefaultViewer(window, nullptr);
    m_pDocument->SetActiveViewer(viewer);
    const float grey[3] = {kDefaultGrey, kDefaultGrey, kDefaultGrey};
    m_viewing->SetViewerBGColor(viewer, grey);
    return viewer;
}

SgViewer *CDrevon::GetDefaultViewer()
{
    if (!m_pDocument || m_pDocument->GetViewerCount() == 0) {
        SgDiagTellUser(SgDiagLevel::Error, kPackage, "There is no viewer", "Error");
        return nullptr;
    }
    return m_pDocument->GetViewer(0);
}

SgViewer *CDrevon::GetCurrentViewer() const
{
    if (!m_pDocument)
        return nullptr;
    if (SgViewer *active = m_pDocument->GetActiveViewer())
        return active;
    return m_pDocument->GetViewerCount() > 0 ? m_pDocument->GetViewer(0) : nullptr;
}

void CDrevon::DeleteViewer(SgViewer *viewer)
{
    if (!viewer)
        return;
    m_viewing->ForgetViewer(viewer);
    delete viewer;
}

SgPlatformWindow *CDrevon::CreateGraphicWindow(const char *name, int width, int height)
{
    return GetWindowFactory().CreateTopLevelWindow(name ? name : "", width, height, Viewing::IsFullScreenName(name));
}

SgViewer *CDrevon::CreateWinViewer(const char *name, int width, int height)
{
    if (!m_pDocument)
        return nullptr;
    if (Viewing::IsFullScreenName(name))
        return m_viewing->OpenFullScreen(name, width, height);
    SgPlatformWindow *window = CreateGraphicWindow(name, width, height);
    if (!window) {
        SgDiagTellUser(SgDiagLevel::Error, kPackage, "No window could be opened for the view", "Error");
        return nullptr;
    }
    return CreateViewer(window);
}

// ---- Shared helpers of the families --------------------------------------------------------

SgSelectionHandler *CDrevon::Selection() const
{
    return m_pDocument ? m_pDocument->GetSelectionHandler() : nullptr;
}

SgViewport *CDrevon::CurrentViewport() const
{
    SgViewer *viewer = GetCurrentViewer();
    return viewer && viewer->GetViewportCount() > 0 ? viewer->GetViewport(0) : nullptr;
}

void CDrevon::RedrawCurrent(bool whole)
{
    ++m_iRedraws;
    if (SgViewer *viewer = GetCurrentViewer())
        viewer->Redraw(whole);
}

void CDrevon::Refresh(int mode)
{
    if (m_pDocument)
        m_pDocument->Refresh(mode);
    Redraw();
}

} // namespace drevon
