// The texts every program's command line shares, exocheck's included, as
// printf formats of the program's name (string literals, so that the
// compiler checks each use, and concatenable with a format of one's own):
//   VERSION_LINES  what --version writes;
//   TRY_HELP_LINE  the line that ends a refused command line.
#pragma once

#include "version.h"

#define VERSION_LINES \
    "%s (petits-calculs) " PETITS_VERSION "\nLicence MIT : logiciel libre, fourni sans aucune garantie.\n"
#define TRY_HELP_LINE "Saisissez « %s --help » pour plus d'informations.\n"
