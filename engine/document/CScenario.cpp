#include "engine/document/CScenario.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <sstream>
#include <string>

#include "engine/core/SgApplyAction.h"
#include "engine/core/SgKeyPoint.h"
#include "engine/core/SgSceneText.h"
#include "engine/actions/SgSaveAction.h"
#include "engine/actions/Vrml1InStream.h"
#include "engine/actions/Vrml1Stream.h"
#include "engine/core/SgField.h"
#include "engine/core/SgFieldMngr.h"
#include "engine/core/SgNode.h"
#include "engine/core/SgRef.h"
#include "engine/document/SgDocument.h"
#include "engine/document/SgUndoInfo.h"
#include "platform/SgDiagnostics.h"
#include "platform/SgError.h"

namespace {

// The whole value: an array field's every element, else its one value.
int WholeIndex(const SgField *field)
{
    return field->IsVector() ? -1 : 0;
}

// `to` takes `from`'s value as one ordinary change of `to`.
void AssignValue(SgField *to, SgField *from)
{
    to->SetValuePtr(from->GetValuePtr(WholeIndex(from), true), -1, true, false);
}

const char *const kCaption = "Scenario";

// Consumes the text up to where `depth` open braces are closed; quoted texts
// and comments are passed over whole. False when the text ends first.
bool SkipToBlockEnd(Vrml1InStream &stream, int depth)
{
    bool quoted = false;
    while (depth > 0) {
        const int c = stream.Get();
        if (c == EOF)
            return false;
        if (quoted) {
            if (c == '\\' && (stream.Peek() == '"' || stream.Peek() == '\\'))
                stream.Get();
            else
                quoted = c != '"';
            continue;
        }
        if (c == '"')
            quoted = true;
        else if (c == SgSceneText::kComment)
            stream.SkipLine();
        else if (c == '{')
            ++depth;
        else if (c == '}')
            --depth;
    }
    return true;
}

// Whether the next word is "}"; it is taken when it is.
bool TakeClosingBrace(Vrml1InStream &stream)
{
    if (stream.PeekNonBlank() != '}')
        return false;
    stream.Get();
    return true;
}

struct RecordData {
    CScenario *scenario;
};

void RecordVisit(SgAction *, SgNode *node, void *data)
{
    CScenario &scenario = *static_cast<RecordData *>(data)->scenario;
    const int count = node->GetFieldsCount();
    for (int i = 0; i < count; ++i) {
        SgField *field = node->GetFieldAddress(i);
        // A field that a dataflow source drives follows its source, not keys.
        if (field && !field->GetModuleSource())
            scenario.AddRecordItem(field, scenario.GetCurrentKFTime(), false);
    }
}

} // namespace

// ---- CRecordItem --------------------------------------------------------------------

CRecordItem::CRecordItem(std::unique_ptr<SgField> value, double time) : m_pValue(std::move(value)), m_dTime(time) {}

CRecordItem::~CRecordItem() = default;

// ---- CAnimationTrack ----------------------------------------------------------------

CAnimationTrack::CAnimationTrack(SgField *field, bool keepOwner) : m_pField(field)
{
    SgFieldMngr *owner = field ? field->GetContainer() : nullptr;
    // An uncounted container (never owned) would be freed by the reference
    // let go; it is named without one.
    if (keepOwner && owner && owner->GetRefCount() > 0)
        m_owner = owner;
}

CAnimationTrack::~CAnimationTrack()
{
    // Keys go before the reference on the field's owner.
    m_keys.clear();
}

std::unique_ptr<SgField> CAnimationTrack::CopyValue(SgField &field)
{
    std::unique_ptr<SgField> value(SgField::Create(field.GetClassID()));
    if (!value)
        return nullptr;
    const int index = WholeIndex(&field);
    value->SetValuePtr(field.GetValuePtr(index, true), index, false, true);
    return value;
}

std::unique_ptr<SgField> CAnimationTrack::CopyKey(double time) const
{
    const auto it = m_keys.find(time);
    return it == m_keys.end() ? nullptr : CopyValue(*(*it)->GetValue());
}

