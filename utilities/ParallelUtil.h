#pragma once
// Runs independent pieces of one computation on several threads, the
// caller's among them, and returns when every piece is done. Which thread
// runs a piece is left open, so a piece writes only its own results: the
// outcome is then the same however the pieces fall.
#include <functional>
#include "utilities/BrannicExport.h"

namespace ParallelUtil {

// The threads a computation may use, the caller's included: a few of the
// machine's, so that the GL driver's own threads keep theirs.
BRANNIC_API int ThreadCount();

// Calls task(i) once for every i in 0..count-1 on up to `threads` threads
// (ThreadCount() when 0 or less). The first exception a task throws is
// thrown again here once all threads have stopped; the pieces not started
// by then are not run.
BRANNIC_API void ForEach(int count, const std::function<void(int)> &task, int threads = 0);

} // namespace ParallelUtil
