#pragma once
// The yardstick the text benchmarks compare against: converting every number
// of a text with std::from_chars and nothing else (no stream, no grammar, no
// storage).
#include <charconv>
#include <string>

struct NumberBaselineResult {
    double sum = 0;
    long count = 0;
};

inline NumberBaselineResult ConvertEveryNumber(const std::string &text)
{
    NumberBaselineResult result;
    const char *p = text.data();
    const char *const end = p + text.size();
    while (p < end) {
        const char c = *p;
        if ((c >= '0' && c <= '9') || c == '-' || c == '.') {
            double value = 0;
            const auto r = std::from_chars(p, end, value);
            if (r.ptr != p) {
                result.sum += value;
                ++result.count;
                p = r.ptr;
                continue;
            }
        }
        ++p; // not a number, or a sign or point that starts none
    }
    return result;
}
