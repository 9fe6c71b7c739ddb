// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The transition strip: fills its bar in 200 half steps, then unloads
// itself, shows the window the shared variable names and fades out.

#include "platform/controls.h"
#include "platform/forms.h"
#include "platform/timer.h"

class Processing : public platform::Form {
public:
    static constexpr const char *FormName = "Processing";
    Processing();
    void Form_Load() override;
    void Form_Unload() override;
    void Timer1_Timer();

    platform::Timer *Timer1;
    platform::ProgressBar *ProgressBar1;
    platform::Label *Label1;
};
