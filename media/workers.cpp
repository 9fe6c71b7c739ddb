// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "workers.h"

#include <algorithm>
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

int running()
{
    std::lock_guard lock(registry().lock);
    reap(registry().threads);
    return int(registry().threads.size());
}

}   // namespace media::workers
