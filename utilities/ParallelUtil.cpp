#include "utilities/ParallelUtil.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// More rarely pays: the pieces are short, and software GL rasterises on
// the remaining cores.
constexpr int kMaxThreads = 4;

} // namespace

int ParallelUtil::ThreadCount()
{
    static const int count = [] {
        const unsigned hardware = std::thread::hardware_concurrency();
        return std::clamp(static_cast<int>(hardware / 2), 1, kMaxThreads);
    }();
    return count;
}

void ParallelUtil::ForEach(int count, const std::function<void(int)> &task, int threads)
{
    if (count <= 0)
        return;
    if (threads <= 0)
        threads = ThreadCount();
    threads = std::min(threads, count);
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    std::mutex errorMutex;
    const auto work = [&] {
        for (int i = next++; i < count && !failed; i = next++) {
            try {
                task(i);
            } catch (...) {
                std::lock_guard<std::mutex> lock(errorMutex);
                if (!error)
                    error = std::current_exception();
                failed = true;
            }
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<size_t>(threads - 1));
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error &) {
            break; // no thread to be had: the others do its share
        }
    }
    work();
    for (std::thread &helper : helpers)
        helper.join();
    if (error)
        std::rethrow_exception(error);
}
