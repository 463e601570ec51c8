// Key frames: how keys are added, dropped and replaced, how playback and the
// key-time search answer, how the manager records the selection (each
// recording one undo step, playback none), and the scenario block written
// and read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/actions/SgOpenAction.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/actions/Vrml1Format.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/actions/Vrml1Stream.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/core/SgRef.h"
#include "engine/core/SgSeparator.h"
#include "engine/document/CScenario.h"
#include "engine/document/SgAnimationMngr.h"
#include "engine/document/SgDocument.h"
#include "engine/nodes/properties/SgTransform.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "platform/SgError.h"

namespace {

struct DocumentDeleter {
    void operator()(SgDocument *document) const { SgDocument::Destroy(document); }
};
using DocumentPtr = std::unique_ptr<SgDocument, DocumentDeleter>;

std::string Keys(const CAnimationTrack &track)
{
    std::ostringstream text;
    for (const auto &key : track.GetKeys()) {
        text << key->GetTime() << ":";
        key->GetValue()->WriteToStream(text, 0, -1);
        text << " ";
    }
    return text.str();
}

// A scenario over one object's transform, outside any document.
class CScenarioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_object = new SgObject;
        m_transform = m_object->GetTransform(true);
    }

    void RecordX(double time, double x, bool force = false)
    {
        m_transform->m_translation = Vec3(x, 0, 0);
        m_scenario.AddRecordItem(&m_transform->m_translation, time, force);
    }
    const CAnimationTrack &Track()
    {
        const int index = m_scenario.FindTrack(&m_transform->m_translation);
        EXPECT_GE(index, 0) << "the translation has no track";
        return *m_scenario.GetTrack(index < 0 ? 0 : index);
    }
    double X() { return m_transform->m_translation.Get(true).x; }

    SgRef<SgObject> m_object;
    SgTransform *m_transform = nullptr;
    CScenario m_scenario;
};

TEST_F(CScenarioTest, KeysAreAddedDroppedAndReplacedAsTheValuesSay)
{
    struct Case {
        const char *name;
        std::vector<std::pair<double, double>> records; // time, x
        const char *keys;
    };
    const Case cases[] = {
        {"unchanged values repeat the last key", {{10, 1}, {20, 1}, {30, 1}}, "10:(1,0,0) "},
        {"a key on the line between its neighbours", {{0, 0}, {10, 10}, {5, 5}}, "0:(0,0,0) 10:(10,0,0) "},
        {"a key off that line", {{0, 0}, {10, 10}, {5, 7}}, "0:(0,0,0) 5:(7,0,0) 10:(10,0,0) "},
        {"a key before the first", {{10, 1}, {0, 3}}, "0:(3,0,0) 10:(1,0,0) "},
        {"a key at the time of another", {{0, 0}, {10, 10}, {10, 4}}, "0:(0,0,0) 10:(4,0,0) "},
    };
    for (const Case &c : cases) {
        m_scenario.Clear(false);
        for (const auto &[time, x] : c.records)
            RecordX(time, x);
        EXPECT_EQ(Keys(Track()), c.keys) << c.name;
    }
}

TEST_F(CScenarioTest, ForceKeepsAKeyThatRepeatsTheLastValue)
{
    RecordX(0, 1, true);
    RecordX(10, 1, true);
    EXPECT_EQ(Keys(Track()), "0:(1,0,0) 10:(1,0,0) ");
    EXPECT_TRUE(m_transform->IsConnected()) << "a node with an animated field should be marked for the writer";
}

TEST_F(CScenarioTest, PlaybackInterpolatesInsideTheKeysAndLeavesTheFieldAloneOutside)
{
    RecordX(10, 2);
    RecordX(20, 6);
    RecordX(30, 0);
    struct Case {
        double time;
        double expected;
    };
    const Case cases[] = {{10, 2}, {15, 4}, {20, 6}, {25, 3}, {30, 0}, {5, -1}, {31, -1}};
    for (const Case &c : cases) {
        m_transform->m_translation = Vec3(-1, 0, 0);
        m_scenario.Play(c.time);
        EXPECT_DOUBLE_EQ(X(), c.expected) << "played at " << c.time;
    }
}

