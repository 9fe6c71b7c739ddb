// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "fonts.h"

#include <QFont>
#include <QStringList>

namespace platform {

void installFontSubstitutes()
{
    QFont::insertSubstitutions(QStringLiteral("Verdana"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Bitstream Vera Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    // The consoles' pages line up only in a monospace font.
    QFont::insertSubstitutions(
        QStringLiteral("Lucida Console"),
        {QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Bitstream Vera Sans Mono"), QStringLiteral("Monospace")});
}

}   // namespace platform
