#include "engine/core/DxInput.h"

template class DxInput<unsigned short>;
template class DxInput<int>;
template class DxInput<float>;
template class DxInput<double>;
template class DxInput<Vec2>;
template class DxInput<Vec2f>;
template class DxInput<Vec3>;
template class DxInput<Vec3f>;
template class DxInput<Vec4>;
template class DxInput<Color>;
template class DxInput<Rotation>;
template class DxInput<Image2>;
template class DxInput<std::string>;
template class DxInput<NodePtr>;
template class DxInput<R3Func *>;
template class DxInput<CountPtr<R1Func>>;
template class DxInput<CountPtr<R2Func>>;

template class DxInput1<int>;
template class DxInput1<float>;
template class DxInput1<double>;
template class DxInput1<Vec3>;
template class DxInput1<std::string>;
