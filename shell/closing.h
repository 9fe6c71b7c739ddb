// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The notice shown while the machine shuts down.

#include "platform/controls.h"
#include "platform/forms.h"

class Closing : public platform::Form {
public:
    static constexpr const char *FormName = "Closing";
    Closing();
    void Form_Load() override;
    void Form_Unload() override;

    platform::Label *Label1;
};
