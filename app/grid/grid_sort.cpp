// The grid's sort: natural order for the text columns, numbers for Held.
#include "app/grid/grid_model.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <numeric>
#include <string_view>
#include <unordered_map>

namespace {

const std::wstring& SortKey(const CatalogueRow& row, int32_t column)
{
    switch (column) {
    case GridColumnSet:
        return row.set_name;
    case GridColumnNumber:
        return row.number; // without the printed total
    case GridColumnRarity:
        return row.rarity;
    case GridColumnLocation:
        return row.location;
    default:
        return row.name;
    }
}

// A cheap order that agrees with StrCmpLogicalW on plain names: letters
// compared without case, runs of digits compared as numbers. It only puts
// the keys nearly in place; StrCmpLogicalW has the last word.
bool RoughlyBefore(const wchar_t* a, const wchar_t* b)
{
    const auto isDigit = [](wchar_t c) { return c >= L'0' && c <= L'9'; };
    const auto lower = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
    while (*a && *b) {
        if (isDigit(*a) && isDigit(*b)) {
            while (*a == L'0')
                ++a;
            while (*b == L'0')
                ++b;
            const wchar_t* endA = a;
            const wchar_t* endB = b;
            while (isDigit(*endA))
                ++endA;
            while (isDigit(*endB))
                ++endB;
            if (endA - a != endB - b)
                return endA - a < endB - b;
            for (; a != endA; ++a, ++b) {
                if (*a != *b)
                    return *a < *b;
            }
            continue;
        }
        const wchar_t x = lower(*a), y = lower(*b);
        if (x != y)
            return x < y;
        ++a;
        ++b;
    }
    return *b != 0 && *a == 0;
}

// Sorts the keys by StrCmpLogicalW and tells which compare equal to the
// key before them (equal[k] for order[k - 1] and order[k]). Under Wine each
// call of it is slow, so the keys are first put nearly in order by the
// cheap order and then set right by an insertion pass, which costs about
// one call per key when the two orders agree, and whose last call for each
// key also tells whether it equals the key it stops after. Should the
// orders disagree widely (text the cheap order does not know), the pass
// stops after a bounded number of calls and a full sort finishes the job,
// so the cost stays O(n log n) whatever the text.
void SortKeysNaturally(std::vector<int32_t>& order, std::vector<uint8_t>& equal,
                       const std::vector<const wchar_t*>& keys)
{
    const auto key = [&](int32_t k) { return keys[static_cast<size_t>(k)]; };
    std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) { return RoughlyBefore(key(a), key(b)); });
    equal.assign(order.size(), 0);

    size_t budget = 8 * order.size() + 64;
    for (size_t i = 1; i < order.size(); ++i) {
        // Each key's flag travels with it: the keys order[i] moves past
        // keep the key before them, but for the first of them, which now
        // comes strictly after order[i].
        size_t j = i;
        int last = 1;
        for (; j > 0; --j) {
            if (budget == 0) {
                std::stable_sort(order.begin(), order.end(),
                                 [&](int32_t a, int32_t b) { return StrCmpLogicalW(key(a), key(b)) < 0; });
                equal.assign(order.size(), 0);
                for (size_t k = 1; k < order.size(); ++k)
                    equal[k] = StrCmpLogicalW(key(order[k - 1]), key(order[k])) == 0;
                return;
            }
            --budget;
            last = StrCmpLogicalW(key(order[j - 1]), key(order[j]));
            if (last <= 0)
                break;
            std::swap(order[j - 1], order[j]);
            std::swap(equal[j - 1], equal[j]);
        }
        equal[j] = j > 0 && last == 0;
        if (j < i)
            equal[j + 1] = 0;
    }
}

// Each row's rank in the natural order of its key: rows whose keys
// StrCmpLogicalW calls equal share a rank, so a stable sort by rank orders
// exactly as a stable sort comparing the texts would, while StrCmpLogicalW
// runs only over the distinct keys.
std::vector<int32_t> NaturalRanks(const std::vector<CatalogueRow>& rows, int32_t column)
{
    std::unordered_map<std::wstring_view, int32_t> keyIndex;
    keyIndex.reserve(rows.size());
    std::vector<const wchar_t*> keys;
    std::vector<int32_t> keyOfRow(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::wstring& key = SortKey(rows[i], column);
        const auto [found, added] = keyIndex.try_emplace(key, static_cast<int32_t>(keys.size()));
        if (added)
            keys.push_back(key.c_str());
        keyOfRow[i] = found->second;
    }

    std::vector<int32_t> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::vector<uint8_t> equal;
    SortKeysNaturally(order, equal, keys);
    std::vector<int32_t> rankOfKey(keys.size());
    int32_t rank = 0;
    for (size_t k = 0; k < order.size(); ++k) {
        if (k > 0 && !equal[k])
            ++rank;
        rankOfKey[static_cast<size_t>(order[k])] = rank;
    }

    std::vector<int32_t> ranks(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        ranks[i] = rankOfKey[static_cast<size_t>(keyOfRow[i])];
    return ranks;
}

// Stable, so rows of equal value keep their present order either way.
template <typename ValueOfRow>
void SortViewBy(std::vector<int32_t>& view, bool ascending, ValueOfRow value)
{
    std::stable_sort(view.begin(), view.end(), [&](int32_t a, int32_t b) {
        const int32_t valueA = value(a);
        const int32_t valueB = value(b);
        return ascending ? valueA < valueB : valueA > valueB;
    });
}

} // namespace

void SortView(GridModel& model)
{
    if (model.sortColumn == kGridUnsorted || model.view.size() < 2)
        return;
    const std::vector<CatalogueRow>& rows = model.rows;
    int32_t column = model.sortColumn;
    if (column < 0 || column >= kGridColumnCount)
        column = GridColumnCard;

    if (column == GridColumnHeld) {
        SortViewBy(model.view, model.ascending, [&](int32_t row) { return rows[static_cast<size_t>(row)].held; });
        return;
    }
    std::vector<int32_t> locationRanks;
    std::vector<int32_t>* ranks = &locationRanks;
    if (column == GridColumnLocation) {
        locationRanks = NaturalRanks(rows, column);
    } else {
        ranks = &model.textRanks[column];
        if (ranks->size() != rows.size())
            *ranks = NaturalRanks(rows, column);
    }
    SortViewBy(model.view, model.ascending, [&](int32_t row) { return (*ranks)[static_cast<size_t>(row)]; });
}

void SortByColumnClick(GridModel& model, int32_t column)
{
    if (column == model.sortColumn) {
        model.ascending = !model.ascending;
    } else {
        model.sortColumn = column;
        model.ascending = true;
    }
    SortView(model);
}
