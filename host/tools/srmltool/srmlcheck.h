// Finds where an SRML file breaks the format. The plug-in's reader only says
// yes or no; this walks the file through the same XML service by the same
// rules and names the first element that broke one, with its line.
#pragma once

#include <string>

struct SrmlCheckResult {
    bool good = false;
    // When not good: what broke, e.g. "Recipe \"Front\": no Angles element".
    std::string problem;
    // The 1-based line of the element (or of the XML error); 0 when unknown.
    int line = 0;
};

SrmlCheckResult srmlCheck(const std::string& path);
