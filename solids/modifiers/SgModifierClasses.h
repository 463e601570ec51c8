#pragma once
// The modifier classes of the solid library, registered in one fixed order
// (each after its parent) when the library starts, and the hook the engine's
// modifier stack calls on its final shape.
class SgModifierClasses {
public:
    static void RegisterNodeClasses();
    static void InstallHooks();
};
