#pragma once
// What the Brannic library shows other libraries and programs. The library
// is compiled with hidden visibility; a class or function that another
// library, a program or a test uses carries BRANNIC_API on its declaration
// (scripts/apply-export-macros puts it there).
#define BRANNIC_API __attribute__((visibility("default")))
