#pragma once
// What the Pallico library shows other libraries and programs. The library
// is compiled with hidden visibility; a class or function that another
// library, a program or a test uses carries PALLICO_API on its declaration
// (scripts/apply-export-macros puts it there).
#define PALLICO_API __attribute__((visibility("default")))
