#pragma once
// The document's layer table: entry i of "names" and of "flags" describe
// layer i, and an object's "layer" field indexes them. Traversed, it puts
// the flags into the state, so that objects on a hidden layer are neither
// drawn nor picked. Every change goes through the two fields, so it is
// undoable and saved with the scene.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "engine/core/SgNode.h"
#include "engine/core/SgVecField.h"
#include "engine/core/NodaraExport.h"

class SgAction;

class NODARA_API SgLayers : public SgNode {
    SG_CLASS_HEADER(SgLayers, SgFieldMngr)

    // Bits of a layer's flags.
    enum Flag { kHidden = 1, kExpanded = 4 };

    SgLayers();

    void DoAction(SgAction *action) override;
    bool IsPropertyNode() const override { return true; }

    int GetLayerCount() const { return m_names.GetCount(); }
    // The index of the first layer of exactly that name (case counts), -1
    // when none. Answered from an index of the names, kept current by the
    // names field's edit count (the field changes through paths that send no
    // notice: file reading, undo, quiet and module edits).
    int FindLayer(const std::string &name) const;
    // How many names the lookups have read so far (index builds included):
    // the work adding layers costs, which stays linear in the layers added.
    std::size_t GetNamesRead() const { return m_namesRead; }
    // The index of the layer of that name; a new name is appended with flags 0.
    int AddLayer(const std::string &name);
    // Removes the name and the flags of one layer; false when out of range.
    bool DeleteLayer(int index);

    // Layer queries and edits by index; an index outside the table raises
    // SgInvalidArgument.
    const std::string &GetLayerName(int index);
    int GetLayerFlags(int index);
    void SetLayerName(int index, const std::string &name);
    void SetLayerFlags(int index, int flags);
    // Clears `bits`, then sets them again when `on`.
    void SetLayerFlag(int index, int bits, bool on);
    bool IsLayerHidden(int index) { return GetLayerFlags(index) & kHidden; }
    void SetLayerHidden(int index, bool hidden) { SetLayerFlag(index, kHidden, hidden); }

    SgVFStr m_names;
    SgVFInt m_flags;

protected:
    ~SgLayers() override = default;

private:
    // Brings the index up to the names as they stand.
    void IndexNames() const;

    mutable std::unordered_map<std::string, int> m_index;
    // The names field's edit count the index matches.
    mutable std::uint64_t m_indexedEdits = ~std::uint64_t(0);
    mutable std::size_t m_namesRead = 0;
};