void CAnimationTrack::PutKey(double time, SgField *value)
{
    const auto it = m_keys.find(time);
    if (it != m_keys.end())
        m_keys.erase(it);
    if (!value)
        return;
    if (std::unique_ptr<SgField> copy = CopyValue(*value))
        m_keys.insert(std::make_unique<CRecordItem>(std::move(copy), time));
}

bool CAnimationTrack::Blend(const CRecordItem &a, const CRecordItem &b, double time, SgField *out)
{
    const double s = (time - a.GetTime()) / (b.GetTime() - a.GetTime());
    try {
        a.GetValue()->Interpolate(a.GetValue(), b.GetValue(), s, out);
    } catch (const SgError &) {
        // Arrays of different sizes have no value in between.
        return false;
    }
    return true;
}

bool CAnimationTrack::AddKey(double time, bool force)
{
    if (!m_pField || m_pField->IsOutputOnly())
        return false;
    std::unique_ptr<SgField> value = CopyValue(*m_pField);
    if (!value)
        return false;
    SgField *added = value.get();
    auto key = std::make_unique<CRecordItem>(std::move(value), time);

    // Keys read from a file or recorded mostly come in time order: a key
    // after the last one needs no search.
    if (m_keys.empty() || (*m_keys.rbegin())->GetTime() < time) {
        if (!force && !m_keys.empty() && added->Compare((*m_keys.rbegin())->GetValue(), added))
            return false;
        m_keys.insert(m_keys.end(), std::move(key));
        return true;
    }
    const auto it = m_keys.lower_bound(time);
    if ((*it)->GetTime() == time) {
        auto node = m_keys.extract(it);
        node.value() = std::move(key);
        m_keys.insert(std::move(node));
        return true;
    }
    if (!force && it != m_keys.begin()) {
        // A key on the straight line between its neighbours adds nothing.
        std::unique_ptr<SgField> between(SgField::Create(m_pField->GetClassID()));
        if (between && Blend(**std::prev(it), **it, time, between.get()) && added->Compare(between.get(), added))
            return false;
    }
    m_keys.insert(it, std::move(key));
    return true;
}

bool CAnimationTrack::ValueAt(double time, SgField *out) const
{
    if (m_keys.size() < 2 || !out)
        return false;
    const auto b = m_keys.lower_bound(time);
    if (b == m_keys.end())
        return false;
    // At a key its own value, exactly.
    if ((*b)->GetTime() == time) {
        AssignValue(out, (*b)->GetValue());
        return true;
    }
    if (b == m_keys.begin())
        return false;
    const auto a = std::prev(b);
    if (!Blend(**a, **b, time, out))
        AssignValue(out, (*a)->GetValue());
    return true;
}

void CAnimationTrack::Play(double time)
{
    ValueAt(time, m_pField);
}

// ---- CScenario ----------------------------------------------------------------------

CScenario::~CScenario()
{
    Clear(false);
}

void CScenario::AddRecordItem(SgField *field, double time, bool force)
{
    if (!field || field->IsOutputOnly())
        return;
    SgDocument *document = m_undoDocument ? m_undoDocument() : nullptr;
    const bool recording = document && document->IsUndoRecording();
    SgFieldMngr *container = field->GetContainer();
    const bool wasMarked = container && container->IsConnected();
    std::shared_ptr<SgField> before;
    const int index = FindTrack(field);
    CAnimationTrack *track = nullptr;
    bool changed = false;
    if (index >= 0) {
        track = m_tracks[index].get();
        if (recording)
            before = track->CopyKey(time);
        changed = track->AddKey(time, force);
    } else {
        auto created = std::make_unique<CAnimationTrack>(field, container != m_pOwner);
        if (!created->AddKey(time, force))
            return;
        track = created.get();
        m_tracks.push_back(std::move(created));
        changed = true;
    }
    // Marked so that the writer names the node: the scenario refers to it by that name.
    if (track->GetKeyCount() > 1 && container)
        container->SetConnected(true);
    if (recording && changed)
        RecordKeyChange(field, time, std::move(before), !wasMarked && container && container->IsConnected());
}

