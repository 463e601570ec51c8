// The custom spline, movie and texture dialogs without a window: the
// numbers they write into the scene, what Create hands the movie function,
// and the texture browser's folder scan on its worker thread.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <stdlib.h>

#include "dialogs/CTextureDlg.h"
#include "dialogs/CustomDlg.h"
#include "dialogs/MovieDlg.h"
#include "engine/SgNodara.h"
#include "engine/core/SgAction.h"
#include "engine/core/SgSeparator.h"
#include "engine/core/SgTField.h"
#include "engine/document/SgDocument.h"
#include "platform/Notifier.h"
#include "platform/SgChoosers.h"
#include "tests/dialogs/SplineSceneNodes.h"
#include "utilities/image/PngWriter.h"

namespace fs = std::filesystem;

namespace {

class CustomDlgTest : public testing::Test {
protected:
    static SgDocument *MakeDocument()
    {
        RegisterSplineSceneNodes();
        return SgDocument::Create();
    }
    void SetUp() override
    {
        params = new SgSplineParamsTest;
        params->SetName("SplineParamsL1");
        length = new SgSplineLenTest;
        length->SetName("SplineLenL1");
        document.GetRoot()->AddChild(params);
        document.GetRoot()->AddChild(length);
    }
    std::unique_ptr<SgDocument, void (*)(SgDocument *)> owned{MakeDocument(), &SgDocument::Destroy};
    SgDocument &document = *owned;
    SgSplineParamsTest *params = nullptr;
    SgSplineLenTest *length = nullptr;
};

} // namespace

TEST_F(CustomDlgTest, ReadsTheSceneAndMarginsOf10GiveAv01Bv09AndLength08A)
{
    CustomDlg dialog(&document, "L1");
    ASSERT_TRUE(dialog.IsBound());
    EXPECT_NEAR(dialog.GetLeftMargin(), 20.0, 1e-9);
    EXPECT_NEAR(dialog.GetRightMargin(), 30.0, 1e-9);
    EXPECT_EQ(dialog.GetWireType(), 2);
    dialog.SetMargins(50, 50);
    EXPECT_NEAR(params->av.Get(true), 0.2, 1e-12) << "no write before the dialog is initialised";
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.GetCaption(), "Lower Arch");
    EXPECT_TRUE(dialog.IsTimerRunning());
    dialog.SetMargins(10, 10);
    EXPECT_NEAR(params->av.Get(true), 0.1, 1e-12);
    EXPECT_NEAR(params->bv.Get(true), 0.9, 1e-12);
    EXPECT_NEAR(dialog.GetLength(), 0.8 * 50.0, 1e-9);
    EXPECT_EQ(dialog.GetLengthText(), "800.0");
    // The scene's dataflow changes the length: the timer follows it.
    length->a = 25.0;
    dialog.OnTimer();
    EXPECT_NEAR(dialog.GetLength(), 0.8 * 25.0, 1e-9);
    dialog.OnOK();
    EXPECT_FALSE(dialog.IsTimerRunning());
    dialog.SetMargins(0, 0);
    EXPECT_NEAR(params->av.Get(true), 0.1, 1e-12) << "a closed dialog writes nothing";
}

TEST_F(CustomDlgTest, WireTypeAnnouncesOnlyAChangeAndResetSendsR)
{
    std::vector<std::string> events;
    CustomDlg dialog(&document, "L1");
    dialog.SetCustomEventCallback([&](const std::string &event, int) { events.push_back(event); });
    dialog.OnInitDialog();
    dialog.OnWireType(2);
    EXPECT_TRUE(events.empty()) << "the wire type already chosen";
    dialog.OnWireType(4);
    EXPECT_EQ(params->c.Get(true), 4.0);
    EXPECT_EQ(params->d.Get(true), 1.0) << "the field after c";
    dialog.OnReset();
    EXPECT_EQ(events, (std::vector<std::string>{"L1", "rL1"}));
}

