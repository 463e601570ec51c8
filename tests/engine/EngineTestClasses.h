#pragma once
// The classes the engine tests define, registered once by the test
// environment right after the engine's start-up and in this order, so that
// their ids do not depend on which test runs first. A test file that defines
// classes adds its registration function here and to RegisterEngineTestClasses.
// The fixtures still call their own function: it does nothing the second time.
//
// One class stays out: LateProbe, whose test is about a class that registers
// after the visitor tables were built; it registers last of all, so no other
// id depends on it.

// Every function below, in a fixed order, then one rebuild of the visitor tables.
void RegisterEngineTestClasses();

void RegisterSgActionTestClasses();
void RegisterCacheTestClasses();
void RegisterFieldMngrTestClasses();
void RegisterModifierStackTestClasses();
void RegisterVecFieldTestClasses();
void RegisterCollectShapesTestClasses();
void RegisterCopyTestClasses();
void RegisterReaderTestClasses();
void RegisterSaveTestClasses();
void RegisterGeometricShapeTestClasses();
void RegisterIndexedFaceSetTestClasses();
