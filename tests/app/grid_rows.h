// Catalogue rows for the grid's tests, built in one line each.
#pragma once

#include "app/grid_model.h"

#include <string>
#include <vector>

inline CatalogueRow MakeRow(const wchar_t* cardId, const wchar_t* name, const wchar_t* setName,
                            const wchar_t* number, const wchar_t* setTotal = L"", int32_t held = 0,
                            const wchar_t* rarity = L"", const wchar_t* location = L"")
{
    CatalogueRow row;
    row.card_id = cardId;
    row.name = name;
    row.set_name = setName;
    row.number = number;
    row.set_total = setTotal;
    row.held = held;
    row.rarity = rarity;
    row.location = location;
    return row;
}

// The card ids of the rows the view shows, in display order.
inline std::vector<std::wstring> ViewIds(const GridModel& model)
{
    std::vector<std::wstring> ids;
    for (int32_t row : model.view)
        ids.push_back(model.rows[static_cast<size_t>(row)].card_id);
    return ids;
}
