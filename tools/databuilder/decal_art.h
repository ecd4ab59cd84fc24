#pragma once
// The 480 decal pictures: six themes by five kinds by sixteen, each one drawn
// from its own catalogue index so no two are alike.

#include <string>
#include <vector>

namespace databuilder {

const std::vector<std::string>& decalThemes();  // techno fire ice moss space timezone
const std::vector<std::string>& decalKinds();   // vegs buildings rocks objects misc

// data/decals/THEME/KIND/decal-01..16 + extension (as saveTexture writes it) for every
// kind of the theme; false for a theme that is not in the catalogue.
bool buildDecals(const std::string& theme, const std::string& dataDir, const std::string& extension);

}  // namespace databuilder
