#include "core/image_check.h"

#include "core/file_replace.h"
#include "core/http.h"
#include "core/output.h"

#include <cstring>

namespace {

// Each walker stops at the first thing that does not fit its format, and
// every length is checked against what is there before it is followed, so
// a cut anywhere (even right after a nested picture's own end marker, as an
// EXIF thumbnail has) reads as incomplete.
class Bytes {
public:
    explicit Bytes(std::string_view bytes) : bytes_(bytes) {}
    size_t Size() const { return bytes_.size(); }
    unsigned At(size_t pos) const { return static_cast<unsigned char>(bytes_[pos]); }
    // A big-endian number of n bytes at pos; the caller checked the bounds.
    size_t BigEndian(size_t pos, int n) const
    {
        size_t value = 0;
        for (int i = 0; i < n; ++i)
            value = (value << 8) | At(pos + static_cast<size_t>(i));
        return value;
    }
    // The position of the next 0xFF from pos, or npos.
    size_t NextFF(size_t pos) const
    {
        if (pos >= bytes_.size())
            return std::string_view::npos;
        const void* found = std::memchr(bytes_.data() + pos, 0xFF, bytes_.size() - pos);
        return found ? static_cast<size_t>(static_cast<const char*>(found) - bytes_.data()) : std::string_view::npos;
    }

private:
    std::string_view bytes_;
};

bool CompletePng(const Bytes& b)
{
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (b.Size() < 8)
        return false;
    for (size_t i = 0; i < 8; ++i)
        if (b.At(i) != kSignature[i])
            return false;
    // Each chunk: length, type, data, CRC.
    for (size_t pos = 8; b.Size() - pos >= 12;) {
        const size_t length = b.BigEndian(pos, 4);
        if (length > b.Size() - pos - 12)
            return false;
        if (b.At(pos + 4) == 'I' && b.At(pos + 5) == 'E' && b.At(pos + 6) == 'N' && b.At(pos + 7) == 'D')
            return true;
        pos += 12 + length;
    }
    return false;
}

bool IsRestartOrStuffing(unsigned marker)
{
    return marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7);
}

bool CompleteJpeg(const Bytes& b)
{
    if (b.Size() < 4 || b.At(0) != 0xFF || b.At(1) != 0xD8)
        return false;
    size_t pos = 2;
    for (;;) {
        if (pos >= b.Size() || b.At(pos) != 0xFF)
            return false;
        while (pos < b.Size() && b.At(pos) == 0xFF) // fill bytes before a marker
            ++pos;
        if (pos >= b.Size())
            return false;
        const unsigned marker = b.At(pos++);
        if (marker == 0xD9)
            return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // markers without a segment
        if (marker == 0x00 || b.Size() - pos < 2)
            return false;
        const size_t length = b.BigEndian(pos, 2);
        if (length < 2 || length > b.Size() - pos)
            return false;
        pos += length;
        if (marker != 0xDA)
            continue;
        // A scan's coded data has no length: it runs to the next marker that
        // is neither a stuffed 0xFF nor a restart.
        for (;;) {
            const size_t ff = b.NextFF(pos);
            if (ff == std::string_view::npos || ff + 1 >= b.Size())
                return false;
            if (b.At(ff + 1) == 0xFF) {
                pos = ff + 1;
            } else if (IsRestartOrStuffing(b.At(ff + 1))) {
                pos = ff + 2;
            } else {
                pos = ff;
                break;
            }
        }
    }
}

// The sub-blocks that follow an extension or an image: sizes up to 255, the
// last one 0.
bool SkipGifSubBlocks(const Bytes& b, size_t& pos)
{
    for (;;) {
        if (pos >= b.Size())
            return false;
        const size_t size = b.At(pos++);
        if (size == 0)
            return true;
        pos += size;
    }
}

size_t GifColourTableBytes(unsigned flags)
{
    return (flags & 0x80) ? 3 * (size_t{1} << ((flags & 7) + 1)) : 0;
}

bool CompleteGif(const Bytes& b)
{
    if (b.Size() < 13 || b.At(0) != 'G' || b.At(1) != 'I' || b.At(2) != 'F' || b.At(3) != '8')
        return false;
    size_t pos = 13 + GifColourTableBytes(b.At(10));
    for (;;) {
        if (pos >= b.Size())
            return false;
        const unsigned block = b.At(pos++);
        if (block == 0x3B)
            return true;
        if (block == 0x21) { // extension: label, then sub-blocks
            ++pos;
        } else if (block == 0x2C) { // image: descriptor, colour table, code size, sub-blocks
            if (b.Size() - pos < 10)
                return false;
            pos += 9 + GifColourTableBytes(b.At(pos + 8)) + 1;
        } else {
            return false;
        }
        if (!SkipGifSubBlocks(b, pos))
            return false;
    }
}

} // namespace

bool IsCompleteImageBytes(std::string_view bytes)
{
    const Bytes b(bytes);
    return CompletePng(b) || CompleteJpeg(b) || CompleteGif(b);
}

bool IsCompleteImageFile(const std::wstring& path)
{
    // Opened and read once: a stored picture is looked at for every card of
    // every store page, and under some file systems each open costs more
    // than the read.
    std::string bytes;
    return ReadWholeFile(path, kHttpMaxFileBytes, bytes) && IsValidImageStart(bytes.size(), bytes) &&
           IsCompleteImageBytes(bytes);
}
