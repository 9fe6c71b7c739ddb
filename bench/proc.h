// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// What the bench needs to run other processes and read their costs: a
// system-wide monotonic clock (the same in every process, so a child can
// stamp its own events), launching a child with its output on a pipe,
// reading its lines with a time limit, and its CPU time and peak memory
// from /proc.

#include <cstdint>
#include <string>
#include <sys/resource.h>
#include <sys/types.h>
#include <vector>

namespace bench {

// CLOCK_MONOTONIC, in milliseconds.
double monotonicMs();

// A child writes its events as "<tag> <clock ms> [value]" lines on stdout.
void report(const char *tag, double value = 0);

class Child {
public:
    // Starts argv[0] (a path, or a name looked up in PATH) with stdout on a
    // pipe; stdin and stderr on /dev/null.  started is the clock just before.
    explicit Child(const std::vector<std::string> &argv);
    ~Child();
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    bool ok() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }
    double started() const { return m_started; }

    // The next line the child prints, or false at the limit or its end.
    bool readLine(std::string &line, int limitMs);
    // Waits for a line starting with tag; gives the clock and value it carries.
    bool waitFor(const char *tag, int limitMs, double *at = nullptr, double *value = nullptr);

    // Waits for the child's end (killing it first when asked) and gives its
    // resource use, children of its own excluded.
    rusage finish(bool kill);
    // After finish(false): it ended by itself with status 0.
    bool succeeded() const { return m_reaped && m_status == 0; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    double m_started = 0;
    std::string m_buffer;
    bool m_reaped = false;
    int m_status = -1;
};

// User+system time of a running process, all its threads, in seconds
// (clock-tick resolution: 10 ms).
double cpuSeconds(pid_t pid);
// A field of /proc/<pid>/status in kB (VmHWM, VmRSS), or -1.
long statusKb(pid_t pid, const char *field);

double rusageSeconds(const rusage &u);

// The calling thread's time on a core and waiting for one since it
// started (/proc/thread-self/schedstat), in ms; NAN when unreadable.
struct ThreadTimes {
    double runMs = 0, waitMs = 0;
};
ThreadTimes threadTimes();

}   // namespace bench
