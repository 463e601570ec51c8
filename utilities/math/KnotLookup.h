#pragma once
// Maps a curve parameter to a fractional knot index in constant expected
// time: a table of uniform buckets over the parameter range says where to
// start searching the increasing knot array. Interpolated spline curves
// evaluate through it.
#include <vector>
#include "utilities/BrannicExport.h"

class BRANNIC_API KnotLookup {
public:
    // `count` knots (increasing; repeats allowed) over a parameter range of
    // `range`; fewer than 3 requested buckets give two per knot.
    KnotLookup(int count, const double *knots, int buckets, double range);

    // The interval index of t plus its fraction within the interval. A
    // parameter before the first bucket takes the first interval, one past
    // the last bucket the last interval; an interval of zero length (a
    // repeated knot) gives its index without fraction. With fewer than two
    // knots there is no interval: 0.
    double Evaluate(double t) const;

    int GetKnotCount() const { return int(m_knots.size()); }
    int GetBucketCount() const { return int(m_table.size()); }
    double GetBucketWidth() const { return m_width; }

private:
    std::vector<int> m_table;
    std::vector<double> m_knots;
    double m_range = 0.0;
    double m_width = 0.0;
};
