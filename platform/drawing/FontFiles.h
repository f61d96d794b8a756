// The system's font files as fontconfig knows them, and the family the system uses for its own text.
#pragma once

#include <string>
#include <vector>

namespace VQ::Platform {

// The paths of the TrueType font and collection files (names ending in ".ttf" or ".ttc", in any
// case), sorted so that every scan sees them in the same order. False when fontconfig cannot list
// its fonts.
bool ListFontFiles(std::vector<std::string>& paths);

// The family fontconfig chooses for "sans-serif", which the system's own texts use; empty when it
// chooses none.
std::string GetSystemFontFamily();

} // namespace VQ::Platform