TEST_F(CScenarioTest, KeyTimeSearchWrapsAroundTheEnds)
{
    RecordX(10, 1);
    RecordX(40, 2);
    struct Case {
        double from;
        int direction;
        double expected;
    };
    const Case cases[] = {{10, 1, 40}, {40, 1, 10}, {40, -1, 10}, {10, -1, 40}, {0, 1, 10}, {25, -7, 10}};
    for (const Case &c : cases)
        EXPECT_DOUBLE_EQ(m_scenario.GetFrameTime(c.from, c.direction), c.expected)
            << "from " << c.from << " in direction " << c.direction;
}

TEST_F(CScenarioTest, OutputOnlyFieldsAndBadIndicesAddNothing)
{
    m_transform->m_translation.SetOutputOnly(true);
    RecordX(0, 1);
    EXPECT_EQ(m_scenario.GetTracksCount(), 0) << "an output-only field should get no track";
    EXPECT_THROW(m_scenario.GetTrack(0), SgInvalidArgument);
}

TEST_F(CScenarioTest, TrackKeepsItsNodeAliveAfterTheNodeLeavesTheScene)
{
    SgRef<SgSeparator> root(new SgSeparator);
    root->AddChild(m_object.get());
    RecordX(0, 0);
    RecordX(10, 10);
    SgObject *object = m_object.get();
    m_object.reset();
    root->DeleteChild(object);
    // The track's reference is all that holds the object now: playing must
    // write into a live field.
    m_scenario.Play(5);
    EXPECT_DOUBLE_EQ(m_transform->m_translation.Get(true).x, 5.0);
    m_scenario.Clear(false);
}

// ---- The manager in its document ----------------------------------------------------

class SgAnimationMngrTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Other suites install readers of their own; the library's is put back.
        SgAnimationMngr::InstallFileHooks();
        m_document.reset(SgDocument::Create());
        ASSERT_NE(m_document, nullptr);
        m_manager = m_document->GetAnimationMngr();
        ASSERT_NE(m_manager, nullptr);
    }

    // An object at the given x under the root, selected.
    SgObject *AddSelectedObject(double x)
    {
        auto *object = new SgObject;
        object->GetTransform(true)->m_translation = Vec3(x, 0, 0);
        m_document->GetNodara()->AddChild(object);
        SgPath path(*m_document->GetNodara());
        path.Append(object);
        m_document->GetSelectionHandler()->Select(path, 0);
        return object;
    }

    std::string SaveScene(SgDocument &document)
    {
        std::ostringstream text;
        Vrml1Stream stream(text);
        SgSaveAction action;
        action.SetStream(&stream);
        action.WriteHeader(Vrml1Format::kWriterVersion);
        EXPECT_TRUE(action.Apply(document.GetNodara())) << action.GetError();
        SgAnimationMngr::SaveScenario(&action, document.GetAnimationMngr());
        return text.str();
    }

    // Reads the text into the document; the messages of the read.
    static std::string ReadScene(SgDocument &document, const std::string &text)
    {
        std::istringstream in(text);
        Vrml1InStream stream(in, "scenario.kvrx", &document);
        stream.SetNotifyUser(false);
        EXPECT_TRUE(SgOpenAction::ReadScene(stream, *document.GetNodara())) << stream.FormatMessages();
        return stream.FormatMessages();
    }

    DocumentPtr m_document;
    SgAnimationMngr *m_manager = nullptr;
};

TEST_F(SgAnimationMngrTest, NewManagerHoldsOnlyTheTrajectory)
{
    CScenario &scenario = m_manager->GetScenario();
    ASSERT_EQ(scenario.GetTracksCount(), 1);
    EXPECT_EQ(scenario.GetTrack(0)->GetField(), &m_manager->m_TrajectoryParam);
    EXPECT_EQ(Keys(*scenario.GetTrack(0)), "0:0 100:1 ");
    EXPECT_DOUBLE_EQ(m_manager->m_TrajectoryParam.Get(true), 0.0);
    EXPECT_DOUBLE_EQ(m_manager->GetFirstFrameTime(), 0.0);
    EXPECT_DOUBLE_EQ(m_manager->GetLastFrameTime(), 100.0);
    EXPECT_DOUBLE_EQ(m_manager->GetNextFrameTime(100), 0.0) << "stepping past the last key should wrap";
    EXPECT_DOUBLE_EQ(m_manager->GetPrevFrameTime(0), 100.0) << "stepping before the first key should wrap";
    m_manager->SetTrajectoryValue(50);
    EXPECT_DOUBLE_EQ(m_manager->m_TrajectoryParam.Get(true), 0.5);
    EXPECT_EQ(SaveScene(*m_document).find("Scenario"), std::string::npos)
        << "a scenario with only the trajectory should write no block";
}

