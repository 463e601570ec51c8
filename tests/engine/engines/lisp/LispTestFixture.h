#pragma once
// A fresh interpreter per test, its output captured.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engines/lisp/Lisp.h"

// One row of a table: text run first (its output dropped), the input, the
// value it prints and the messages it prints on the way. A message column
// ending in '*' is matched as a prefix (for texts that show addresses).
struct LispCase {
    const char *setup;
    const char *input;
    const char *value;
    const char *messages;
};

class LispTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LispSetOutput([this](std::string_view text) { m_output.append(text); });
        LispReset();
        m_output.clear();
    }
    void TearDown() override { LispSetOutput({}); }

    // Evaluates every expression of the text at top level; the printed value
    // of the last one, "" when nothing was read.
    std::string Run(const std::string &text)
    {
        LispStream *stream = LispOpenStream(text.c_str(), 0);
        std::string last;
        value_t expression;
        while (LispReadExpression(stream, &expression) == LispReadStatus::Ok)
            last = LispPrintToString(LispEvalTopLevel(expression));
        LispCloseStream(stream);
        return last;
    }

    std::string TakeOutput()
    {
        std::string output;
        output.swap(m_output);
        return output;
    }

    // Runs each row on a fresh interpreter.
    void ExpectTable(const std::vector<LispCase> &cases)
    {
        for (const LispCase &c : cases) {
            LispReset();
            Run(c.setup);
            TakeOutput();
            std::string value = Run(c.input);
            std::string messages = TakeOutput();
            EXPECT_EQ(value, c.value) << "value of " << c.input << " after " << c.setup;
            std::string expected = c.messages;
            if (!expected.empty() && expected.back() == '*') {
                expected.pop_back();
                EXPECT_EQ(messages.substr(0, expected.size()), expected) << "messages of " << c.input;
            } else {
                EXPECT_EQ(messages, expected) << "messages of " << c.input << " after " << c.setup;
            }
        }
    }

    std::string m_output;
};

