#pragma once
// The fixed pages the Debugger prints.

#include <QStringList>

namespace debuggerPages {
QStringList help();
QStringList systemCheck();
QStringList developers();
QStringList closeSyntax();
QStringList loadSyntax();
} // namespace debuggerPages
