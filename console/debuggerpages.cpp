// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Syrel developers

#include "debuggerpages.h"

namespace debuggerPages {

namespace {
QString row(QChar c, int n) { return QString(n, c); }

QStringList syntax(const QString &verb, const QString &viewer, const QString &scanner)
{
    return {row(u'-', 39),
            QStringLiteral("Syntaxe : %1 <fenetre>").arg(verb),
            QString(),
            QStringLiteral("<fenetre> peut être :"),
            QStringLiteral("- viewer (%1 le Syrel World Viewer)").arg(viewer),
            QStringLiteral("- scanner (%1 le scanner)").arg(scanner),
            QStringLiteral("- help (Affiche cette aide)"),
            QString(),
            QStringLiteral("Minuscules obligatoire !"),
            row(u'-', 39)};
}
}   // namespace

QStringList help()
{
    return {row(u'-', 60),
            QStringLiteral("CLOSE <Fen> ...... Ferme 'Fen', close help pour plus d'infos"),
            QStringLiteral("HELP .................................... Affiche ce message"),
            QStringLiteral("SCINTILLARIUM.......................... View Developper Info"),
            QStringLiteral("EXIT .................................... Quitte le debugger"),
            row(u'-', 60),
            QString()};
}

QStringList systemCheck()
{
    return {QString(),     QStringLiteral("Starting System Check ..."),
            row(u'=', 25), QString(),
            QString(),     QStringLiteral("End."),
            QString()};
}

// The people, places and product named here are fictional, like Syrel itself.
QStringList developers()
{
    return {QString(),
            QString(),
            QStringLiteral("Informations Créateurs / Développeurs"),
            row(u'=', 37),
            QString(),
            QStringLiteral("Conception, Codage : Aldric Venmoor (Scintillarium)"),
            QStringLiteral("Graphisme : Nelia Orsande, Tomas Quillevic"),
            QStringLiteral("Testeurs : Brune Kaltenor"),
            QString(),
            QStringLiteral("Emulation de l'interface du SuperCalculateur de Vornéa, la Saga"),
            QString(),
            QString(),
            QStringLiteral("Remerciement :"),
            QStringLiteral("- Jorik Ambrel (Le Phare de Vornéa)"),
            QStringLiteral("- Sélia Dorvan (Les Carnets de Talvia)"),
            QStringLiteral("- Pavel Ostermark"),
            QStringLiteral("- Le Forum des Cinq Territoires et ses membres"),
            QStringLiteral("- Toutes les personnes que j'ai oublié, mais que je remercie également !"),
            QString(),
            QStringLiteral("(c) 2005-2007 Atelier Scintillarium - Freeware, bientôt open source"),
            QStringLiteral("Toutes les vidéos ont été faite par Nelia Orsande."),
            QStringLiteral("Une partie du boot est repris de VornOS Loader."),
            QStringLiteral("Courriel : contact@scintillarium.example.org")};
}

QStringList closeSyntax() { return syntax(QStringLiteral("close"), QStringLiteral("Fermer"), QStringLiteral("Ferme")); }
QStringList loadSyntax() { return syntax(QStringLiteral("load"), QStringLiteral("Lance"), QStringLiteral("Lance")); }

}   // namespace debuggerPages
