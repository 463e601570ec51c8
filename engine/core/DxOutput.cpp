#include "engine/core/DxOutput.h"

template class DxOutput<unsigned short>;
template class DxOutput<int>;
template class DxOutput<float>;
template class DxOutput<double>;
template class DxOutput<Vec2>;
template class DxOutput<Vec2f>;
template class DxOutput<Vec3>;
template class DxOutput<Vec3f>;
template class DxOutput<Vec4>;
template class DxOutput<Color>;
template class DxOutput<Rotation>;
template class DxOutput<Image2>;
template class DxOutput<std::string>;
template class DxOutput<NodePtr>;
template class DxOutput<R3Func *>;
template class DxOutput<CountPtr<R1Func>>;
template class DxOutput<CountPtr<R2Func>>;
