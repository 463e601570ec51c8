#pragma once
// The facade's button table: the host's command ids mapped to button
// entries, each with the operation it runs, the predicate that enables it
// and the host's callbacks that show its state. The host registers an entry
// per operation (SetButtonStateCB, or RegisterControlButtons for every
// facade command of the records in facade/CommandRecord) and then calls
// ApplyButton and ApplyUpdate with its ids; operations receive the button
// index, never the command id.
#include <array>
#include <cstdint>

#include "facade/CommandRecord.h"
#include "facade/DrevonExport.h"

namespace drevon {

class CDrevon;

class DREVON_API ButtonTable {
public:
    using ApplyFn = CommandApply;
    using UpdateFn = CommandUpdate;
    // A state change of a button, or (state -1) the request to set a
    // multi-state button up; 0 from an init callback stops postProcessButtons.
    using ButtonStateCallback = int (*)(int state, int commandId, void *data);

    struct ButtonData {
        ButtonStateCallback stateCallback = nullptr;
        ButtonStateCallback initCallback = nullptr;
        void *data = nullptr;
        int commandId = 0;  // 0: an unused entry
        int states = 0;
        int imageBase = 0;
        ApplyFn apply = nullptr;
        UpdateFn update = nullptr;
    };

    static constexpr int kButtonCount = 250;
    static constexpr int kButtonMapSize = 400;
    static constexpr uint16_t kUnmapped = 0xFFFF;
    // The standard table's command ids.
    static constexpr int kFirstCommandId = 32768;
    static constexpr int kLastCommandId = 32958;

    // Operations run on `facade`, and state changes are told to its hosts.
    explicit ButtonTable(CDrevon &facade);
    ButtonTable(const ButtonTable &) = delete;
    ButtonTable &operator=(const ButtonTable &) = delete;

    // Unmaps every command id (the entries stay).
    void initButtonMap();
    void SetBaseCommandId(int base) { m_iBaseCommandId = base; }
    int GetBaseCommandId() const { return m_iBaseCommandId; }
    // Fills entry `button` (not its image base) and maps the command id to
    // it when the id is not negative; a later entry with the same id takes
    // the map slot. Indices and ids outside the table are refused (false).
    bool SetButtonStateCB(int button, ButtonStateCallback state, void *data, int commandId, int states,
                          ApplyFn apply, UpdateFn update, ButtonStateCallback init);
    // Registers the facade commands of the records: `check` for the two-state buttons,
    // `image` and `init` for the multi-state image buttons.
    void RegisterControlButtons(ButtonStateCallback check, ButtonStateCallback image, ButtonStateCallback init,
                                void *data);
    ButtonData *GetButtonData(int commandId);
    ButtonData *GetButtonDataByIndex(int button);
    // The button index a command id maps to, or -1.
    int GetButtonIndex(int commandId) const;
    // Ids outside the table and unmapped ids do nothing (false); true when
    // an operation ran.
    bool ApplyButton(int commandId);
    // False for ids outside the table, unmapped ids and entries without an
    // operation; otherwise the entry's predicate (none: true).
    bool ApplyUpdate(int commandId);
    // Re-initialises the multi-state buttons; an init callback that fails
    // is reported and the pass goes on.
    void postProcessButtons();
    // Shows `state` on a button (through its host callback and the facade's
    // host listeners); `remember` makes it the checked button (0 when off).
    void SetButtonState(int state, int button, bool remember);
    // The last state set on a button (0 before any).
    int GetButtonState(int button) const;
    int GetCheckedButton() const { return m_nCheckedButton; }

private:
    // Entry of a command id, or -1 when the id is outside the table or unmapped.
    int MapCommand(int commandId) const;

    CDrevon &m_facade;
    int m_iBaseCommandId = kFirstCommandId;
    int m_nCheckedButton = 0;
    std::array<uint16_t, kButtonMapSize> m_buttonMap{};
    std::array<ButtonData, kButtonCount> m_buttons{};
    std::array<int, kButtonCount> m_buttonStates{};
};

} // namespace drevon
