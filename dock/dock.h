// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The launcher bar: tool icons that open and close their tools and stay lit
// while the tool is open, and the exit icon that shuts the machine down.
// Icon N shows ImageN; ImageNH holds its lit picture, ImageNN its normal one.

#include "platform/controls.h"
#include "platform/forms.h"

class Dock : public platform::Form {
public:
    static constexpr const char *FormName = "Dock";
    Dock();
    void Form_Load() override;
    void Form_Unload() override;
    void Image1_Click();
    void Image4_Click();
    void Image5_Click();
    void Image9_Click();
    void Form_QueryUnload(int &Cancel, int UnloadMode) override;
    // What the exit icon sets going: the notice, every tool and the desktop unloaded.
    static void ShutDown();

    // Lighting copies the lit holder's picture into the icon, unlighting the normal one's.
    static void light(platform::Image *icon, const platform::Image *holder) { icon->setPicture(holder->Picture()); }

    QLabel *Bar;
    platform::Image *Image1, *Image4, *Image5, *Image6, *Image7, *Image8, *Image9;
    platform::Image *Image11, *Image44, *Image55, *Image66, *Image77, *Image88, *Image99;
    platform::Image *Image1H, *Image4H, *Image5H, *Image6H, *Image7H, *Image8H, *Image9H;
};
