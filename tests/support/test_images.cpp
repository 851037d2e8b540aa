#include "tests/support/test_images.h"

#include <algorithm>

namespace {

void PutBigEndian32(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

uint32_t Crc32(const std::string& bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string PngChunk(const char* type, const std::string& data)
{
    std::string chunk;
    PutBigEndian32(chunk, static_cast<uint32_t>(data.size()));
    const std::string typed = type + data;
    chunk += typed;
    PutBigEndian32(chunk, Crc32(typed));
    return chunk;
}

// A zlib stream of stored (uncompressed) blocks.
std::string StoredZlib(const std::string& raw)
{
    std::string out = "\x78\x01";
    size_t pos = 0;
    do {
        const size_t n = std::min<size_t>(raw.size() - pos, 65535);
        const bool last = pos + n == raw.size();
        out += static_cast<char>(last ? 1 : 0);
        out += static_cast<char>(n & 0xFF);
        out += static_cast<char>(n >> 8);
        out += static_cast<char>(~n & 0xFF);
        out += static_cast<char>((~n >> 8) & 0xFF);
        out.append(raw, pos, n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian32(out, (b << 16) | a);
    return out;
}

std::string JpegSegment(unsigned char marker, const std::string& payload)
{
    const size_t length = payload.size() + 2;
    return std::string{'\xFF', static_cast<char>(marker), static_cast<char>(length >> 8),
                       static_cast<char>(length & 0xFF)} +
           payload;
}

} // namespace

std::string SolidPng(int width, int height, uint32_t rgb)
{
    std::string header;
    PutBigEndian32(header, static_cast<uint32_t>(width));
    PutBigEndian32(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8-bit RGB, no interlace
    std::string row(1 + 3 * static_cast<size_t>(width), '\0');
    for (int x = 0; x < width; ++x) {
        row[1 + 3 * x] = static_cast<char>((rgb >> 16) & 0xFF);
        row[2 + 3 * x] = static_cast<char>((rgb >> 8) & 0xFF);
        row[3 + 3 * x] = static_cast<char>(rgb & 0xFF);
    }
    std::string raw;
    raw.reserve(row.size() * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        raw += row;
    return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) + PngChunk("IDAT", StoredZlib(raw)) +
           PngChunk("IEND", "");
}

std::string StructuralJpeg(char fill)
{
    const std::string soi("\xFF\xD8", 2);
    const std::string eoi("\xFF\xD9", 2);
    const std::string thumbnail = soi + JpegSegment(0xDB, std::string(65, '\x01')) + eoi;
    std::string coded(200, fill);
    coded += std::string("\xFF\x00", 2) + std::string(20, fill) + std::string("\xFF\xD0", 2) +
             std::string(20, fill) + std::string("\xFF\x00", 2);
    return soi + JpegSegment(0xE1, std::string("Exif\0\0", 6) + thumbnail + std::string(40, '\0')) +
           JpegSegment(0xDB, std::string(65, '\x02')) +
           JpegSegment(0xC2, std::string("\x08\x00\x10\x00\x10\x01\x01\x11\x00", 9)) +
           JpegSegment(0xDA, std::string("\x01\x01\x00\x00\x3F\x00", 6)) + coded +
           JpegSegment(0xDA, std::string("\x01\x01\x00\x00\x3F\x10", 6)) + coded + eoi;
}
