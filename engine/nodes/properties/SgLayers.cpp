#include "engine/nodes/properties/SgLayers.h"

#include "engine/core/SgAction.h"
#include "engine/core/SgElementClasses.h"
#include "platform/SgError.h"

SG_CLASS_SOURCE(SgLayers, SgNode, SgFieldMngr, "SgLayers")

SgLayers::SgLayers()
{
    AddField(m_names, "names", std::string("Layer0"));
    AddField(m_flags, "flags", 0);
}

void SgLayers::DoAction(SgAction *action)
{
    if (!m_flags.IsIgnored())
        LayerFlagsElement::Set(action->GetState(), this, &m_flags);
}

void SgLayers::IndexNames() const
{
    if (m_indexedEdits == m_names.GetEditCount())
        return;
    m_index.clear();
    const auto &names = m_names.GetValues();
    for (size_t i = 0; i < names.size(); ++i)
        m_index.emplace(names[i], int(i)); // the first of equal names stays
    m_namesRead += names.size();
    m_indexedEdits = m_names.GetEditCount();
}

int SgLayers::FindLayer(const std::string &name) const
{
    IndexNames();
    const auto found = m_index.find(name);
    return found == m_index.end() ? -1 : found->second;
}

int SgLayers::AddLayer(const std::string &name)
{
    const int existing = FindLayer(name);
    if (existing >= 0)
        return existing;
    const std::uint64_t edits = m_names.GetEditCount();
    const int index = m_names.AddVal(name);
    // The append alone keeps the index current by one entry; anything else
    // done meanwhile (a listener editing the names) has it built again.
    if (m_names.GetEditCount() == edits + 1 && index == GetLayerCount() - 1) {
        m_index.emplace(name, index);
        m_indexedEdits = m_names.GetEditCount();
    }
    // Stored by index: a table read from a file may carry fewer flags than
    // names, and the new layer's flags must still land at its own index.
    m_flags.SetValue(index, 0);
    return index;
}

bool SgLayers::DeleteLayer(int index)
{
    if (index < 0 || index >= GetLayerCount())
        return false;
    m_names.Delete(index);
    if (index < m_flags.GetCount())
        m_flags.Delete(index);
    return true;
}

namespace {

void CheckLayer(int index, int count)
{
    if (index < 0 || index >= count)
        throw SgInvalidArgument("layer " + std::to_string(index) + " outside 0.." + std::to_string(count - 1));
}

} // namespace

const std::string &SgLayers::GetLayerName(int index)
{
    CheckLayer(index, GetLayerCount());
    return m_names.GetValue(index);
}

int SgLayers::GetLayerFlags(int index)
{
    CheckLayer(index, GetLayerCount());
    // A layer without a flags entry (a short table from a file) has none set.
    return index < m_flags.GetCount() ? m_flags.GetValue(index) : 0;
}

void SgLayers::SetLayerName(int index, const std::string &name)
{
    CheckLayer(index, GetLayerCount());
    m_names.SetValue(index, name);
}

void SgLayers::SetLayerFlags(int index, int flags)
{
    CheckLayer(index, GetLayerCount());
    m_flags.SetValue(index, flags);
}

void SgLayers::SetLayerFlag(int index, int bits, bool on)
{
    const int flags = GetLayerFlags(index) & ~bits;
    SetLayerFlags(index, on ? (flags | bits) : flags);
}
