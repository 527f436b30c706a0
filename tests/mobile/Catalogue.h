#ifndef PELORN_TESTS_CATALOGUE_H
#define PELORN_TESTS_CATALOGUE_H

#include <map>
#include <string>
#include <vector>

namespace PelornTest
{
/* The languages the application ships texts for, as named by the catalogue
 * sources under res/contents/po ("en_US", "ko_KR", ...), sorted. */
std::vector<std::string> ShippedLanguages();

/* The compiled "pelorn-phone" catalogue of a language in the build tree, as
 * id -> text (the header entry left out), read straight from the GNU .mo file
 * so no system locale is needed. Empty when missing or not a catalogue. */
std::map<std::string, std::string> ReadCatalogue(const std::string& language);
} // namespace PelornTest

#endif
