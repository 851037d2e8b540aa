// The filters and the search box: which rows the view holds.
#include "app/grid/grid_model.h"

#include <windows.h>

#include <string_view>

namespace {

// A row's search text, not yet lower-cased, added to the end of text.
void AppendSearchText(const CatalogueRow& row, std::wstring& text)
{
    text += row.name;
    text += L'\n';
    text += row.set_name;
    text += L'\n';
    text += row.number;
    if (!row.set_total.empty()) {
        text += L'/';
        text += row.set_total;
    }
    text += L'\n';
    text += row.card_id;
    text += L'\n';
    text += row.rarity;
}

void LowerInPlace(std::wstring& text)
{
    if (!text.empty())
        CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
}

// All rows' texts in one string, lower-cased by one call: CharLowerBuffW
// maps each character alone, so that is the same as row by row.
void FillSearchTexts(GridModel& model)
{
    size_t size = 0;
    for (const CatalogueRow& row : model.rows) {
        size += row.name.size() + row.set_name.size() + row.number.size() + row.set_total.size() +
                row.card_id.size() + row.rarity.size() + 5;
    }
    model.searchTexts.clear();
    model.searchTexts.reserve(size);
    model.searchTextStarts.clear();
    model.searchTextStarts.reserve(model.rows.size() + 1);
    for (const CatalogueRow& row : model.rows) {
        model.searchTextStarts.push_back(model.searchTexts.size());
        AppendSearchText(row, model.searchTexts);
    }
    model.searchTextStarts.push_back(model.searchTexts.size());
    LowerInPlace(model.searchTexts);
}

std::wstring_view SearchTextOf(const GridModel& model, size_t row)
{
    const size_t start = model.searchTextStarts[row];
    return std::wstring_view(model.searchTexts).substr(start, model.searchTextStarts[row + 1] - start);
}

bool PassesShowFilter(const CatalogueRow& row, int32_t show)
{
    switch (show) {
    case ShowOwned:
        return row.held >= 1;
    case ShowWant:
        return row.want;
    case ShowTrade:
        return row.tradable;
    default:
        return true;
    }
}

bool PassesExactFilter(const std::wstring& value, const std::wstring& filter)
{
    return filter.empty() || value == filter;
}

} // namespace

void PrepareSearchTexts(GridModel& model)
{
    if (model.searchTextStarts.size() != model.rows.size() + 1)
        FillSearchTexts(model);
}

std::wstring LowerCased(const std::wstring& text)
{
    std::wstring lower = text;
    LowerInPlace(lower);
    return lower;
}

std::vector<std::wstring> SplitSearchTerms(const std::wstring& text)
{
    std::vector<std::wstring> terms;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of(L" \t", start);
        const size_t stop = end == std::wstring::npos ? text.size() : end;
        if (stop > start)
            terms.push_back(text.substr(start, stop - start));
        start = stop + 1;
    }
    return terms;
}

std::wstring BuildSearchText(const CatalogueRow& row)
{
    std::wstring text;
    AppendSearchText(row, text);
    LowerInPlace(text);
    return text;
}

void RebuildView(GridModel& model, const GridFilters& filters)
{
    const std::vector<std::wstring> terms = SplitSearchTerms(LowerCased(filters.search));
    if (!terms.empty())
        PrepareSearchTexts(model);

    model.view.clear();
    model.view.reserve(model.rows.size());
    for (size_t i = 0; i < model.rows.size(); ++i) {
        const CatalogueRow& row = model.rows[i];
        if (filters.inStockOnly && row.held < 1)
            continue;
        if (!PassesShowFilter(row, filters.show))
            continue;
        if (!PassesExactFilter(row.set_name, filters.set) || !PassesExactFilter(row.rarity, filters.rarity) ||
            !PassesExactFilter(row.location, filters.location))
            continue;
        if (!terms.empty()) {
            const std::wstring_view searchText = SearchTextOf(model, i);
            bool all = true;
            for (const std::wstring& term : terms) {
                if (searchText.find(term) == std::wstring::npos) {
                    all = false;
                    break;
                }
            }
            if (!all)
                continue;
        }
        model.view.push_back(static_cast<int32_t>(i));
    }
    SortView(model);
}
