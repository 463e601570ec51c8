#pragma once
// The process-wide table of user attribute definitions. Nodes keep attribute
// values by index into this table; the definition gives the value's type, its
// size and the default a node without a value of its own reports.
#include <memory>
#include <string>
#include <vector>
#include "engine/core/NodaraExport.h"

// One definition: name, type code and the default value in binary form.
class NODARA_API CAttributeElement {
public:
    enum Type : int { TYPE_FLOAT = 0, TYPE_INT = 1, TYPE_LONG = 2, TYPE_SHORT = 3, TYPE_STRING = 4 };

    // Parses `defaultText` by type: a float, a 32-bit int, a 32-bit long, the
    // low 16 bits of an int, or the text itself with its terminating zero.
    // Other type codes keep no default (size 0).
    CAttributeElement(const std::string &name, int type, const std::string &defaultText);
    virtual ~CAttributeElement() = default;

    const std::string &GetName() const { return m_name; }
    int GetType() const { return m_type; }
    int GetSize() const { return m_size; }
    // The binary default; an empty string for a type without one.
    const void *GetDefaultValue() const;

    // "float", "int", "long", "short", "string"; empty for other codes.
    std::string GetTypeAsString() const;
    // The default as "%f", "%d" (the short sign-extended) or the text itself.
    std::string GetDefaultValueAsString() const;

private:
    std::string m_name;
    int m_size = 0;
    int m_type;
    std::vector<unsigned char> m_default;
};

class NODARA_API SgAttributeManager {
public:
    // What GetAttributeSize reports for an index past the end.
    static constexpr unsigned int kNoSize = static_cast<unsigned int>(-1);

    // The process-wide table, made on the first call.
    static SgAttributeManager *GetAttributeManager();
    // Deletes the process-wide table; the next GetAttributeManager makes a new
    // one.
    static void DeleteAttributeManager();

    SgAttributeManager() = default;
    SgAttributeManager(const SgAttributeManager &) = delete;
    SgAttributeManager &operator=(const SgAttributeManager &) = delete;
    virtual ~SgAttributeManager();

    // The index of the definition of that name (exact letter case); a new name
    // appends a definition. An existing definition is never changed.
    int AddAttribute(const std::string &name, int type, const std::string &defaultValue);

    int GetCount() const { return static_cast<int>(m_elements.size()); }
    bool IsExist(int i) const { return i >= 0 && i < GetCount(); }

    // Queries by index. An index at or past the end gives an empty string,
    // -1 (kNoSize for the size) or an empty default; a negative index throws
    // SgInvalidArgument.
    std::string GetAttributeName(int i) const;
    int GetAttributeType(int i) const;
    unsigned int GetAttributeSize(int i) const;
    std::string GetAttributeTypeAsString(int i) const;
    std::string GetAttributedefaultValueAsString(int i) const;
    const void *GetAttributeDefaultValue(int i) const;

private:
    // Null for an index past the end; throws for a negative one.
    const CAttributeElement *Element(int i) const;

    std::vector<std::unique_ptr<CAttributeElement>> m_elements;
};
