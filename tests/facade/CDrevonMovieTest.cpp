// Movies of an animated scene written by the facade and read back with the
// decoding libraries: every format gives its container with the right
// number of pictures, size and timing, and failures leave no file.
#include <filesystem>
#include <fstream>

#include "engine/document/SgAnimationMngr.h"
#include "engine/nodes/geometry/SgSphere.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgTransform.h"
#include "tests/engine/document/DocumentFileTestSupport.h"
#include "tests/facade/FacadeTestSupport.h"
#include "tests/platform/WorkProgressRecorder.h"
#include "tests/platform/media/MovieProbe.h"

using facadetest::FacadeTest;
using drevon::CDrevon;
namespace fs = std::filesystem;

namespace {

// Small pictures keep the seven encodings quick.
constexpr int kMovieWidth = 64;
constexpr int kMovieHeight = 48;

class MovieTest : public FacadeTest {
protected:
    void SetUp() override
    {
        FacadeTest::SetUp();
        ASSERT_FALSE(m_folder.Path().empty());
        AddViewer();
        // A ball that crosses the view from left to right over the animation.
        auto *object = new SgObject(true, true);
        object->SetName("Ball");
        object->AddChild(new SgSphere);
        m_facade->GetRoot()->AddChild(object);
        SgFVec3 &translation = object->GetTransform(false)->m_translation;
        CScenario &scenario = Document()->GetAnimationMngr()->GetScenario();
        translation = Vec3(-3, 0, 0);
        scenario.AddRecordItem(&translation, 0, true);
        translation = Vec3(3, 0, 0);
        scenario.AddRecordItem(&translation, SgAnimationMngr::kTrajectoryEnd, true);
    }

    std::string File(const std::string &name) const { return (m_folder / name).string(); }
    bool NothingBeside(const std::string &) const
    {
        for (const auto &entry : fs::directory_iterator(m_folder.Path()))
            if (entry.is_regular_file())
                return false;
        return true;
    }

    DocumentFileTest::TempFolder m_folder;
};

struct FormatCase {
    int format;
    const char *file;
    const char *container;   // as the libraries name the demuxer
    const char *codec;
    int width;
    int height;
};

} // namespace

TEST(MovieFrameCount, WholeIntervalsAndTheLastPicture)
{
    struct Case { double length; int fps; int frames; } cases[] = {
        {2.0, 10, 21}, {0.3, 10, 4}, {0.0, 10, 1}, {0.05, 10, 1}, {1.0, 16, 17}, {0.7, 10, 8},
    };
    for (const Case &c : cases)
        EXPECT_EQ(drevon::Playback::MovieFrameCount(c.length, c.fps), c.frames) << c.length << " s at " << c.fps;
}

TEST_F(MovieTest, EachFormatWritesItsContainerWithAllPictures)
{
    const FormatCase cases[] = {
        {1, "ball.avi", "avi", "mjpeg", kMovieWidth, kMovieHeight},
        {2, "ball.3gp", "mov,mp4,m4a,3gp,3g2,mj2", "mpeg4", 176, 144},
        {3, "ball.mpg", "mpeg", "mpeg2video", kMovieWidth, kMovieHeight},
        {4, "ball.flv", "flv", "flv1", kMovieWidth, kMovieHeight},
        {5, "ball.wmv", "asf", "wmv2", kMovieWidth, kMovieHeight},
        {6, "ball.mov", "mov,mp4,m4a,3gp,3g2,mj2", "h264", kMovieWidth, kMovieHeight},
        {7, "ball.gif", "gif", "gif", kMovieWidth, kMovieHeight},
    };
    for (const FormatCase &c : cases) {
        SCOPED_TRACE(c.file);
        SgDiagCapture capture;
        const std::string path = File(c.file);
        ASSERT_EQ(m_facade->GetPlayback().CreateMovie(path.c_str(), c.format, kMovieWidth, kMovieHeight, 2.0, 10, 0.0),
                  1)
            << capture.GetText();
        EXPECT_EQ(capture.Count(), 0) << capture.GetText();
        const movieprobe::MovieFacts facts = movieprobe::ReadMovie(path);
        ASSERT_TRUE(facts.ok) << facts.error;
        EXPECT_EQ(facts.container, c.container);
        EXPECT_EQ(facts.videoCodec, c.codec);
        EXPECT_EQ(facts.frames, 21);
        EXPECT_EQ(facts.width, c.width);
        EXPECT_EQ(facts.height, c.height);
        EXPECT_NEAR(facts.span, 2.0, 0.02) << "20 intervals of 0.1 s";
        EXPECT_GT(facts.firstToLast, 2.0) << "the ball should have moved";
    }
    // Only the seven movies: no temporary file stays behind.
    int files = 0;
    for (const auto &entry : fs::directory_iterator(m_folder.Path()))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 7);
}

TEST_F(MovieTest, ShortAnimationGetsItsLastPictureAndALongerMovieHoldsIt)
{
    const std::string shortMovie = File("short.avi");
    ASSERT_EQ(m_facade->GetPlayback().CreateMovie(shortMovie.c_str(), 1, kMovieWidth, kMovieHeight, 0.3, 10, 0.0), 1);
    EXPECT_EQ(movieprobe::ReadMovie(shortMovie).frames, 4);
    const std::string held = File("held.avi");
    ASSERT_EQ(m_facade->GetPlayback().CreateMovie(held.c_str(), 1, kMovieWidth, kMovieHeight, 0.3, 10, 1.0), 1);
    EXPECT_EQ(movieprobe::ReadMovie(held).frames, 11) << "4 pictures and 7 copies of the last";
}

