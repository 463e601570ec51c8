#pragma once
// Checks a node's field table against the one its class should declare:
// names, field type ids and default values in their text form, in index order.
#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>

#include "engine/core/SgField.h"
#include "engine/core/SgFieldMngr.h"

struct FieldSpec {
    const char *name;
    int typeId;
    const char *defaultText;
};

inline void ExpectFieldTable(SgFieldMngr &node, std::initializer_list<FieldSpec> expected)
{
    const char *className = node.GetClassName();
    ASSERT_EQ(node.GetFieldsCount(), static_cast<int>(expected.size())) << className << ": field count";
    int index = 0;
    for (const FieldSpec &spec : expected) {
        SgField *field = node.GetFieldAddress(index);
        ASSERT_NE(field, nullptr) << className << ": no field at index " << index;
        EXPECT_STREQ(node.GetFieldName(index), spec.name) << className << ": field " << index;
        EXPECT_EQ(field->GetTypeId(), spec.typeId) << className << "." << spec.name << ": type id";
        std::ostringstream text;
        field->WriteToStream(text);
        EXPECT_EQ(text.str(), spec.defaultText) << className << "." << spec.name << ": default";
        EXPECT_EQ(node.GetFieldAddressByName(spec.name), field) << className << "." << spec.name << ": by name";
        ++index;
    }
}
