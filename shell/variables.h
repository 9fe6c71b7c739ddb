// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The process-wide shared state: a window that is loaded, never shown, and
// holds five texts the other windows read and write by name.

#include "platform/forms.h"

class Variables : public platform::Form {
public:
    static constexpr const char *FormName = "Variables";
    Variables();
    void Form_Load() override;

    QString FormVideo;
    QString FormDebugger;
    QString Processing;
    QString Scanner;
    QString Dock;
};
