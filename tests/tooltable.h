#pragma once
// The three tools of the dock, each with its icon, the icon's two holders,
// its shared variable and a way to find its window.

#include "console/debugger.h"
#include "console/scanner.h"
#include "dock/dock.h"
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
