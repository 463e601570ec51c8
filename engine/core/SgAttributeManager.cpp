#include "engine/core/SgAttributeManager.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/SgError.h"

namespace {

SgAttributeManager *s_manager = nullptr;

const char *const kTypeNames[] = {"float", "int", "long", "short", "string"};

// Text to integer as the C library's atoi/atol read it (leading blanks, a sign,
// digits, anything after ignored, 0 for no number), kept to 32 bits without the
// undefined behaviour of an overflowing conversion.
int32_t ToInt32(const std::string &text)
{
    long long value = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int32_t>(value);
}

float ToFloat(const std::string &text)
{
    double value = std::strtod(text.c_str(), nullptr);
    // Out of a float's range the narrowing itself would be undefined.
    if (std::isfinite(value) && std::fabs(value) > FLT_MAX)
        return value > 0 ? HUGE_VALF : -HUGE_VALF;
    return static_cast<float>(value);
}

template <typename T>
void Store(std::vector<unsigned char> &buffer, T value)
{
    buffer.resize(sizeof value);
    std::memcpy(buffer.data(), &value, sizeof value);
}

template <typename T>
T Load(const std::vector<unsigned char> &buffer)
{
    T value{};
    if (buffer.size() >= sizeof value)
        std::memcpy(&value, buffer.data(), sizeof value);
    return value;
}

std::string FormatFloat(float value)
{
    // Room for the 39 integer digits of the largest float in "%f".
    char text[64];
    std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
    return text;
}

std::string FormatInt(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return text;
}

} // namespace

CAttributeElement::CAttributeElement(const std::string &name, int type, const std::string &defaultText)
    : m_name(name), m_type(type)
{
    switch (type) {
    case TYPE_FLOAT:
        Store(m_default, ToFloat(defaultText));
        break;
    case TYPE_INT:
    case TYPE_LONG:
        Store(m_default, ToInt32(defaultText));
        break;
    case TYPE_SHORT:
        // Only the low 16 bits are kept: "70000" becomes 4464.
        Store(m_default, static_cast<int16_t>(ToInt32(defaultText)));
        break;
    case TYPE_STRING:
        m_default.assign(defaultText.begin(), defaultText.end());
        m_default.push_back('\0');
        break;
    default:
        break;
    }
    m_size = static_cast<int>(m_default.size());
}

const void *CAttributeElement::GetDefaultValue() const
{
    return m_default.empty() ? static_cast<const void *>("") : m_default.data();
}

std::string CAttributeElement::GetTypeAsString() const
{
    if (m_type < TYPE_FLOAT || m_type > TYPE_STRING)
        return std::string();
    return kTypeNames[m_type];
}

std::string CAttributeElement::GetDefaultValueAsString() const
{
    switch (m_type) {
    case TYPE_FLOAT:
        return FormatFloat(Load<float>(m_default));
    case TYPE_INT:
    case TYPE_LONG:
        return FormatInt(Load<int32_t>(m_default));
    case TYPE_SHORT:
        return FormatInt(Load<int16_t>(m_default));
    case TYPE_STRING:
        return m_default.empty() ? std::string() : std::string(reinterpret_cast<const char *>(m_default.data()));
    default:
        return std::string();
    }
}

SgAttributeManager *SgAttributeManager::GetAttributeManager()
{
    if (s_manager == nullptr)
        s_manager = new SgAttributeManager();
    return s_manager;
}

void SgAttributeManager::DeleteAttributeManager()
{
    delete s_manager;
}

SgAttributeManager::~SgAttributeManager()
{
    // Whoever deletes the shared table, it must not be handed out again.
    if (s_manager == this)
        s_manager = nullptr;
}

int SgAttributeManager::AddAttribute(const std::string &name, int type, const std::string &defaultValue)
{
    for (size_t i = 0; i < m_elements.size(); ++i) {
        if (m_elements[i]->GetName() == name)
            return static_cast<int>(i);
    }
    m_elements.push_back(std::make_unique<CAttributeElement>(name, type, defaultValue));
    return GetCount() - 1;
}

const CAttributeElement *SgAttributeManager::Element(int i) const
{
    if (i < 0)
        throw SgInvalidArgument();
    return i < GetCount() ? m_elements[static_cast<size_t>(i)].get() : nullptr;
}

std::string SgAttributeManager::GetAttributeName(int i) const
{
    const CAttributeElement *element = Element(i);
    return element ? element->GetName() : std::string();
}

int SgAttributeManager::GetAttributeType(int i) const
{
    const CAttributeElement *element = Element(i);
    return element ? element->GetType() : -1;
}

unsigned int SgAttributeManager::GetAttributeSize(int i) const
{
    const CAttributeElement *element = Element(i);
    return element ? static_cast<unsigned int>(element->GetSize()) : kNoSize;
}

std::string SgAttributeManager::GetAttributeTypeAsString(int i) const
{
    const CAttributeElement *element = Element(i);
    return element ? element->GetTypeAsString() : std::string();
}

std::string SgAttributeManager::GetAttributedefaultValueAsString(int i) const
{
    const CAttributeElement *element = Element(i);
    return element ? element->GetDefaultValueAsString() : std::string();
}

const void *SgAttributeManager::GetAttributeDefaultValue(int i) const
{
    const CAttributeElement *element = Element(i);
    return element ? element->GetDefaultValue() : static_cast<const void *>("");
}
