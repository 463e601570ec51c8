#pragma once
// The window host's progress display: a wx progress dialog with a cancel
// button, opened at the first step of an operation and closed at its end.
void SgInstallWxProgressHandler();