// The host that opened the dialog through the facade sets no callback of its
// own: it hears wire changes and resets as the document's custom events, each
// listener once, until it drops its token.
TEST_F(CustomDlgTest, WireChangesAndResetsReachEveryCustomEventListenerOfTheDocument)
{
    std::vector<std::string> first, second;
    SgDocumentSubscription a = document.Subscribe(SgDocumentEventKind::kCustomEvent,
                                                  [&](const SgDocumentEvent &e) { first.push_back(e.text); });
    SgDocumentSubscription b = document.Subscribe(SgDocumentEventKind::kCustomEvent, [&](const SgDocumentEvent &e) {
        second.push_back(std::string(e.text) + "/" + std::to_string(e.code));
    });
    CustomDlg dialog(&document, "L1");
    dialog.OnInitDialog();
    dialog.OnWireType(2);
    dialog.OnWireType(3);
    dialog.OnReset();
    EXPECT_EQ(first, (std::vector<std::string>{"L1", "rL1"}));
    EXPECT_EQ(second, (std::vector<std::string>{"L1/0", "rL1/0"}));
    a.Reset();
    dialog.OnReset();
    EXPECT_EQ(first.size(), 2u) << "a dropped token hears nothing";
    EXPECT_EQ(second.size(), 3u);
}

