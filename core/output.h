// Helpers shared by the store page, the reports and the exports: escaping
// for JSON and script text, the date line, whole-file writes, the check of a
// downloaded image and the credit footer. Stateless; safe on any thread.
// Column text of a query row is ColumnTextString in core/db.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The text escaped for the inside of a JSON string or a script string
// literal, without the quotation marks. '<' and '>' come out as \u003C and
// \u003E, so no escaped text can close the script element it sits in;
// U+2028 and U+2029 as \u2028 and \u2029; ill-formed UTF-8 as U+FFFD
// (ToValidUtf8 in core/text.h).
std::string JsonEsc(std::string_view text);

// Appends "key":"value" with the value escaped by JsonEsc.
void AppendJsonText(std::string& out, const char* key, std::string_view value);

// A price as a JSON or script number with two decimals ("12.50"); minus
// zero is "0.00". Never cut short, however large the price.
std::string PriceNumberText(double price);

// Today's local date in words, e.g. "7 March 2026".
std::string FormatLongDate();
// The same for a given date; a month outside 1 to 12 reads as January.
std::string FormatLongDateOf(int day, int month, int year);

// Creates or truncates exactly this path and writes all of bytes. Errors:
// "cannot create " or "write failed: " followed by the path. Whole files
// that replace an earlier one go through WriteFileByReplacement
// (core/file_replace.h) with this writer.
bool WriteWholeFile(const std::wstring& path, std::string_view bytes, std::string& error);

// True when the file is at least 256 bytes long and starts like a PNG, JPEG
// or GIF image; anything else, an error page saved under an image's name
// included, must be fetched again.
bool IsValidImageFile(const std::wstring& path);
// The same test on a file's bytes already read: its size and its first
// bytes (at least 4 of them for a match).
bool IsValidImageStart(uint64_t fileSize, std::string_view head);

// The byte position of the first "</style>", or npos.
size_t FindStyleClose(std::string_view page);

// The style rules of the credit footer, for a page's style block.
extern const char kFooterStyle[];
// The credit footer element, followed by LF.
std::string BuildFooterHtml();
