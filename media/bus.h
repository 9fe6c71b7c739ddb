// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// A clip's bus: GStreamer posts on whichever thread it likes; the worker
// takes the few messages it acts on.

#include <gst/gst.h>

namespace media::bus {

// The bus's sync handler; 'data' is a std::shared_ptr<Session>.
GstBusSyncReply onMessage(GstBus *bus, GstMessage *message, gpointer data);

}   // namespace media::bus