TEST_F(CustomDlgTest, CaptionsAndAMissingSceneNode)
{
    struct Case { const char *name; const char *caption; } cases[] = {
        {"L1", "Lower Arch"}, {"lower", "Lower Arch"}, {"U1", "Upper Arch"}, {"", "Upper Arch"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CustomDlg(&document, c.name).GetCaption(), c.caption) << c.name;
    CustomDlg unbound(&document, "Nobody12345");
    EXPECT_EQ(unbound.GetName(), "Nobody1") << "names are cut to 7 characters";
    EXPECT_FALSE(unbound.IsBound());
    unbound.OnInitDialog();
    unbound.SetMargins(10, 10);
    unbound.OnWireType(3);
    EXPECT_EQ(unbound.GetLength(), 0.0);
}

// ---- Movie dialog ---------------------------------------------------------------------------

namespace {

// The messages the dialog gives while it lives.
struct MovieMessages : Notifier {
    MovieMessages() : previous(SetNotifier(this)) {}
    ~MovieMessages() override { SetNotifier(previous); }
    int Message(const std::string &text, const std::string &, Buttons, Icon) override
    {
        texts.push_back(text);
        return Ok;
    }
    std::vector<std::string> texts;
    Notifier *previous;
};

} // namespace

TEST(MovieDlg, CreatePassesTheValuesWithQualityClampedAndAbortStops)
{
    SgNodara::Init();
    std::unique_ptr<SgDocument, void (*)(SgDocument *)> holder{SgDocument::Create(), &SgDocument::Destroy};
    SgDocument &document = *holder;
    MovieDlg dialog(&document);
    std::vector<int> shown;
    dialog.SetProgressView([&](int position) { shown.push_back(position); });
    MovieDlg::Request seen;
    int calls = 0;
    std::vector<int> answers;
    dialog.SetMovieFunction([&](const MovieDlg::Request &request) {
        ++calls;
        seen = request;
        for (int position : {10, 20, 30}) {
            if (position == 20)
                dialog.OnAbort();
            answers.push_back(request.progress(request.data, position));
            if (!answers.back())
                return 0;
        }
        return 1;
    });
    struct Case { int quality; int passed; } qualities[] = {{150, 100}, {-5, 0}, {55, 55}};
    for (const Case &c : qualities) {
        dialog.quality = c.quality;
        dialog.formatIndex = 2;
        dialog.frameRate = 12.7f;
        answers.clear();
        EXPECT_EQ(dialog.OnCreate(), 0);
        EXPECT_EQ(seen.quality, c.passed);
        EXPECT_EQ(seen.format, 3) << "MPG";
        EXPECT_EQ(seen.framesPerSecond, 12);
        EXPECT_EQ(seen.width, 300);
        EXPECT_EQ(seen.height, 200);
        EXPECT_EQ(seen.clipRange[1], 100.0f);
        EXPECT_EQ(seen.document, &document);
        EXPECT_EQ(answers, (std::vector<int>{1, 0})) << "Abort stops at the next progress call";
        EXPECT_EQ(dialog.GetProgressPosition(), 0) << "the bar goes back to 0";
    }
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(shown.back(), 0);
}

// A size of no pixels (or more than a picture can have) would leave the
// movie at the view's size without a word: it is refused, naming the range.
TEST(MovieDlg, ASizeOutOfRangeIsRefusedWithTheRangeAndNothingIsRecorded)
{
    SgNodara::Init();
    std::unique_ptr<SgDocument, void (*)(SgDocument *)> holder{SgDocument::Create(), &SgDocument::Destroy};
    MovieDlg dialog(holder.get());
    int calls = 0;
    dialog.SetMovieFunction([&](const MovieDlg::Request &) { return ++calls, 1; });
    MovieMessages notifier;
    const struct {
        int width, height;
    } refused[] = {{300, -5}, {0, 200}, {-1, -1}, {MovieDlg::MaxSide() + 1, 200}, {300, MovieDlg::MaxSide() + 1}};
    for (const auto &size : refused) {
        dialog.width = size.width;
        dialog.height = size.height;
        EXPECT_EQ(dialog.OnCreate(), 0) << size.width << "x" << size.height;
    }
    dialog.width = 1;
    dialog.height = MovieDlg::MaxSide();
    EXPECT_EQ(dialog.OnCreate(), 1);
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(notifier.texts.size(), std::size(refused));
    EXPECT_EQ(notifier.texts[0], MovieDlg::SizeRangeMessage());
    EXPECT_NE(notifier.texts[0].find("from 1 to " + std::to_string(MovieDlg::MaxSide())), std::string::npos);
}

TEST(MovieDlg, BrowseSelectsTheFormatOfTheExtensionAndAnEmptyFileTakesTheDefault)
{
    SgNodara::Init();
    std::unique_ptr<SgDocument, void (*)(SgDocument *)> holder{SgDocument::Create(), &SgDocument::Destroy};
    SgDocument &document = *holder;
    MovieDlg dialog(&document);
    FileRequest asked;
    FileChooser previous = SetFileChooser([&](const FileRequest &request) -> std::optional<std::string> {
        asked = request;
        return std::string("/videos/walk.MpG");
    });
    ASSERT_TRUE(dialog.OnBrowse());
    SetFileChooser(previous);
    EXPECT_EQ(dialog.file, "/videos/walk.MpG");
    EXPECT_EQ(dialog.formatIndex, 2);
    EXPECT_EQ(asked.defaultExtension, "AVI");
    EXPECT_EQ(asked.filter, MovieDlg::kBrowseFilter);
    dialog.file.clear();
    MovieDlg::Request seen;
    dialog.SetMovieFunction([&](const MovieDlg::Request &request) {
        seen = request;
        return 1;
    });
    EXPECT_EQ(dialog.OnCreate(), 1);
    EXPECT_EQ(seen.file, MovieDlg::DefaultFile());
    EXPECT_NE(seen.file.find("Movie.avi"), std::string::npos);
}

// ---- Texture dialog -------------------------------------------------------------------------

namespace {

void WriteBmp(const fs::path &path, int width, int height)
{
    const int stride = ((width * 24 + 31) / 32) * 4;
    std::vector<std::uint8_t> file(54 + std::size_t(stride) * height, 0x80);
    auto put32 = [&](int at, std::uint32_t v) { for (int i = 0; i < 4; ++i) file[at + i] = std::uint8_t(v >> (8 * i)); };
    auto put16 = [&](int at, std::uint16_t v) { file[at] = std::uint8_t(v); file[at + 1] = std::uint8_t(v >> 8); };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, std::uint32_t(file.size()));
    put32(6, 0);
    put32(10, 54);
    put32(14, 40);
    put32(18, std::uint32_t(width));
    put32(22, std::uint32_t(height));
    put16(26, 1);
    put16(28, 24);
    put32(30, 0);
    put32(34, std::uint32_t(stride * height));
    for (int i = 38; i < 54; ++i)
        file[i] = 0;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(file.data()), std::streamsize(file.size()));
}