void CScenario::RecordKeyChange(SgField *field, double time, std::shared_ptr<SgField> before, bool marked)
{
    // The records hold the owner, and with it this scenario, and the field's
    // node; an owner whose life nobody counts could leave them naming a freed
    // scenario.
    if (!m_pOwner || m_pOwner->GetRefCount() == 0)
        return;
    // Nor can they keep a node alive whose life nobody counts yet.
    SgFieldMngr *container = field->GetContainer();
    if (container && container->GetRefCount() == 0)
        return;
    const int index = FindTrack(field);
    std::shared_ptr<SgField> after(index >= 0 ? m_tracks[static_cast<size_t>(index)]->CopyKey(time) : nullptr);
    SgRef<SgFieldMngr> owner(m_pOwner);
    CScenario *scenario = this;
    SgDocument *document = m_undoDocument();
    document->AddUndoInfo(new SgUndoInfo(container ? container : m_pOwner, [=](bool forward) {
        (void)owner;
        scenario->PutKey(field, time, forward ? after.get() : before.get());
        if (marked)
            container->SetConnected(forward);
    }));
}

void CScenario::PutKey(SgField *field, double time, SgField *value)
{
    const int index = FindTrack(field);
    if (index < 0) {
        if (!value)
            return;
        m_tracks.push_back(std::make_unique<CAnimationTrack>(field, field->GetContainer() != m_pOwner));
        m_tracks.back()->PutKey(time, value);
        return;
    }
    CAnimationTrack &track = *m_tracks[static_cast<size_t>(index)];
    track.PutKey(time, value);
    // The owner's own track stays even when empty.
    if (track.GetKeyCount() == 0 && field->GetContainer() != m_pOwner)
        m_tracks.erase(m_tracks.begin() + index);
}

int CScenario::FindTrack(const SgField *field) const
{
    for (size_t i = 0; i < m_tracks.size(); ++i) {
        if (m_tracks[i]->GetField() == field)
            return static_cast<int>(i);
    }
    return -1;
}

CAnimationTrack *CScenario::GetTrack(int index) const
{
    if (index < 0 || index >= GetTracksCount())
        throw SgInvalidArgument("animation track " + std::to_string(index) + " outside 0.." +
                                std::to_string(GetTracksCount() - 1));
    return m_tracks[index].get();
}

void CScenario::Clear(bool keepFirst)
{
    const size_t kept = keepFirst ? std::min<size_t>(1, m_tracks.size()) : 0;
    m_tracks.erase(m_tracks.begin() + static_cast<std::ptrdiff_t>(kept), m_tracks.end());
}

double CScenario::GetFrameTime(double t, int direction) const
{
    const int d = direction == 1 ? 1 : -1;
    auto search = [&](double from) {
        double best = kNoKey;
        for (const auto &track : m_tracks) {
            const auto &keys = track->GetKeys();
            auto consider = [&](const std::unique_ptr<CRecordItem> &key) {
                if (key->GetTime() * d > d * from) {
                    best = std::min(best, key->GetTime() * d);
                    return true;
                }
                return false;
            };
            if (d == 1) {
                for (auto it = keys.begin(); it != keys.end() && !consider(*it); ++it) {
                }
            } else {
                for (auto it = keys.rbegin(); it != keys.rend() && !consider(*it); ++it) {
                }
            }
        }
        return best;
    };
    double best = search(t);
    if (best >= kNoKey)
        best = search(d == 1 ? kFirstRestart : kLastRestart);
    // Without any key there is nowhere to step to.
    return best < kNoKey ? d * best : t;
}

void CScenario::Play(double t)
{
    for (const auto &track : m_tracks)
        track->Play(t);
}

void CScenario::Record(double t, SgNode *node)
{
    m_dCurrentKFTime = t;
    if (!node)
        return;
    RecordData data{this};
    SgApplyAction apply(&RecordVisit, &data);
    // The parameters of procedural shapes are recorded like any other field.
    apply.m_bVisitShapeSeparators = true;
    apply.Apply(node);
}

// ---- Scenario text ------------------------------------------------------------------

