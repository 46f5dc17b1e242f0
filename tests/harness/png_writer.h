#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Encodes 8-bit RGB rows (top row first) as a PNG file's bytes, uncompressed.
std::string EncodePng(int width, int height, const std::vector<uint8_t>& rgb);