class TextureFolder : public testing::Test {
protected:
    void SetUp() override
    {
        SgNodara::Init();
        std::string pattern = (fs::temp_directory_path() / "texture-dialog-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        WriteBmp(folder / "brick.bmp", 16, 8);
        WriteBmp(folder / "grass.BMP", 8, 8);
        WriteBmp(folder / "stone.bmp", 32, 16);
        std::ofstream(folder / "broken.bmp") << "BM but nothing more";
        std::ofstream(folder / "notes.txt") << "not a picture";
        CTextureDlg::SetItemsDirectory(folder.string());
        CTextureDlg::SetItemsType("BMP");
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    fs::path folder;
    std::unique_ptr<SgDocument, void (*)(SgDocument *)> holder{(SgNodara::Init(), SgDocument::Create()),
                                                               &SgDocument::Destroy};
    SgDocument &document = *holder;
};

} // namespace

TEST_F(TextureFolder, ThreeGoodAndOneBrokenBmpGiveRange4ThreeThumbnailsAndTotal3)
{
    CTextureDlg dialog(&document);
    std::atomic<int> progress{0}, finished{0};
    dialog.SetNotify([&](CTextureDlg::Notice notice, int) {
        (notice == CTextureDlg::Notice::Progress ? progress : finished)++;
    });
    dialog.RefreshListCtrl();
    EXPECT_EQ(dialog.GetProgressRange(), 4);
    ASSERT_TRUE(dialog.WaitForFill(60000));
    EXPECT_EQ(dialog.GetItemsCount(), 3u);
    EXPECT_EQ(dialog.GetTotalText(), "Total Image: 3");
    EXPECT_EQ(progress.load(), 3);
    EXPECT_EQ(finished.load(), 1);
    const std::vector<CTextureDlg::Thumbnail> thumbnails = dialog.GetThumbnails();
    ASSERT_EQ(thumbnails.size(), 3u);
    EXPECT_EQ(thumbnails[0].name, "brick.bmp");
    EXPECT_EQ(thumbnails[0].sizeText, "16 x 8");
    EXPECT_EQ(thumbnails[0].pixels.size(), 64u * 64u * 4u);
    EXPECT_EQ(dialog.FindItem("GRASS.bmp"), 1);
    EXPECT_EQ(dialog.FindItem("broken.bmp"), -1);
    EXPECT_EQ(dialog.GetUnloaded(), std::vector<std::string>{"broken.bmp"}) << "named, not dropped silently";
    // Another type refills from the same folder.
    CTextureDlg::SetItemsType("JPG");
    dialog.RefreshListCtrl();
    EXPECT_EQ(dialog.GetProgressRange(), 0);
    ASSERT_TRUE(dialog.WaitForFill(60000));
    EXPECT_EQ(dialog.GetTotalText(), "Total Image: 0");
}

// PNG is one of the types: its pictures are listed and shown, and a broken
// one is named like a broken BMP.
TEST_F(TextureFolder, PngPicturesAreListedAndABrokenOneIsNamed)
{
    const std::vector<std::uint8_t> bgr(12u * 4u * 3u, 0x80);
    {
        std::ofstream out(folder / "tiles.png", std::ios::binary);
        ASSERT_TRUE(WritePngFromBgrBottomUp(out, 12, 4, bgr.data(), 12 * 3));
    }
    std::ofstream(folder / "cut.PNG", std::ios::binary) << "\x89PNG\r\n\x1a\n";
    EXPECT_NE(std::find(std::begin(CTextureDlg::kTypes), std::end(CTextureDlg::kTypes), std::string("PNG")),
              std::end(CTextureDlg::kTypes));
    CTextureDlg::SetItemsType("PNG");
    CTextureDlg dialog(&document);
    dialog.RefreshListCtrl();
    ASSERT_TRUE(dialog.WaitForFill(60000));
    EXPECT_EQ(dialog.GetTotalText(), "Total Image: 1");
    const std::vector<CTextureDlg::Thumbnail> thumbnails = dialog.GetThumbnails();
    ASSERT_EQ(thumbnails.size(), 1u);
    EXPECT_EQ(thumbnails[0].name, "tiles.png");
    EXPECT_EQ(thumbnails[0].sizeText, "12 x 4");
    EXPECT_EQ(dialog.GetUnloaded(), std::vector<std::string>{"cut.PNG"});
}

// The worker is held after each picture until a stop is asked for: a worker
// that checks the request between files ends after that picture, one that
// does not reads the whole folder.
TEST_F(TextureFolder, ClosingDuringAFillStopsAndJoinsTheWorker)
{
    for (int i = 0; i < 200; ++i)
        WriteBmp(folder / ("many" + std::to_string(i) + ".bmp"), 64, 64);
    CTextureDlg dialog(&document);
    dialog.SetNotify([&dialog](CTextureDlg::Notice notice, int) {
        // Only stops a hung test: a stop that never comes.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (notice == CTextureDlg::Notice::Progress && !dialog.IsStopRequested() &&
               std::chrono::steady_clock::now() < giveUp)
            std::this_thread::yield();
    });
    dialog.RefreshListCtrl();
    dialog.RefreshListCtrl(); // a second fill stops the first one
    EXPECT_LE(dialog.GetThumbnails().size(), 1u) << "the second fill started over";
    dialog.OnCancel();
    EXPECT_FALSE(dialog.IsFilling());
    EXPECT_LE(dialog.GetThumbnails().size(), 1u) << "pictures read after the stop";
}

