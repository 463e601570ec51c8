#include "utilities/math/KnotLookup.h"

#include <cmath>

KnotLookup::KnotLookup(int count, const double *knots, int buckets, double range) : m_range(range)
{
    if (count > 0 && knots)
        m_knots.assign(knots, knots + count);
    const int n = int(m_knots.size());
    int m = buckets < 3 ? 2 * n : buckets;
    if (m < 1)
        m = 1;
    m_table.assign(size_t(m), 0);
    if (m < 2) {
        m_width = range;
        return;
    }
    m_width = range / (m - 1) - 1e-8 / m;
    double t = 0.0;
    int j = 0;
    for (int b = 0; b < m - 1; ++b) {
        t += m_width;
        m_table[size_t(b)] = j;
        while (j < n && t >= m_knots[size_t(j)])
            ++j;
    }
    m_table[size_t(m - 1)] = j;
}

double KnotLookup::Evaluate(double t) const
{
    const int n = int(m_knots.size());
    if (n < 2)
        return 0.0;
    const int m = int(m_table.size());
    int interval = 0;
    // A width of zero or less (no range) puts every parameter past the last
    // bucket; so does a NaN.
    const double bucket = m_width > 0.0 ? t / m_width : (t > 0.0 ? double(m) : 0.0);
    if (std::isnan(bucket) || bucket >= double(m)) {
        interval = n - 2;
    } else {
        // The first bucket is searched too: clamped knots repeat the first
        // value, and the parameter lies past all of them.
        int i = bucket >= 1.0 ? m_table[size_t(bucket)] : 0;
        while (i < n - 1 && t > m_knots[size_t(i)])
            ++i;
        interval = i - 1;
    }
    if (interval < 0)
        interval = 0;
    if (interval > n - 2)
        interval = n - 2;
    const double low = m_knots[size_t(interval)];
    const double span = m_knots[size_t(interval) + 1] - low;
    if (!(span > 0.0))
        return interval;
    return interval + (t - low) / span;
}
