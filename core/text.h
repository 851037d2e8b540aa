// Text conversion between UTF-8 and UTF-16, file-name stems made from card
// ids, and the parsers for what the user types as a quantity or a price.
// Stateless; safe on any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Empty when the input is empty or cannot be converted. The whole input is
// converted, embedded zero characters included.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// The text as well-formed UTF-8: each maximal ill-formed part (a stray or
// cut-off byte, an overlong form, a surrogate, a code point past U+10FFFF)
// becomes one U+FFFD, as browsers decode it. Card data keeps whatever bytes
// its source held, and a strict reader refuses a file with one bad byte.
std::string ToValidUtf8(std::string_view text);

// A file-name stem for a card id: the id itself when it is made only of
// ASCII letters, digits, '-' and '_' (and is not a Windows device name),
// otherwise the id with every other byte replaced by '_' plus "_" and the
// id's 32-bit FNV-1a hash in eight lower-case hex digits.
std::string SafeFileStem(std::string_view cardId);
// The stem of a self-hosted store image; the same as the cache's.
std::string StoreImageStem(std::string_view cardId);

// Without leading and trailing spaces and tabs; other white space is text.
std::wstring TrimBlanks(std::wstring_view text);

// A whole quantity from 0 to 100000; empty text is 0. The out value is
// written only on success.
bool ParseQuantity(std::wstring_view text, uint32_t* quantity);
// A price from 0.0 to 1000000.0 in digits and one full stop; empty text is
// 0.0. The out value is written only on success.
bool ParsePrice(std::wstring_view text, double* price);