TEST_F(MovieTest, FailuresAreReportedOnceAndLeaveNoFile)
{
    struct Case { const char *what; int format; int width; int fps; const char *file; const char *message; } cases[] = {
        {"unknown format", 8, kMovieWidth, 10, "bad.avi", "Unknown movie format"},
        {"no rate", 1, kMovieWidth, 0, "bad.avi", "frame rate"},
        {"huge picture", 1, 100000, 10, "bad.avi", "size"},
        {"missing folder", 1, kMovieWidth, 10, "no/such/folder/bad.avi", "Cannot create the movie file"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SgDiagCapture capture;
        EXPECT_EQ(
            m_facade->GetPlayback().CreateMovie(File(c.file).c_str(), c.format, c.width, kMovieHeight, 1.0, c.fps, 0.0),
            0);
        EXPECT_EQ(capture.Count(), 1) << capture.GetText();
        EXPECT_TRUE(capture.Contains(c.message)) << capture.GetText();
    }
    EXPECT_TRUE(NothingBeside(""));
}

TEST_F(MovieTest, MissingMusicFailsBeforeAnyPicture)
{
    m_facade->GetPlayback().SetMusicFile(File("no-such-song.mp3").c_str());
    SgDiagCapture capture;
    EXPECT_EQ(m_facade->GetPlayback().CreateMovie(File("song.avi").c_str(), 1, kMovieWidth, kMovieHeight, 1.0, 10, 0.0),
              0);
    EXPECT_EQ(capture.Count(), 1) << capture.GetText();
    EXPECT_TRUE(capture.Contains("music")) << capture.GetText();
    EXPECT_TRUE(NothingBeside(""));
}

TEST_F(MovieTest, ProgressCanStopAndThePartialFileGoes)
{
    // An older movie of that name stays as it was.
    const std::string path = File("stopped.avi");
    { std::ofstream(path) << "older"; }
    struct Progress {
        std::vector<int> positions;
        static int Call(void *data, int position)
        {
            auto *self = static_cast<Progress *>(data);
            self->positions.push_back(position);
            return self->positions.size() < 5 ? 1 : 0;
        }
    } progress;
    SgDiagCapture capture;
    const float clip[2] = {0.0f, 100.0f};
    EXPECT_EQ(m_facade->GetPlayback().RecordMovie(Document(), path.c_str(), 1, kMovieWidth, kMovieHeight, 2.0, 10, 0.0,
                                                  clip, 150, &Progress::Call, &progress),
              0);
    EXPECT_EQ(progress.positions.size(), 5u);
    EXPECT_EQ(capture.Count(), 0) << "a stop asked for is no failure: " << capture.GetText();
    std::ifstream kept(path);
    std::string text;
    kept >> text;
    EXPECT_EQ(text, "older");
    int files = 0;
    for (const auto &entry : fs::directory_iterator(m_folder.Path()))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST_F(MovieTest, ClipRangeRecordsPartOfTheAnimationAndProgressReaches100)
{
    struct Progress {
        int last = -1;
        bool rising = true;
        static int Call(void *data, int position)
        {
            auto *self = static_cast<Progress *>(data);
            self->rising = self->rising && position >= self->last;
            self->last = position;
            return 1;
        }
    } progress;
    const std::string whole = File("whole.avi"), still = File("still.avi");
    const float all[2] = {0.0f, 100.0f};
    const float none[2] = {50.0f, 50.0f};
    ASSERT_EQ(m_facade->GetPlayback().RecordMovie(Document(), whole.c_str(), 1, kMovieWidth, kMovieHeight, 1.0, 10, 0.0,
                                                  all, 100, &Progress::Call, &progress),
              1);
    EXPECT_EQ(progress.last, 100);
    EXPECT_TRUE(progress.rising);
    ASSERT_EQ(m_facade->GetPlayback().RecordMovie(Document(), still.c_str(), 1, kMovieWidth, kMovieHeight, 1.0, 10, 0.0,
                                                  none, 100, nullptr, nullptr),
              1);
    EXPECT_GT(movieprobe::ReadMovie(whole).firstToLast, 2.0);
    EXPECT_LT(movieprobe::ReadMovie(still).firstToLast, 0.5) << "a clip range of one position is a still";
}

// A window shows a recording's progress on its status line: a step per
// frame, and the end also when the movie dialog stopped it.
TEST_F(MovieTest, RecordingReportsEachFrameAndItsEnd)
{
    const float all[2] = {0.0f, 100.0f};
    struct Case {
        const char *what;
        int stopAt;  // the movie dialog's answer 0 at this position; -1: never
        int steps;
    };
    const Case cases[] = {
        {"a whole movie of 11 frames", -1, 11},
        {"a movie stopped after its third frame", 27, 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        struct Stop {
            int at;
            static int Call(void *data, int position) { return position != static_cast<Stop *>(data)->at; }
        } stop{c.stopAt};
        progresstest::WorkProgressRecorder recorder;
        const std::string movie = File("frames.avi");
        m_facade->GetPlayback().RecordMovie(Document(), movie.c_str(), 1, kMovieWidth, kMovieHeight, 1.0, 10, 0.0, all,
                                            100, &Stop::Call, &stop);
        EXPECT_EQ(recorder.Steps(), c.steps);
        EXPECT_TRUE(recorder.ShowsWork("Recording movie"));
    }
}
