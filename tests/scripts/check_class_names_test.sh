#!/usr/bin/env bash
# The class-name check itself: a tree whose repeated names have no linkage
# (anonymous namespaces, classes inside functions), live in different scopes
# or are template specialisations passes; one class name defined in two
# libraries fails, also when every member is inline (the case the libraries'
# symbol tables cannot show: weak vtables bind to the first library loaded)
# and when an export macro stands before the name.
set -u
check="$1"
source "$(dirname "$0")/check_test_common.sh"
run_check() { "$check" "$work/tree"; }

plant engine/render/SgPainter.h 'class SgPainter { public: virtual ~SgPainter() = default; virtual int Paint() { return 20; } };'
plant engine/core/NodaraExport.h '#define NODARA_API __attribute__((visibility("default")))'
plant engine/core/SgNode.h 'class NODARA_API SgNode : public SgBase { public: int Id() const; };'
plant engine/core/SgNode.cpp 'namespace { struct Cache { int n; }; }'
plant solids/GmMesh.cpp 'namespace { struct Cache { double d; }; }'
plant solids/GmMesh.cpp 'int Count() { struct Step { int i; }; return 0; }'
plant solids/GmFace.cpp 'int Area() { struct Step { double a; }; return 0; }'
plant solids/GmMesh.h 'namespace solvane { class Mesh { public: struct Vertex { double x; }; }; }'
plant solids/GmFace.h 'namespace solvane { class Face { public: struct Vertex { int i; }; }; }'
plant utilities/Traits.h 'template <typename T> struct Traits { static int Size(); };'
plant utilities/Traits.h 'template <> struct Traits<int> { static int Size(); };'
plant tests/solids/GmMeshTest.cpp 'namespace { class MeshTest : public Fixture {}; }'
expect "names without linkage, in other scopes or specialised pass" 0 "each defined in one place"

offence "an all-inline class of one name in two libraries fails" dialogs/SgPainter.h \
    'class SgPainter { public: virtual ~SgPainter() = default; virtual int Paint() { return 400; } };' \
    "SgPainter: defined in dialogs/SgPainter.h:1, engine/render/SgPainter.h:1"
offence "a class behind an export macro fails" treepanel/SgNode.h 'class NODARA_API SgNode { int m; };' \
    "SgNode: defined in engine/core/SgNode.h:1, treepanel/SgNode.h:1"
offence "a struct in a library's namespace defined twice fails" solids/GmShell.h \
    'namespace solvane { class Mesh { int faces; }; }' "solvane::Mesh: defined in solids/GmMesh.h:1, solids/GmShell.h:1"
offence "a test's class that takes a library's name fails" tests/engine/render/SgPainterTest.cpp \
    'class SgPainter { public: int Paint() { return 0; } };' "SgPainter: defined in engine/render/SgPainter.h:1, tests/"

finish