void CScenario::Write(SgSaveAction &action)
{
    Vrml1Stream *stream = action.GetStream();
    if (!stream || m_tracks.size() < 2)
        return;
    std::ostream &out = stream->getStream();
    out << "\nScenario {\n";
    for (const auto &track : m_tracks) {
        const auto &keys = track->GetKeys();
        SgField *field = track->GetField();
        if (keys.size() < 2)
            continue;
        if (keys.size() == 2 && field->Compare((*keys.begin())->GetValue(), (*keys.rbegin())->GetValue()))
            continue;
        SgFieldMngr *container = field->GetContainer();
        const char *name = field->GetFieldName();
        if (!container || !name)
            continue;
        NodeID id;
        if (container == m_pOwner) {
            id = container->GetAssignID();
        } else {
            // Only a node this write gave a name can be found by a reader.
            if (!container->IsNode())
                continue;
            id = action.GetWrittenID(static_cast<SgNode *>(container));
            if (id.IsNull())
                continue;
        }
        // Built aside, so that a value without a text form costs its track
        // and never leaves half a track in the file.
        std::ostringstream text;
        Vrml1Stream trackStream(text);
        try {
            trackStream << "Track { " << id << " " << name << " \n";
            for (const auto &key : keys) {
                trackStream << key->GetTime() << " ";
                key->GetValue()->WriteToStream(text, 0, -1);
                trackStream << "\n";
            }
            trackStream << "}\n";
        } catch (const SgError &error) {
            SgDiagError("Scenario", "Scenario: the track of %s is not written: %s", name, error.what());
            continue;
        }
        out << text.str();
    }
    out << "}\n";
}

void CScenario::Read(Vrml1InStream &stream, SgFieldMngr *owner)
{
    // Keys read are loaded, not edited: they make no undo records.
    SgUndoRecordingPause loading(m_undoDocument ? m_undoDocument() : nullptr);
    std::string word;
    // The opening brace, taken as it is.
    if (!stream.ReadWord(word) || word == "}")
        return;
    int depth = 1;
    auto stop = [&](const std::string &text) {
        stream.Report(text + " (the rest of the Scenario section is skipped)", kCaption);
        if (!SkipToBlockEnd(stream, depth))
            stream.Report("The file ends inside the Scenario section", kCaption);
    };
    while (stream.ReadWord(word)) {
        if (word == "}")
            return;
        if (word != "Track")
            continue;
        std::string brace, id, fieldName;
        if (!stream.ReadWord(brace) || !stream.ReadWord(id) || !stream.ReadWord(fieldName)) {
            stream.Report("The file ends inside a Track of the Scenario section", kCaption);
            return;
        }
        depth = 2;
        SgFieldMngr *container = stream.FindName(id);
        if (!container && fieldName == "m_TrajectoryParam")
            container = owner;
        if (!container) {
            stop("A Track names the node " + id + " that the file does not hold");
            return;
        }
        SgField *field = container->GetFieldAddressByName(fieldName.c_str());
        if (!field) {
            stop("A Track names the field " + fieldName + " that its node does not have");
            return;
        }
        std::istream &in = *stream.m_pStream;
        const long long trackLine = stream.GetLine();
        const int trackIndex = FindTrack(field);
        const int keysBefore = trackIndex >= 0 ? m_tracks[static_cast<size_t>(trackIndex)]->GetKeyCount() : 0;
        long long keysRead = 0;
        // Keys at a time the track has already are merged into one; the
        // track says so once, not once per key.
        auto reportMerged = [&] {
            const int index = FindTrack(field);
            const long long kept = index >= 0 ? m_tracks[static_cast<size_t>(index)]->GetKeyCount() - keysBefore : 0;
            if (keysRead > kept)
                stream.ReportAtLine("The Track of " + fieldName + " gives " + std::to_string(keysRead - kept) +
                                        " keys at times it has already; each time keeps the last of its keys",
                                    kCaption, trackLine, false);
        };
        while (!TakeClosingBrace(stream)) {
            if (stream.PeekNonBlank() == EOF) {
                stream.Report("The file ends inside a Track of the Scenario section", kCaption);
                return;
            }
            double time = 0.0;
            in >> time;
            if (in.fail()) {
                in.clear();
                stop("A key of the Track of " + fieldName + " has no time");
                return;
            }
            field->ReadFromStream(in, false);
            if (in.fail()) {
                in.clear();
                stop("A key of the Track of " + fieldName + " has no value");
                return;
            }
            AddRecordItem(field, time, true);
            ++keysRead;
        }
        reportMerged();
        depth = 1;
    }
}
