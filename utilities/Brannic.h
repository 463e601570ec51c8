#pragma once
// Start-up of the utilities library.

class Brannic {
public:
    // Idempotent: the first call makes the report manager, registers the
    // "Messages" package and routes every headless message box into it;
    // later calls return at once.
    static void Init();
    static bool IsInitialized();

    // The index of the "Messages" package, -1 before Init.
    static int MessagesPackage();
};
