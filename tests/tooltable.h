// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#pragma once
// The three tools of the dock, each with its icon, the icon's two holders,
// its shared variable and a way to find its window.

#include "console/debugger.h"
#include "console/scanner.h"
#include "dock/dock.h"
#include "shell/processing.h"
#include "shell/variables.h"
#include "viewer/video.h"

struct Tool {
    const char *name;
    platform::Image *Dock::*icon;
    platform::Image *Dock::*lit;
    platform::Image *Dock::*normal;
    QString Variables::*variable;
    platform::Form *(*find)();
};

inline const Tool Tools[] = {
    {"Video", &Dock::Image1, &Dock::Image1H, &Dock::Image11, &Variables::FormVideo,
     []() -> platform::Form * { return platform::Forms::find<Video>(); }},
    {"Debugger", &Dock::Image4, &Dock::Image4H, &Dock::Image44, &Variables::FormDebugger,
     []() -> platform::Form * { return platform::Forms::find<Debugger>(); }},
    {"Scanner", &Dock::Image5, &Dock::Image5H, &Dock::Image55, &Variables::Scanner,
     []() -> platform::Form * { return platform::Forms::find<Scanner>(); }},
};

// An icon shows a holder's picture when it was given that very picture.
inline bool shows(const platform::Image *icon, const platform::Image *holder)
{
    return icon->Picture().cacheKey() == holder->Picture().cacheKey();
}

inline bool isOpen(const platform::Form *f) { return f && f->state() == platform::Form::State::Loaded; }

// A strip filling its bar on its way to the Scanner.
inline bool stripLeadsToTheScanner()
{
    const Processing *p = platform::Forms::find<Processing>();
    const Variables *v = platform::Forms::find<Variables>();
    return isOpen(p) && v && v->Processing == QStringLiteral("Scanner");
}
