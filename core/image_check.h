// Whether a downloaded picture arrived whole. A connection that breaks off
// can still leave a file that starts like an image and even decodes, showing
// a damaged card for good; so a picture is kept (in the preview's cache, in
// the store page's images folder) only when its format's own structure runs
// from the signature to its end marker. Stateless; safe on any thread.
#pragma once

#include <string>
#include <string_view>

// True when the bytes are a PNG whose chunks lead to the IEND chunk, a JPEG
// whose segments and scans lead to the end-of-image marker, or a GIF whose
// blocks lead to the trailer. Bytes after the end marker are allowed; any
// other format is false.
bool IsCompleteImageBytes(std::string_view bytes);

// IsValidImageFile (core/output.h) and complete as above. A file larger
// than any download may be is false.
bool IsCompleteImageFile(const std::wstring& path);