TEST_F(SgAnimationMngrTest, RecordingTheSelectionAndPlayingItBackLeavesNoUndoRecords)
{
    SgObject *object = AddSelectedObject(0);
    SgTransform *transform = object->GetTransform(false);
    m_manager->Record(0);
    transform->m_translation = Vec3(10, 0, 0);
    m_manager->Record(10);
    const int track = m_manager->GetScenario().FindTrack(&transform->m_translation);
    ASSERT_GE(track, 0) << "recording the selected object should give its translation a track";
    EXPECT_EQ(Keys(*m_manager->GetScenario().GetTrack(track)), "0:(0,0,0) 10:(10,0,0) ");

    m_document->ResetUndo();
    m_manager->Play(5);
    EXPECT_DOUBLE_EQ(transform->m_translation.Get(true).x, 5.0);
    EXPECT_EQ(m_document->GetUndoCount(), 0) << "playback should leave no undo records";
    EXPECT_TRUE(m_document->IsUndoRecording()) << "playback should switch recording back on";
}

// Each recording is one step: Undo takes its keys out (a track it made goes
// with them) and Redo puts the same keys back.
TEST_F(SgAnimationMngrTest, EachRecordingIsOneUndoStepAndRedoGivesTheKeysBack)
{
    SgObject *object = AddSelectedObject(0);
    SgTransform *transform = object->GetTransform(false);
    m_document->ResetUndo();
    const std::string empty = SaveScene(*m_document);
    m_manager->Record(0);
    transform->m_translation = Vec3(10, 0, 0);
    m_manager->Record(10);
    transform->m_translation = Vec3(20, 0, 0);
    m_manager->Record(10); // the key at 10 replaced
    const std::string recorded = SaveScene(*m_document);
    CScenario &scenario = m_manager->GetScenario();
    const auto keys = [&] {
        const int track = scenario.FindTrack(&transform->m_translation);
        return track < 0 ? std::string("none") : Keys(*scenario.GetTrack(track));
    };
    ASSERT_EQ(keys(), "0:(0,0,0) 10:(20,0,0) ");
    const std::string steps[] = {"0:(0,0,0) 10:(10,0,0) ", "0:(0,0,0) 10:(10,0,0) ", "0:(0,0,0) ",
                                 "0:(0,0,0) ", "none"};
    for (const std::string &expected : steps) {
        m_document->Undo();
        EXPECT_EQ(keys(), expected);
    }
    EXPECT_EQ(scenario.GetTracksCount(), 1) << "the tracks the first recording made are gone";
    EXPECT_EQ(SaveScene(*m_document), empty);
    for (int i = 0; i < 5; ++i)
        m_document->Redo();
    EXPECT_EQ(keys(), "0:(0,0,0) 10:(20,0,0) ");
    EXPECT_EQ(SaveScene(*m_document), recorded);
}

