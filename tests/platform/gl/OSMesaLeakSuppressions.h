#pragma once
// The offscreen GL library keeps one buffer record per surface size and
// format for the life of the process and has no call that frees them. The
// leak checker is told so here, by the hook it reads its default
// suppressions from; a test program includes this header in one source file.

extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libOSMesa.so\n";
}
