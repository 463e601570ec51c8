#pragma once
// An action that tracks what modifiers and behaviour nodes write (the
// transform, the modifier stack and the selection behaviour), for their tests.
#include "engine/core/SgAction.h"

class EditorStateAction : public SgAction {
    SG_ACTION_HEADER(EditorStateAction)
    EditorStateAction() { InitState(); }
};

// Starts the engine and registers the action and the state probe node once.
void InitEditorStateTestClasses();
