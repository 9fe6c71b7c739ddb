// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "dispatch.h"

#include "errors.h"

#include <QDebug>
#include <exception>

namespace platform {

namespace {
int g_depth = 0;
}

HandlerScope::HandlerScope() { ++g_depth; }
HandlerScope::~HandlerScope() { --g_depth; }
int HandlerScope::depth() { return g_depth; }

void runHandler(const char *what, const std::function<void()> &fn)
{
    HandlerScope scope;
    try {
        fn();
    } catch (const VbError &e) {
        qWarning("%s ended by error %d: %s", what, e.number(), qPrintable(e.description()));
    } catch (const std::exception &e) {
        qWarning("%s ended by error: %s", what, e.what());
    }
}

}   // namespace platform
