// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "commandline.h"

#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>

namespace commandline {

namespace {

constexpr const char *usage = "Usage: syrel [OPTION]\n"
                              "Stage the operator interface of Syrel, a supercomputer of fiction, full screen.\n"
                              "\n"
                              "  -h, --help     show this help and exit\n"
                              "  -v, --version  show the version and exit\n"
                              "\n"
                              "The clips are looked up beside the program, then in $XDG_DATA_HOME/syrel\n"
                              "and in each of $XDG_DATA_DIRS/syrel; see syrel(6).\n";

int mistake(const QString &what)
{
    std::fprintf(stderr, "syrel: %s\nTry 'syrel --help' for more information.\n", qPrintable(what));
    return 2;
}

}   // namespace

int handle(int argc, char *argv[])
{
    // No application object yet: it would connect to the display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, {});
    parser.addOptions({help, version});
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (unknown.isEmpty()) {
            QString error = parser.errorText();
            error[0] = error[0].toLower();
            return mistake(error);
        }
        const QString &name = unknown.constFirst();
        return mistake(QStringLiteral("unknown option '%1%2'").arg(name.size() == 1 ? "-" : "--", name));
    }
    if (parser.isSet(help)) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::fputs("syrel " SYREL_VERSION "\n", stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return mistake(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst()));
    return -1;
}

}   // namespace commandline
