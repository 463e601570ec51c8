#include "engine/core/SgNamedClass.h"

#include <algorithm>
#include <cstring>

#include "engine/core/SgAction.h"
#include "engine/core/SgFieldMngr.h"

namespace {

std::vector<const SgNamedClass *> &Registry()
{
    static std::vector<const SgNamedClass *> named;
    return named;
}

int ActionClassID(const char *name)
{
    const int count = SgAction::GetClassCount();
    for (int offset = 0; offset < count && offset < SgAction::kMaxNamedClasses; ++offset) {
        const char *registered = SgAction::s_csClassNames[offset];
        if (registered && std::strcmp(registered, name) == 0)
            return SgAction::kFirstClassID + offset;
    }
    return 0;
}

} // namespace

SgNamedClass::SgNamedClass(Family family, const char *name) : m_family(family), m_name(name)
{
    Registry().push_back(this);
}

SgNamedClass::~SgNamedClass()
{
    auto &named = Registry();
    named.erase(std::remove(named.begin(), named.end(), this), named.end());
}

int SgNamedClass::ClassID() const
{
    if (!m_id)
        m_id = m_family == kNode ? SgFieldMngr::GetClassIDFromName(m_name) : ActionClassID(m_name);
    return m_id;
}

const std::vector<const SgNamedClass *> &SgNamedClass::All()
{
    return Registry();
}
