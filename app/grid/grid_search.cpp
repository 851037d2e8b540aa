// The filters and the search box: which rows the view holds.
#include "app/grid/grid_model.h"

#include <windows.h>

namespace {

// The search text of a row without its own allocation: filtering reuses
// one buffer for every row.
void FillSearchText(const CatalogueRow& row, std::wstring& text)
{
    text.clear();
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
    if (!text.empty())
        CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
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

std::wstring LowerCased(const std::wstring& text)
{
    std::wstring lower = text;
    if (!lower.empty())
        CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
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
    FillSearchText(row, text);
    return text;
}

void RebuildView(GridModel& model, const GridFilters& filters)
{
    const std::vector<std::wstring> terms = SplitSearchTerms(LowerCased(filters.search));
    std::wstring searchText;

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
            FillSearchText(row, searchText);
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
