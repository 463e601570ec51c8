#pragma once
// The value type a dataflow port carries, as a number: the field type id for
// the types fields hold, other ids for types that only engines pass around.
// A port of one type read as another would reinterpret its memory, so
// connections join only equal ids. Every carried type declares its id; a port
// of a type without one does not compile.
#include <string>

#include "engine/core/CountPtr.h"
#include "engine/core/Image2.h"
#include "engine/core/NodePtr.h"
#include "engine/core/RxFunc.h"
#include "engine/core/SgField.h"
#include "utilities/math/Color.h"
#include "utilities/math/Rotation.h"
#include "utilities/math/Vec2.h"
#include "utilities/math/Vec2f.h"
#include "utilities/math/Vec3.h"
#include "utilities/math/Vec3f.h"
#include "utilities/math/Vec4.h"

template <class T>
struct DxPortType;

#define DX_PORT_TYPE(T, ID)                                                                                        \
    template <>                                                                                                    \
    struct DxPortType<T> {                                                                                         \
        static constexpr int id = ID;                                                                              \
    };

DX_PORT_TYPE(int, SgFieldInt)
DX_PORT_TYPE(float, SgFieldFloat)
DX_PORT_TYPE(unsigned short, SgFieldUShort)
DX_PORT_TYPE(double, SgFieldDouble)
DX_PORT_TYPE(Vec2, SgFieldVec2)
DX_PORT_TYPE(Vec3, SgFieldVec3)
DX_PORT_TYPE(Vec4, SgFieldVec4)
DX_PORT_TYPE(Vec2f, SgFieldVec2f)
DX_PORT_TYPE(Color, SgFieldColor)
DX_PORT_TYPE(Rotation, SgFieldRotation)
DX_PORT_TYPE(Image2, SgFieldImage)
DX_PORT_TYPE(std::string, SgFieldString)
DX_PORT_TYPE(Vec3f, SgFieldVec3f)
DX_PORT_TYPE(NodePtr, SgFieldNodePtr)
DX_PORT_TYPE(CountPtr<R1Func>, SgFieldR1FuncRef)
DX_PORT_TYPE(CountPtr<R2Func>, SgFieldR2FuncRef)
DX_PORT_TYPE(R3Func *, SgFieldR3FuncRef)

// Ids above every field type id, for values that only engines carry.
constexpr int kDxFirstEnginePortType = 1000;
