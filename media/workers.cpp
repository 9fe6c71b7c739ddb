// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "workers.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <ctime>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <vector>

namespace media::workers {

namespace {

// Never destroyed: a thread left behind at the end may still finish.
struct Registry {
    std::mutex lock;
    std::vector<pthread_t> threads;
};
Registry &registry()
{
    static auto *r = new Registry;
    return *r;
}

void *trampoline(void *arg)
{
    std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()> *>(arg));
    (*work)();
    return nullptr;
}

// Joins those already done; under the registry's lock.
void reap(std::vector<pthread_t> &threads)
{
    threads.erase(
        std::remove_if(threads.begin(), threads.end(), [](pthread_t t) { return pthread_tryjoin_np(t, nullptr) == 0; }),
        threads.end());
}

// A fraction of the usual slice (0.7 to 3 ms): the interface thread runs
// in short bursts, and a short slice lets it in ahead of long runners.
constexpr std::uint64_t SliceNs = 300000;

}   // namespace

void start(std::function<void()> work)
{
    auto *arg = new std::function<void()>(std::move(work));
    std::lock_guard lock(registry().lock);
    reap(registry().threads);
    pthread_t t;
    if (pthread_create(&t, nullptr, trampoline, arg) != 0) {
        // No thread to be had: the work runs here rather than not at all.
        std::unique_ptr<std::function<void()>> owned(arg);
        (*owned)();
        return;
    }
    registry().threads.push_back(t);
}

bool joinAll(std::chrono::milliseconds limit)
{
    timespec deadline{};
    clock_gettime(CLOCK_REALTIME, &deadline);
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(limit).count() + deadline.tv_nsec;
    deadline.tv_sec += time_t(ns / 1000000000);
    deadline.tv_nsec = long(ns % 1000000000);
    std::vector<pthread_t> threads;
    {
        std::lock_guard lock(registry().lock);
        threads.swap(registry().threads);
    }
    std::vector<pthread_t> left;
    for (pthread_t t : threads)
        if (pthread_timedjoin_np(t, nullptr, &deadline) != 0)
            left.push_back(t);
    std::lock_guard lock(registry().lock);
    registry().threads.insert(registry().threads.end(), left.begin(), left.end());
    return registry().threads.empty();
}

void answerSoon()
{
    // sched_setattr(2), which glibc does not wrap before 2.41: the normal
    // policy and the thread's own nice value, with a run time, which the
    // scheduler takes as the thread's slice (Linux 6.12 on).
    struct Attr {
        std::uint32_t size, policy;
        std::uint64_t flags;
        std::int32_t nice;
        std::uint32_t priority;
        std::uint64_t runtime, deadline, period;
    } attr{};
    attr.size = sizeof attr;
    attr.policy = SCHED_OTHER;
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, 0);
    attr.nice = errno ? 0 : nice;
    attr.runtime = SliceNs;
    syscall(SYS_sched_setattr, 0, &attr, 0);
}

int running()
{
    std::lock_guard lock(registry().lock);
    reap(registry().threads);
    return int(registry().threads.size());
}

}   // namespace media::workers