TEST(CTextureDlg, EditLimitsAndThumbnailSizes)
{
    SgNodara::Init();
    std::unique_ptr<SgDocument, void (*)(SgDocument *)> holder{SgDocument::Create(), &SgDocument::Destroy};
    CTextureDlg dialog(holder.get());
    dialog.SetScale(5000);
    EXPECT_EQ(dialog.scale, 1000.0);
    EXPECT_EQ(dialog.ScaleSliderPosition(), 10000);
    dialog.SetRotation(-400);
    EXPECT_EQ(dialog.rotation, -360.0);
    dialog.SetBlend(150);
    EXPECT_EQ(dialog.blend, 100);
    EXPECT_EQ(dialog.GetThumbnailSide(), 64);
    dialog.SetImageSize(CTextureDlg::kLarge);
    EXPECT_EQ(dialog.GetThumbnailSide(), 128);
    EXPECT_EQ(CTextureDlg::DecodeImageSize(CTextureDlg::kSmall), 32);
}

// ---- The textures of the selection ------------------------------------------------------------

#include "engine/core/SgPathList.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "engine/nodes/properties/SgTexture2D.h"
#include "engine/nodes/properties/SgTexture2Transform.h"
#include "engine/nodes/properties/SgTextureFunction.h"

namespace {

class TextureSelection : public TextureFolder {
protected:
    void SetUp() override
    {
        TextureFolder::SetUp();
        for (SgObject *&object : objects) {
            object = new SgObject(true, true);
            object->AddChild(new SgSphere);
            document.GetRoot()->AddChild(object);
            document.GetSelectionHandler()->Select(object, 0);
        }
        ASSERT_EQ(document.GetSelectionHandler()->GetSelCount(), 2);
    }
    void TearDown() override
    {
        document.GetSelectionHandler()->DeselectAll();
        TextureFolder::TearDown();
    }
    template <class T>
    static int CountOf(SgObject *object)
    {
        int count = 0;
        for (int i = 0; i < object->GetNumChildren(); ++i)
            count += dynamic_cast<T *>(object->GetChild(i)) != nullptr;
        return count;
    }
    SgObject *objects[2] = {};
};

} // namespace

