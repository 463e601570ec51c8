#pragma once
// What the Fennix library shows other libraries and programs. The library
// is compiled with hidden visibility; a class or function that another
// library, a program or a test uses carries FENNIX_API on its declaration
// (scripts/apply-export-macros puts it there).
#define FENNIX_API __attribute__((visibility("default")))
