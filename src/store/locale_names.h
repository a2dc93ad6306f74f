// English names of the language and country numbers in language-file codes.
#pragma once

#include <QString>

// The language-file code LLLCCC numbers languages and countries as Qt 4's QLocale
// enumerations did (Chinese 25, English 31; China 44, Taiwan 208). Qt 6 renumbered both
// enumerations, so the numbers are translated through fixed tables before asking QLocale
// for the English name. 0 gives QLocale's name for "any" ("Default"); numbers without a
// Qt 6 counterpart give "Unknown".
QString englishLanguageName(uint qt4Language);
QString englishCountryName(uint qt4Country);