TEST_F(TextureSelection, BothObjectsShareTheFirstObjectsUnitAndCancelRestoresAll)
{
    const int childrenBefore = objects[0]->GetNumChildren();
    CTextureDlg dialog(&document);
    CCadDlg::Acting acting(dialog); // as the dialog's window drives it
    dialog.SetPathList(document.GetSelectionHandler()->GetPathList());
    ASSERT_EQ(dialog.GetObjectCount(), 2);
    dialog.InitTextureSelection(0);
    EXPECT_EQ(dialog.GetUnitCount(), 1);
    const TextureBundle::Unit &unit = dialog.GetUnit(0);
    ASSERT_NE(unit.texture, nullptr);
    ASSERT_NE(unit.transform, nullptr);
    ASSERT_NE(unit.function, nullptr);
    for (SgObject *object : objects) {
        EXPECT_GE(object->IndexOf(unit.texture), 0);
        EXPECT_GE(object->IndexOf(unit.transform), 0);
        EXPECT_EQ(CountOf<SgMaterial>(object), 1);
    }
    // Rotation and an image, then Cancel: both go.
    dialog.RefreshListCtrl();
    ASSERT_TRUE(dialog.WaitForFill(60000));
    dialog.rotation = 90;
    dialog.ApplyRotation();
    EXPECT_NEAR(unit.transform->m_rotation.Get(true), 1.5707963267948966, 1e-12);
    ASSERT_TRUE(dialog.PreviewItem(1));
    EXPECT_NE(dialog.GetCurrentImage().find("grass.BMP"), std::string::npos);
    EXPECT_TRUE(dialog.IsApplyEnabled());
    dialog.scale = 5000;
    dialog.ApplyScale();
    EXPECT_EQ(unit.transform->m_scaleFactor.Get(true).x, 1000.0);
    dialog.boost = 2;
    dialog.ApplyBoost();
    dialog.UpdateDialog(0);
    EXPECT_EQ(dialog.boost, 2) << "boost 4 shows as the third entry";
    dialog.OnCancel();
    for (SgObject *object : objects)
        EXPECT_EQ(CountOf<SgTexture2D>(object), 0) << "Cancel takes the texture away again";
    EXPECT_EQ(objects[0]->GetNumChildren(), childrenBefore);
}

TEST_F(TextureSelection, OkKeepsTheImageAndAddLayerAndDeleteChangeTheUnits)
{
    {
        CTextureDlg dialog(&document);
        CCadDlg::Acting acting(dialog); // as the dialog's window drives it
        dialog.SetPathList(document.GetSelectionHandler()->GetPathList());
        dialog.InitTextureSelection(0);
        dialog.RefreshListCtrl();
        ASSERT_TRUE(dialog.WaitForFill(60000));
        ASSERT_TRUE(dialog.PreviewItem(0));
        dialog.OnAddLayer();
        EXPECT_EQ(dialog.GetUnitCount(), 2);
        EXPECT_EQ(dialog.GetCurrentUnit(), 1);
        EXPECT_EQ(CountOf<SgTexture2D>(objects[1]), 2);
        dialog.OnDelete();
        EXPECT_EQ(dialog.GetUnitCount(), 1);
        dialog.OnOK();
    }
    for (SgObject *object : objects)
        EXPECT_EQ(CountOf<SgTexture2D>(object), 1);
    // The kept change is one undo step.
    document.Undo();
    for (SgObject *object : objects)
        EXPECT_EQ(CountOf<SgTexture2D>(object), 0);
}

#include "engine/viewer/BmpUtils.h"
#include "engine/viewer/SgViewer.h"

TEST_F(TextureSelection, PreviewShowsTheCurrentUnitOnACubeAndASphere)
{
    CTextureDlg dialog(&document);
    dialog.SetPathList(document.GetSelectionHandler()->GetPathList());
    dialog.InitTextureSelection(0);
    SgSeparator *scene = dialog.GetPreviewScene();
    ASSERT_NE(scene, nullptr);
    const int undoBefore = document.GetUndoCount();
    dialog.GetPreviewScene();
    EXPECT_EQ(document.GetUndoCount(), undoBefore) << "the preview leaves no undo records";
    SgViewer *viewer = dialog.GetPreviewViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->GetDocument(), nullptr) << "the preview is no viewer of the document";
    struct Picture {
        int distinct = 0;
        static int Take(const BmpImage &bitmap, void *data)
        {
            std::set<std::uint32_t> colours;
            for (std::size_t i = 0; i + 2 < bitmap.pixels.size(); i += 3)
                colours.insert(bitmap.pixels[i] | bitmap.pixels[i + 1] << 8 | bitmap.pixels[i + 2] << 16);
            static_cast<Picture *>(data)->distinct = int(colours.size());
            return 1;
        }
    } picture;
    viewer->SetSize(64, 64);
    ASSERT_TRUE(BmpUtils::DrawToBuffer(viewer, 64, 64, &Picture::Take, &picture));
    EXPECT_GT(picture.distinct, 4) << "the cube and the sphere should show";
    dialog.OnOK();
}

