#include "publish/picture_record.h"

#include "core/db.h"
#include "core/file_replace.h"
#include "core/output.h"
#include "core/text.h"

#include <string_view>

namespace {

// Far more than any stock will ever need; a larger file is not ours.
constexpr uint64_t kLargestRecord = 64u << 20;

// A plain decimal number, all of the text and nothing else.
bool ParseCount(std::string_view text, uint64_t& value)
{
    if (text.empty() || text.size() > 20)
        return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    return true;
}

// One "size TAB write-time TAB name" line into the record.
void AddRecordLine(std::string_view line, PictureRecord& record)
{
    const size_t first = line.find('\t');
    const size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
    if (second == std::string_view::npos || second + 1 == line.size())
        return;
    PictureStamp stamp;
    if (ParseCount(line.substr(0, first), stamp.size) &&
        ParseCount(line.substr(first + 1, second - first - 1), stamp.writeTime))
        record.whole[std::string(line.substr(second + 1))] = stamp;
}

} // namespace

bool operator==(const PictureRecord& a, const PictureRecord& b)
{
    return a.folder == b.folder && a.whole == b.whole;
}

std::wstring PictureRecordPath()
{
    const std::wstring folder = DataFolder();
    return folder.empty() ? std::wstring() : folder + L"\\store-images.txt";
}

PictureRecord LoadPictureRecord(const std::wstring& path, const std::wstring& folder)
{
    PictureRecord record;
    record.folder = folder;
    std::string text;
    if (path.empty() || !ReadWholeFile(path, kLargestRecord, text))
        return record;
    // Only whole lines count: a line without its end could be a name cut off.
    std::string_view rest = text;
    const size_t headEnd = rest.find('\n');
    if (headEnd == std::string_view::npos || rest.substr(0, headEnd) != WideToUtf8(folder))
        return record;
    rest.remove_prefix(headEnd + 1);
    for (size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
        AddRecordLine(rest.substr(0, end), record);
        rest.remove_prefix(end + 1);
    }
    return record;
}

bool SavePictureRecord(const std::wstring& path, const PictureRecord& record, std::string& error)
{
    std::string text = WideToUtf8(record.folder) + "\n";
    text.reserve(text.size() + record.whole.size() * 48);
    for (const auto& [name, stamp] : record.whole) {
        text += std::to_string(stamp.size);
        text += '\t';
        text += std::to_string(stamp.writeTime);
        text += '\t';
        text += name;
        text += '\n';
    }
    return WriteFileByReplacement(path, text, WriteWholeFile, "could not replace store-images.txt", error);
}
