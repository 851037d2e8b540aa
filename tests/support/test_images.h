// Pictures for the tests and benchmarks that download, keep and draw card
// images: a real PNG that any decoder reads, and a JPEG that is complete in
// its structure (the parts a completeness check walks) without being
// decodable.
#pragma once

#include <cstdint>
#include <string>

// A width × height PNG of one colour (0xRRGGBB), 8-bit RGB, its image data
// stored uncompressed.
std::string SolidPng(int width, int height, uint32_t rgb);

// SOI, an APP1 segment holding a whole thumbnail JPEG (its own SOI and
// EOI), quantisation and frame segments, two scans whose coded data holds
// stuffed 0xFF bytes and restart markers, and EOI; fill varies the coded
// data, so two fills give two different files.
std::string StructuralJpeg(char fill);