namespace {

// A picture of 64 x 64 in black and white stripes 8 pixels wide, so that a
// move of the texture shows.
void WriteStripesBmp(const fs::path &path)
{
    WriteBmp(path, 64, 64);
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const char value = (x / 8) % 2 ? char(0xff) : char(0x00);
            file.seekp(54 + (y * 64 + x) * 3);
            const char pixel[3] = {value, value, value};
            file.write(pixel, 3);
        }
}

} // namespace

// The window's controls go through the logic: the move sliders move the
// texture (x 100), the move edits follow, the values are clamped, and the
// preview the logic draws changes with the move.
TEST_F(TextureSelection, MoveSlidersMoveTheTextureAndThePreviewFollows)
{
    WriteStripesBmp(folder / "stripes.bmp");
    CTextureDlg dialog(&document);
    CCadDlg::Acting acting(dialog); // as the dialog's window drives it
    dialog.SetPathList(document.GetSelectionHandler()->GetPathList());
    dialog.InitTextureSelection(0);
    dialog.RefreshListCtrl();
    ASSERT_TRUE(dialog.WaitForFill(5000));
    ASSERT_TRUE(dialog.OnThumbnail(dialog.FindItem("stripes.bmp")));
    const TextureBundle::Unit &unit = dialog.GetUnit(0);
    ASSERT_NE(unit.transform, nullptr);
    std::vector<unsigned char> before, after;
    ASSERT_TRUE(dialog.RenderPreview(64, before));
    const int changes = dialog.GetChangeCount();
    // Half the stripes' period (16 of 64 pixels): black and white swap.
    dialog.OnMoveSlider(0, 12);
    EXPECT_EQ(dialog.moveX, 0.12);
    EXPECT_EQ(unit.transform->m_translation.Get(true), Vec2(0.12, 0));
    ASSERT_TRUE(dialog.RenderPreview(64, after));
    EXPECT_NE(before, after) << "the moved texture shows in the preview";
    dialog.OnMoveSlider(0, 250);
    EXPECT_EQ(dialog.moveX, 2.5);
    dialog.OnMoveSlider(1, -5000);
    EXPECT_EQ(dialog.moveY, -10.0) << "the slider's end";
    EXPECT_EQ(dialog.MoveSliderPosition(1), -CTextureDlg::kMoveSliderRange);
    dialog.OnMoveEdit(1, 0.37);
    EXPECT_EQ(dialog.MoveSliderPosition(1), 37);
    EXPECT_GT(dialog.GetChangeCount(), changes);
    dialog.OnInstantUpdate(true);
    EXPECT_TRUE(dialog.instantUpdate);
    dialog.OnBlendEdit(250);
    EXPECT_EQ(dialog.blend, 100);
    dialog.OnCancel();
    EXPECT_EQ(CountOf<SgTexture2D>(objects[0]), 0);
}

