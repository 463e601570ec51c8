#include "engine/core/SgCacheContainer.h"

SgCacheContainer::~SgCacheContainer() = default;
