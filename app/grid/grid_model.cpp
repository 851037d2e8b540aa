#include "app/grid/grid_model.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <unordered_set>

namespace {

std::vector<std::wstring> DistinctValues(const std::vector<CatalogueRow>& rows, std::wstring CatalogueRow::*field)
{
    // Only the few distinct values are copied and sorted. Rows come grouped
    // by set name, so a value equal to the last one seen skips even the
    // hashing; rarities and locations repeat all over.
    std::unordered_set<std::wstring_view> seen;
    const std::wstring* last = nullptr;
    for (const CatalogueRow& row : rows) {
        const std::wstring& value = row.*field;
        if (value.empty() || (last && value == *last))
            continue;
        last = &value;
        seen.insert(value);
    }
    std::vector<std::wstring> values(seen.begin(), seen.end());
    // std::wstring compares wchar_t values: plain UTF-16 code-unit order.
    std::sort(values.begin(), values.end());
    return values;
}

} // namespace

GridModel& Grid()
{
    static GridModel model;
    return model;
}

void ReplaceGridRows(GridModel& model, std::vector<CatalogueRow> newRows)
{
    model.rows = std::move(newRows);
    model.view.clear();
    model.checked.assign(model.rows.size(), 0);
    for (std::vector<int32_t>& ranks : model.textRanks)
        ranks.clear();
    model.searchTexts.clear();
    model.searchTextStarts.clear();
    model.sortColumn = kGridUnsorted;
    model.ascending = true;
    model.selectedRow = -1;
}

std::wstring GridCellText(const CatalogueRow& row, int32_t column)
{
    switch (column) {
    case GridColumnCard:
        return row.name;
    case GridColumnSet:
        return row.set_name;
    case GridColumnNumber:
        return row.set_total.empty() ? row.number : row.number + L"/" + row.set_total;
    case GridColumnRarity:
        return row.rarity;
    case GridColumnHeld:
        return row.held > 0 ? std::to_wstring(row.held) : std::wstring();
    case GridColumnLocation:
        return row.location;
    default:
        return std::wstring();
    }
}

void CopyGridCellText(const CatalogueRow& row, int32_t column, wchar_t* buffer, int size)
{
    if (!buffer || size <= 0)
        return;
    const std::wstring text = GridCellText(row, column);
    lstrcpynW(buffer, text.c_str(), size);
}

std::wstring GridStatusText(const GridModel& model)
{
    wchar_t text[128];
    const int rowCount = static_cast<int>(model.rows.size());
    const int viewSize = static_cast<int>(model.view.size());
    if (viewSize == rowCount)
        swprintf(text, 128, L"%d cards in catalogue", rowCount);
    else
        swprintf(text, 128, L"%d of %d cards", viewSize, rowCount);
    return text;
}

int32_t FindCatalogueRow(const GridModel& model, const std::wstring& cardId)
{
    for (size_t i = 0; i < model.rows.size(); ++i) {
        if (model.rows[i].card_id == cardId)
            return static_cast<int32_t>(i);
    }
    return -1;
}

int32_t ViewIndexOfRow(const GridModel& model, int32_t row)
{
    if (row < 0)
        return -1;
    const auto found = std::find(model.view.begin(), model.view.end(), row);
    return found == model.view.end() ? -1 : static_cast<int32_t>(found - model.view.begin());
}

int32_t RowOfViewItem(const GridModel& model, int32_t item)
{
    if (item < 0 || static_cast<size_t>(item) >= model.view.size())
        return -1;
    return model.view[static_cast<size_t>(item)];
}

std::vector<std::wstring> DistinctSetNames(const std::vector<CatalogueRow>& rows)
{
    return DistinctValues(rows, &CatalogueRow::set_name);
}

std::vector<std::wstring> DistinctRarities(const std::vector<CatalogueRow>& rows)
{
    return DistinctValues(rows, &CatalogueRow::rarity);
}

std::vector<std::wstring> DistinctLocations(const std::vector<CatalogueRow>& rows)
{
    return DistinctValues(rows, &CatalogueRow::location);
}

int32_t FilterItemIndex(const std::vector<std::wstring>& values, const std::wstring& text)
{
    if (text.empty())
        return 0;
    const auto found = std::find(values.begin(), values.end(), text);
    return found == values.end() ? 0 : static_cast<int32_t>(found - values.begin()) + 1;
}
