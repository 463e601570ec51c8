// Several panels, dialogs and a control listen to one document at once: each
// hears every event of the kinds it subscribed to, with its own context, until
// its token goes.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/core/SgSeparator.h"
#include "engine/document/SgDocument.h"
#include "engine/handlers/SgSelectionHandler.h"
#include "engine/nodes/object/SgObject.h"
#include "engine/nodes/properties/SgMaterial.h"
#include "platform/SgDiagHandler.h"

namespace {

// A listener's log: what it heard, tagged with the context it was given.
struct Heard {
    std::vector<std::string> events;
};

void Record(const SgDocumentEvent &event, void *context)
{
    auto &heard = *static_cast<Heard *>(context);
    std::string text = std::to_string(static_cast<int>(event.kind));
    if (event.kind == SgDocumentEventKind::kSceneChanged)
        text += event.node ? ":" + event.node->GetName() : std::string(":scene");
    heard.events.push_back(text);
}

class SgDocumentEventsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_document.reset(SgDocument::Create());
        ASSERT_NE(m_document, nullptr);
    }
    SgObject *AddObject(const char *name)
    {
        auto *object = new SgObject;
        object->SetName(name);
        m_document->GetRoot()->AddChild(object);
        return object;
    }
    int SelectionEvents(const Heard &heard) const
    {
        int count = 0;
        for (const std::string &event : heard.events)
            count += event == std::to_string(static_cast<int>(SgDocumentEventKind::kSelectionChanged));
        return count;
    }

    std::unique_ptr<SgDocument> m_document;
};

TEST_F(SgDocumentEventsTest, EveryListenerHearsTheSelectionOncePerChange)
{
    SgObject *a = AddObject("a");
    SgObject *b = AddObject("b");
    Heard tree, dialog;
    SgDocumentSubscription treeToken = m_document->Subscribe(SgDocumentEventKind::kSelectionChanged, &Record, &tree);
    SgDocumentSubscription dialogToken =
        m_document->Subscribe(SgDocumentEventKind::kSelectionChanged, &Record, &dialog);
    SgSelectionHandler *handler = m_document->GetSelectionHandler();
    handler->SetPolicy(SgSelectionHandler::kReplace);

    handler->Select(a, 1);
    EXPECT_EQ(SelectionEvents(tree), 1);
    EXPECT_EQ(SelectionEvents(dialog), 1);
    // Replacing a selection deselects and selects: one change for the listeners.
    handler->Select(b, 1);
    EXPECT_EQ(SelectionEvents(tree), 2);
    EXPECT_EQ(SelectionEvents(dialog), 2);
    // Selecting what is selected already changes nothing.
    handler->Select(b, 0);
    EXPECT_EQ(SelectionEvents(tree), 2);
    m_document->DeselectAll();
    EXPECT_EQ(SelectionEvents(tree), 3);
    m_document->DeselectAll();
    EXPECT_EQ(SelectionEvents(tree), 3) << "deselecting an empty selection is no change";
}

TEST_F(SgDocumentEventsTest, ADroppedTokenHearsNoMore)
{
    SgObject *a = AddObject("a");
    Heard kept, dropped;
    SgDocumentSubscription keptToken = m_document->Subscribe(SgDocumentEventKind::kSelectionChanged, &Record, &kept);
    {
        SgDocumentSubscription droppedToken =
            m_document->Subscribe(SgDocumentEventKind::kSelectionChanged, &Record, &dropped);
        EXPECT_TRUE(droppedToken.IsActive());
        EXPECT_EQ(m_document->GetEvents().GetListenerCount(SgDocumentEventKind::kSelectionChanged), 2);
    }
    EXPECT_EQ(m_document->GetEvents().GetListenerCount(SgDocumentEventKind::kSelectionChanged), 1);
    m_document->GetSelectionHandler()->Select(a, 0);
    EXPECT_EQ(SelectionEvents(kept), 1);
    EXPECT_TRUE(dropped.events.empty());

    // A moved token keeps listening; the moved-from one unsubscribes nothing.
    SgDocumentSubscription moved = std::move(keptToken);
    keptToken.Reset();
    m_document->DeselectAll();
    EXPECT_EQ(SelectionEvents(kept), 2);
}

TEST_F(SgDocumentEventsTest, ATokenMayOutliveItsDocument)
{
    Heard heard;
    SgDocumentSubscription token = m_document->Subscribe(SgDocumentEventKind::kSceneChanged, &Record, &heard);
    m_document.reset();
    EXPECT_FALSE(token.IsActive());
    token.Reset();
}