// A picture beside or below the scene file is stored relative to it, so
// that the scene moves with its pictures; anything else keeps its path.
TEST(CTextureDlg, PicturesBesideOrBelowTheSceneAreStoredRelativeToIt)
{
    const struct {
        const char *image;
        const char *scene;
        const char *stored;
    } cases[] = {
        {"/work/scenes/brick.bmp", "/work/scenes/house.kvrx", "brick.bmp"},
        {"/work/scenes/maps/brick.bmp", "/work/scenes/house.kvrx", "maps/brick.bmp"},
        {"/work/other/brick.bmp", "/work/scenes/house.kvrx", "/work/other/brick.bmp"},
        {"/work/brick.bmp", "/work/scenes/house.kvrx", "/work/brick.bmp"},
        {"/work/scenes/brick.bmp", "", "/work/scenes/brick.bmp"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CTextureDlg::StoredImagePath(c.image, c.scene), c.stored) << c.image << " with " << c.scene;
}

// "Browse..." asks the folder chooser: a folder chosen is scanned, a
// cancelled choice keeps the folder.
TEST_F(TextureFolder, BrowseTakesTheChosenFolderAndACancelKeepsTheOld)
{
    CTextureDlg dialog(&document);
    const fs::path other = folder / "more";
    fs::create_directory(other);
    WriteBmp(other / "one.bmp", 8, 8);
    FolderChooser previous = SetFolderChooser([](const std::string &, const std::string &) {
        return std::optional<std::string>();
    });
    EXPECT_FALSE(dialog.OnBrowse());
    EXPECT_EQ(CTextureDlg::GetItemsDirectory(), folder.string());
    std::string asked;
    SetFolderChooser([&](const std::string &, const std::string &initial) {
        asked = initial;
        return std::optional<std::string>(other.string());
    });
    EXPECT_TRUE(dialog.OnBrowse());
    SetFolderChooser(previous);
    EXPECT_EQ(asked, folder.string());
    ASSERT_TRUE(dialog.WaitForFill(5000));
    EXPECT_EQ(dialog.GetTotalText(), "Total Image: 1");
}

// What is typed in each number box: a number is taken (clamped to the box's
// range, but a size outside its range is refused as Create refuses it); any
// other text is refused with the box's name and range, and the value stays.
TEST(MovieDlg, TypedNumbersAreTakenOrClampedAndLettersAreRefusedWithTheRange)
{
    SgNodara::Init();
    std::unique_ptr<SgDocument, void (*)(SgDocument *)> holder{SgDocument::Create(), &SgDocument::Destroy};
    const std::string sizes = std::to_string(MovieDlg::MaxSide());
    const struct Case {
        MovieDlg::Box box;
        const char *typed;
        bool taken;
        const char *shown; // the box's text afterwards
        const char *message; // a part of the refusal, "" when taken
    } cases[] = {
        {MovieDlg::Box::kClipStart, "12.5", true, "12.5", ""},
        {MovieDlg::Box::kClipStart, "abc", false, "0", "Clip start: Please enter a number from 0 to 100."},
        {MovieDlg::Box::kClipEnd, "250", true, "100", ""},
        {MovieDlg::Box::kWidth, "320", true, "320", ""},
        {MovieDlg::Box::kWidth, "3x", false, "300", "Width: "},
        {MovieDlg::Box::kHeight, "-5", false, "200", "from 1 to "},
        {MovieDlg::Box::kHeight, "0", false, "200", "Height: "},
        {MovieDlg::Box::kFrameRate, "", false, "16", "Frame rate: Please enter a number from 1 to 1000."},
        {MovieDlg::Box::kFrameRate, "0", true, "1", ""},
        {MovieDlg::Box::kDuration, "nan", false, "10", "Duration: "},
        {MovieDlg::Box::kDuration, "2.5", true, "2.5", ""},
        {MovieDlg::Box::kQuality, "1e9", true, "100", ""},
        {MovieDlg::Box::kQuality, "ten", false, "100", "Quality: Please enter a number from 0 to 100."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(MovieDlg::BoxName(c.box)) + " \"" + c.typed + "\"");
        MovieDlg dialog(holder.get());
        MovieMessages messages;
        EXPECT_EQ(dialog.TakeText(c.box, c.typed), c.taken);
        EXPECT_EQ(dialog.BoxText(c.box), c.shown);
        if (c.taken) {
            EXPECT_TRUE(messages.texts.empty());
            continue;
        }
        ASSERT_EQ(messages.texts.size(), 1u);
        EXPECT_NE(messages.texts[0].find(c.message), std::string::npos) << messages.texts[0];
        if (c.box == MovieDlg::Box::kWidth || c.box == MovieDlg::Box::kHeight)
            EXPECT_NE(messages.texts[0].find("from 1 to " + sizes), std::string::npos) << messages.texts[0];
    }
}
