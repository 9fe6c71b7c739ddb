// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The media engine's own threads.  Each is joined: finished ones as new
// ones start, the rest when the run ends, so that nothing of the engine
// runs while the program's static objects are destroyed.  A thread stuck
// in a call that never returns (a stalled mount) holds the end at most
// for the limit given; it touches nothing that is ever freed.

#include <chrono>
#include <functional>

namespace media::workers {

// Runs 'work' on a thread of its own.
void start(std::function<void()> work);

// Joins every thread, waiting at most 'limit' in all: true when none is
// left.  Callers ask the threads to end first.
bool joinAll(std::chrono::milliseconds limit);

// Threads started and not yet joined.
int running();

// The calling thread (the interface's) asks for short turns on a core,
// so that it gets one soon after it wakes even when the cores are busy.
// Needs no privilege; kernels without per-thread slices keep their own.
void answerSoon();

}   // namespace media::workers
