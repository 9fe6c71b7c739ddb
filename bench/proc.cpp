// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "proc.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace bench {

double monotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void report(const char *tag, double value)
{
    std::printf("%s %.3f %.3f\n", tag, monotonicMs(), value);
    std::fflush(stdout);
}

Child::Child(const std::vector<std::string> &argv)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    m_started = monotonicMs();
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0)
        m_pid = pid;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    m_out = fds[0];
}

Child::~Child()
{
    if (m_pid > 0 && !m_reaped)
        finish(true);
    if (m_out >= 0)
        close(m_out);
}

bool Child::readLine(std::string &line, int limitMs)
{
    const double end = monotonicMs() + limitMs;
    for (;;) {
        const size_t nl = m_buffer.find('\n');
        if (nl != std::string::npos) {
            line = m_buffer.substr(0, nl);
            m_buffer.erase(0, nl + 1);
            return true;
        }
        const int left = int(end - monotonicMs());
        if (left <= 0 || m_out < 0)
            return false;
        pollfd p{m_out, POLLIN, 0};
        const int r = poll(&p, 1, left);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        char chunk[512];
        const ssize_t n = read(m_out, chunk, sizeof chunk);
        if (n <= 0)
            return false;
        m_buffer.append(chunk, size_t(n));
    }
}

bool Child::waitFor(const char *tag, int limitMs, double *at, double *value)
{
    const double end = monotonicMs() + limitMs;
    std::string line;
    while (readLine(line, std::max(0, int(end - monotonicMs())))) {
        std::istringstream in(line);
        std::string t;
        double a = 0, v = 0;
        in >> t >> a >> v;
        if (t == tag) {
            if (at)
                *at = a;
            if (value)
                *value = v;
            return true;
        }
    }
    return false;
}

rusage Child::finish(bool kill)
{
    rusage u{};
    if (m_pid <= 0 || m_reaped)
        return u;
    if (kill)
        ::kill(m_pid, SIGKILL);
    int status = 0;
    while (wait4(m_pid, &status, 0, &u) < 0 && errno == EINTR) {
    }
    m_reaped = true;
    m_status = status;
    return u;
}

double cpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t paren = all.rfind(')');   // the name may hold spaces
    if (paren == std::string::npos)
        return -1;
    std::istringstream fields(all.substr(paren + 2));
    std::string f;
    unsigned long long utime = 0, stime = 0;
    // Fields from the state on (the 3rd); utime and stime are the 14th and 15th.
    for (int i = 3; i <= 15 && fields >> f; ++i) {
        if (i == 14)
            utime = std::strtoull(f.c_str(), nullptr, 10);
        if (i == 15)
            stime = std::strtoull(f.c_str(), nullptr, 10);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

long statusKb(pid_t pid, const char *field)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.compare(0, key.size(), key) == 0)
            return std::strtol(line.c_str() + key.size(), nullptr, 10);
    return -1;
}

double rusageSeconds(const rusage &u)
{
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

ThreadTimes threadTimes()
{
    // Read with plain read(2): this runs every millisecond on the interface thread.
    const int fd = open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
    char b[128] = {};
    const ssize_t n = fd >= 0 ? read(fd, b, sizeof b - 1) : -1;
    if (fd >= 0)
        close(fd);
    unsigned long long run = 0, wait = 0;
    if (n <= 0 || std::sscanf(b, "%llu %llu", &run, &wait) != 2)
        return {NAN, NAN};
    return {run / 1e6, wait / 1e6};
}

}   // namespace bench