TEST_F(SgAnimationMngrTest, ScenarioIsWrittenReadBackAndPlaysTheSameValues)
{
    SgObject *object = AddSelectedObject(0);
    SgTransform *transform = object->GetTransform(false);
    m_manager->Record(0);
    transform->m_translation = Vec3(4, 2, 0);
    transform->m_scaleFactor = Vec3(2, 2, 2);
    m_manager->Record(10);
    const std::string text = SaveScene(*m_document);
    ASSERT_NE(text.find("\nScenario {\nTrack { "), std::string::npos) << text;
    EXPECT_NE(text.find(" m_TrajectoryParam \n0 0\n100 1\n}\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" translation \n0 (0,0,0)\n10 (4,2,0)\n}\n"), std::string::npos) << text;

    DocumentPtr copy(SgDocument::Create());
    const std::string messages = ReadScene(*copy, text);
    EXPECT_EQ(messages.find("Scenario"), std::string::npos) << messages;
    SgAnimationMngr *read = copy->GetAnimationMngr();
    ASSERT_EQ(read->GetScenario().GetTracksCount(), 3) << "the trajectory, the translation and the scale";
    EXPECT_EQ(Keys(*read->GetScenario().GetTrack(0)), "0:0 100:1 ") << "the trajectory keys join track 0";

    for (double t : {0.0, 2.5, 7.0, 10.0}) {
        m_manager->Play(t);
        read->Play(t);
        for (int i = 1; i < 3; ++i) {
            SgField *field = read->GetScenario().GetTrack(i)->GetField();
            SgField *original = transform->GetFieldAddressByName(field->GetFieldName());
            ASSERT_NE(original, nullptr);
            EXPECT_TRUE(field->Compare(field, original)) << field->GetFieldName() << " differs at " << t;
        }
    }
    // The scene tracks, past the trajectory (which names each manager's own id).
    auto sceneTracks = [](const std::string &saved) { return saved.substr(saved.find("}\nTrack { ")); };
    const std::string again = SaveScene(*copy);
    ASSERT_NE(again.find("}\nTrack { "), std::string::npos) << again;
    EXPECT_EQ(sceneTracks(again), sceneTracks(text)) << "the scene tracks should survive a second round trip";
}

TEST_F(SgAnimationMngrTest, TrackWithTwoEqualKeysIsNotWritten)
{
    SgObject *object = AddSelectedObject(3);
    CScenario &scenario = m_manager->GetScenario();
    scenario.AddRecordItem(&object->GetTransform(false)->m_translation, 0, true);
    scenario.AddRecordItem(&object->GetTransform(false)->m_translation, 10, true);
    ASSERT_EQ(scenario.GetTracksCount(), 2);
    const std::string text = SaveScene(*m_document);
    EXPECT_NE(text.find("m_TrajectoryParam"), std::string::npos) << text;
    EXPECT_EQ(text.find(" translation \n"), std::string::npos) << text;
}

TEST_F(SgAnimationMngrTest, ReadingStopsAtAnUnknownTrackAndTheSceneReadGoesOn)
{
    const std::string text = std::string(Vrml1Format::kHeaderPrefix) +
                             "102\n"
                             "DEF 7_7 Transform {\n translation 1 0 0\n}\n"
                             "Scenario {\n"
                             "Track { 7_7 translation \n0 1 0 0\n10 5 0 0\n}\n"
                             "Track { 9_9 translation \n0 1 0 0\n10 5 0 0\n}\n"
                             "Track { 7_7 scaleFactor \n0 1 1 1\n10 3 3 3\n}\n"
                             "}\n"
                             "Info {\n}\n";
    const std::string messages = ReadScene(*m_document, text);
    EXPECT_NE(messages.find("9_9"), std::string::npos) << "the unknown node should be reported: " << messages;
    CScenario &scenario = m_manager->GetScenario();
    ASSERT_EQ(scenario.GetTracksCount(), 2) << "the tracks after the unknown one should not be read";
    EXPECT_EQ(std::string(scenario.GetTrack(1)->GetField()->GetFieldName()), "translation");
    bool infoRead = false;
    for (SgNode *child : m_document->GetNodara()->GetChildList())
        infoRead = infoRead || std::string(child->GetClassName()) == "SgInfo";
    EXPECT_TRUE(infoRead) << "the scene after the scenario block should still be read";
}

// Keys come in time order from a file: reading them takes work in
// proportion to their number (a search through the keys read so far for
// each new one made 80,000 keys take seconds). The work is counted in key
// comparisons; a walk per key would make billions of them.
namespace {

// A scene of one transform whose translation track has a key at each of the
// times, in the order given, alternating between two values.
std::string TrackText(const std::vector<int> &times)
{
    std::string text = std::string(Vrml1Format::kHeaderPrefix) +
                       "102\nDEF 7_7 Transform {\n translation 1 0 0\n}\nScenario {\nTrack { 7_7 translation \n";
    for (int i : times)
        text += std::to_string(i) + (i % 2 ? " 1 0 0\n" : " 0 1 0\n");
    return text + "}\n}\n";
}

} // namespace

TEST_F(SgAnimationMngrTest, LongTrackReadsInTimeInProportionToItsKeys)
{
    constexpr int kKeys = 80000;
    std::vector<int> times(kKeys);
    for (int i = 0; i < kKeys; ++i)
        times[static_cast<size_t>(i)] = i;
    const std::string text = TrackText(times);
    const std::string messages = ReadScene(*m_document, text);
    CScenario &scenario = m_manager->GetScenario();
    ASSERT_EQ(scenario.GetTracksCount(), 2) << messages;
    EXPECT_EQ(scenario.GetTrack(1)->GetKeyCount(), kKeys);
    EXPECT_LE(scenario.GetTrack(1)->GetKeyComparisons(), std::uint64_t(2 * kKeys))
        << "keys in time order each go after the last one";
}

// Keys written out of time order (by another program, or by hand) are put in
// place by a search that does not walk the keys read before them.
TEST_F(SgAnimationMngrTest, ShuffledTrackReadsInTimeCloseToItsKeysAndComesOutInOrder)
{
    constexpr int kKeys = 80000;
    std::vector<int> order(kKeys);
    for (int i = 0; i < kKeys; ++i)
        order[static_cast<size_t>(i)] = i;
    // A fixed shuffle, the same in every run.
    unsigned state = 12345;
    for (int i = kKeys - 1; i > 0; --i) {
        state = state * 1103515245u + 12345u;
        std::swap(order[static_cast<size_t>(i)], order[(state >> 8) % static_cast<unsigned>(i + 1)]);
    }
    const std::string text = TrackText(order);
    const std::string messages = ReadScene(*m_document, text);
    CScenario &scenario = m_manager->GetScenario();
    ASSERT_EQ(scenario.GetTracksCount(), 2) << messages;
    const CAnimationTrack &track = *scenario.GetTrack(1);
    EXPECT_EQ(track.GetKeyCount(), kKeys);
    double last = -1;
    bool ordered = true;
    for (const auto &key : track.GetKeys()) {
        ordered = ordered && key->GetTime() > last;
        last = key->GetTime();
    }
    EXPECT_TRUE(ordered) << "the keys are not in time order";
    // A balanced search: about log2(80,000) = 17 comparisons for each key
    // placed, a few more for the tree's own rebalancing walk.
    EXPECT_LE(track.GetKeyComparisons(), std::uint64_t(kKeys) * 40)
        << "each key is placed by a search, not a walk";
}

// Keys at a time the track already has are merged into one (the last read
// wins) with one message for the whole track naming its line.
TEST_F(SgAnimationMngrTest, KeysAtOneTimeAreMergedWithOneMessage)
{
    std::vector<int> times(5000, 7);
    times.push_back(8);
    times.push_back(7);
    const std::string messages = ReadScene(*m_document, TrackText(times));
    CScenario &scenario = m_manager->GetScenario();
    ASSERT_EQ(scenario.GetTracksCount(), 2) << messages;
    EXPECT_EQ(Keys(*scenario.GetTrack(1)), "7:(1,0,0) 8:(0,1,0) ");
    EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
    EXPECT_NE(messages.find("scenario.kvrx:6: "), std::string::npos) << messages;
    EXPECT_NE(messages.find(" 5000 "), std::string::npos) << "the message counts the merged keys: " << messages;
}

TEST_F(SgAnimationMngrTest, BlockCutOffInsideATrackKeepsTheKeysRead)
{
    const std::string text = std::string(Vrml1Format::kHeaderPrefix) +
                             "102\n"
                             "DEF 7_7 Transform {\n translation 1 0 0\n}\n"
                             "Scenario {\n"
                             "Track { 7_7 translation \n0 1 0 0\n10 5 0 0\n";
    std::istringstream in(text);
    Vrml1InStream stream(in, "cut.kvrx", m_document.get());
    stream.SetNotifyUser(false);
    SgOpenAction::ReadScene(stream, *m_document->GetNodara());
    CScenario &scenario = m_manager->GetScenario();
    ASSERT_EQ(scenario.GetTracksCount(), 2) << stream.FormatMessages();
    EXPECT_EQ(Keys(*scenario.GetTrack(1)), "0:(1,0,0) 10:(5,0,0) ");
}

} // namespace
