// The facade's button table: command ids to entries, their operations and
// predicates, and the states the host shows.
#include "facade/ButtonTable.h"

#include "facade/CDrevon.h"
#include "facade/FacadePackage.h"
#include "platform/SgDiagnostics.h"

namespace drevon {

ButtonTable::ButtonTable(CDrevon &facade) : m_facade(facade)
{
    initButtonMap();
}

void ButtonTable::initButtonMap()
{
    m_buttonMap.fill(kUnmapped);
}

bool ButtonTable::SetButtonStateCB(int button, ButtonStateCallback state, void *data, int commandId, int states,
                                   ApplyFn apply, UpdateFn update, ButtonStateCallback init)
{
    if (button < 0 || button >= kButtonCount) {
        SgDiagWarning(kPackage, "button %d is outside the table (0..%d)", button, kButtonCount - 1);
        return false;
    }
    const int slot = commandId - m_iBaseCommandId;
    if (commandId >= 0 && (slot < 0 || slot >= kButtonMapSize)) {
        SgDiagWarning(kPackage, "command %d is outside the table (%d..%d)", commandId, m_iBaseCommandId,
                      m_iBaseCommandId + kButtonMapSize - 1);
        return false;
    }
    ButtonData &entry = m_buttons[button];
    entry.stateCallback = state;
    entry.initCallback = init;
    entry.data = data;
    entry.commandId = commandId;
    entry.states = states;
    entry.apply = apply;
    entry.update = update;
    if (commandId >= 0)
        m_buttonMap[slot] = static_cast<uint16_t>(button);
    return true;
}

int ButtonTable::MapCommand(int commandId) const
{
    const long slot = long(commandId) - m_iBaseCommandId;
    if (slot < 0 || slot >= kButtonMapSize)
        return -1;
    const uint16_t index = m_buttonMap[slot];
    return index == kUnmapped || index >= kButtonCount ? -1 : index;
}

int ButtonTable::GetButtonIndex(int commandId) const
{
    return MapCommand(commandId);
}

ButtonTable::ButtonData *ButtonTable::GetButtonData(int commandId)
{
    const int index = MapCommand(commandId);
    if (index < 0 || m_buttons[index].commandId == 0)
        return nullptr;
    return &m_buttons[index];
}

ButtonTable::ButtonData *ButtonTable::GetButtonDataByIndex(int button)
{
    return button >= 0 && button < kButtonCount ? &m_buttons[button] : nullptr;
}

bool ButtonTable::ApplyButton(int commandId)
{
    const int index = MapCommand(commandId);
    if (index < 0 || !m_buttons[index].apply)
        return false;
    m_buttons[index].apply(m_facade, index);
    return true;
}

bool ButtonTable::ApplyUpdate(int commandId)
{
    const int index = MapCommand(commandId);
    // An entry that runs nothing is shown disabled rather than doing
    // nothing when chosen.
    if (index < 0 || !m_buttons[index].apply)
        return false;
    const UpdateFn update = m_buttons[index].update;
    return update ? update(m_facade, index) : true;
}

void ButtonTable::postProcessButtons()
{
    for (int index = 0; index < kButtonCount; ++index) {
        ButtonData &entry = m_buttons[index];
        // One button the host could not set up does not leave the later
        // multi-state buttons showing stale states.
        if (entry.initCallback && entry.initCallback(-1, entry.commandId, entry.data) == 0)
            SgDiagWarning(kPackage, "button %d (command %d) could not be set up", index, entry.commandId);
        if (entry.apply && entry.states > 1)
            entry.apply(m_facade, -2);
    }
}

void ButtonTable::SetButtonState(int state, int button, bool remember)
{
    if (button < 0 || button >= kButtonCount)
        return;
    m_buttonStates[button] = state;
    const ButtonData &entry = m_buttons[button];
    if (entry.stateCallback)
        entry.stateCallback(state, entry.commandId, entry.data);
    m_facade.GetHostEvents().NotifyButtonState(button, state);
    if (remember)
        m_nCheckedButton = state != 0 ? button : 0;
}

int ButtonTable::GetButtonState(int button) const
{
    return button >= 0 && button < kButtonCount ? m_buttonStates[button] : 0;
}

// ---- The standard table ----------------------------------------------------------------------

void ButtonTable::RegisterControlButtons(ButtonStateCallback check, ButtonStateCallback image,
                                         ButtonStateCallback init, void *data)
{
    int count = 0;
    const CommandRecord *records = GetCommands(count);
    for (int i = 0; i < count; ++i) {
        const CommandRecord &record = records[i];
        if (record.button == kNoButton)
            continue;
        ButtonStateCallback state = nullptr;
        ButtonStateCallback setUp = nullptr;
        if (record.stateKind == StateKind::Check)
            state = check;
        else if (record.stateKind == StateKind::Image) {
            state = image;
            setUp = init;
        }
        SetButtonStateCB(record.button, state, data, record.id, record.states, record.apply, record.update, setUp);
    }
}

} // namespace drevon
