#pragma once
// PNG images through libpng, the form of the textures the 32-bit Linux build names.

#include <cstdint>
#include <string>
#include <vector>

namespace databuilder {

// Writes width x height pixels of 8-bit RGBA (straight alpha), rows from the top row
// down, as a PNG image; false with a message on failure.
bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba);

}  // namespace databuilder
