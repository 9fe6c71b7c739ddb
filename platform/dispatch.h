// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// Entry point for every event handler of the program's windows.
//
// Handlers trap nothing: a failing operation ends the handler, and the
// program goes on.  The depth counter tells the window model when no
// handler is on the stack, so that dead windows can be freed safely.

#include <QObject>
#include <functional>
#include <utility>

namespace platform {

class HandlerScope {
public:
    HandlerScope();
    ~HandlerScope();
    HandlerScope(const HandlerScope &) = delete;
    HandlerScope &operator=(const HandlerScope &) = delete;
    static int depth();
};

// Runs fn as a handler: counts the depth and ends it quietly on a failure.
void runHandler(const char *what, const std::function<void()> &fn);

// Connects a Qt signal to a handler method run through runHandler.
template <class Sender, class Signal, class Receiver, class Method> QMetaObject::Connection
onEvent(Sender *sender, Signal signal, Receiver *receiver, Method method, const char *what = "handler")
{
    return QObject::connect(sender, signal, receiver,
                            [receiver, method, what](auto &&...) { runHandler(what, [&] { (receiver->*method)(); }); });
}

}   // namespace platform