TEST_F(SgDocumentEventsTest, AListenerMayUnsubscribeAnotherWhileTheEventIsHeard)
{
    Heard second;
    SgDocumentSubscription secondToken;
    int firstCalls = 0;
    SgDocumentSubscription first = m_document->Subscribe(SgDocumentEventKind::kToolStarted,
                                                         [&](const SgDocumentEvent &) {
                                                             ++firstCalls;
                                                             secondToken.Reset();
                                                         });
    secondToken = m_document->Subscribe(SgDocumentEventKind::kToolStarted, &Record, &second);
    m_document->NotifyTool(0, 0, nullptr);
    EXPECT_EQ(firstCalls, 1);
    EXPECT_TRUE(second.events.empty()) << "a listener taken off during the round is not called";
}

TEST_F(SgDocumentEventsTest, AFailingListenerIsReportedAndTheOthersStillHear)
{
    SgDiagCapture capture;
    Heard heard;
    SgDocumentSubscription failing = m_document->Subscribe(
        SgDocumentEventKind::kToolFinished, [](const SgDocumentEvent &) { throw std::runtime_error("panel gone"); });
    SgDocumentSubscription token = m_document->Subscribe(SgDocumentEventKind::kToolFinished, &Record, &heard);
    EXPECT_NO_THROW(m_document->NotifyTool(1, 0, nullptr));
    EXPECT_EQ(heard.events.size(), 1u);
    EXPECT_TRUE(capture.Contains("panel gone")) << capture.GetText();
}

TEST_F(SgDocumentEventsTest, SceneChangesNameTheAddedNode)
{
    SgObject *a = AddObject("a");
    Heard heard;
    SgDocumentSubscription token = m_document->Subscribe(SgDocumentEventKind::kSceneChanged, &Record, &heard);
    auto *material = new SgMaterial;
    material->SetName("paint");
    a->AddChild(material);
    ASSERT_FALSE(heard.events.empty());
    EXPECT_EQ(heard.events.back(), std::to_string(static_cast<int>(SgDocumentEventKind::kSceneChanged)) + ":paint");
    m_document->ClearScene(true);
    EXPECT_EQ(heard.events.back(), std::to_string(static_cast<int>(SgDocumentEventKind::kSceneChanged)) + ":scene");
}

// The single callbacks of the owner are listeners among others: setting one
// neither silences the subscribers nor is silenced by them.
SgDocument *g_editedIn = nullptr;
int g_editValues = 0;
int g_started = 0;
void OnFieldEdit(SgDocument *document, const double *, int valueCount, int, int, SgField *const *, int, int)
{
    g_editedIn = document;
    g_editValues = valueCount;
}

TEST_F(SgDocumentEventsTest, SingleCallbacksAndSubscribersHearTogether)
{
    g_editedIn = nullptr;
    g_editValues = 0;
    g_started = 0;
    Heard panel;
    SgDocumentSubscription edits = m_document->Subscribe(SgDocumentEventKind::kFieldEdited, &Record, &panel);
    SgDocumentSubscription starts = m_document->Subscribe(SgDocumentEventKind::kToolStarted, &Record, &panel);
    m_document->SetFieldEditCallback(&OnFieldEdit);
    m_document->SetToolNotify(0, [](SgDocument *, int, void *) { ++g_started; });

    const double values[3] = {1, 2, 3};
    m_document->ReportFieldEdit(values, 3, SgDocument::kEditFieldValue, 0, nullptr);
    m_document->NotifyTool(0, 0, nullptr);
    EXPECT_EQ(g_editedIn, m_document.get());
    EXPECT_EQ(g_editValues, 3);
    EXPECT_EQ(g_started, 1);
    EXPECT_EQ(panel.events.size(), 2u);

    // Setting the callback again replaces the callback, not the panel.
    m_document->SetFieldEditCallback(nullptr);
    m_document->ReportFieldEdit(values, 2, SgDocument::kEditFieldValue, 0, nullptr);
    EXPECT_EQ(g_editValues, 3);
    EXPECT_EQ(panel.events.size(), 3u);
    // The finish slot is a separate kind: the start listener does not hear it.
    m_document->NotifyTool(1, 0, nullptr);
    EXPECT_EQ(g_started, 1);
    EXPECT_EQ(panel.events.size(), 3u);
}

} // namespace
