#include "app/sales/recent_rows.h"

#include "core/log.h"
#include "core/schema.h"
#include "core/text.h"

#include <windows.h>
#include <commctrl.h>

#include <cwchar>

RecentSalesList LoadRecentSalesList(const std::wstring& databasePath, const std::string& cardFilter)
{
    RecentSalesList list;
    DbHandle db;
    std::string error;
    if (!OpenReadyDb(databasePath, db, error)) {
        Log("RecentSales OpenReadyDb: %s", error.c_str());
        return list;
    }
    const bool read = cardFilter.empty() ? LoadRecentSales(db.get(), list.records, error)
                                         : LoadSalesForCard(db.get(), cardFilter, list.records, error);
    if (read)
        list.total = CountSales(db.get(), cardFilter);
    db.reset();
    if (!read) {
        // Part of a list is not the ledger: a reversal chosen from it could
        // miss sales the user believes are listed.
        LogW(L"RecentSales load failed: %ls", Utf8ToWide(error).c_str());
        list.records.clear();
        return list;
    }
    list.loaded = true;
    return list;
}

std::wstring RecentSalesStatus(const RecentSalesList& list, bool cardFilter)
{
    if (!list.loaded)
        return L"Couldn't load sales \u2014 database error. Reverse/Amend disabled.";
    if (list.records.empty())
        return cardFilter ? L"No sales recorded for this card." : L"No sales recorded yet.";
    wchar_t text[128];
    if (!cardFilter && list.total > 0 && static_cast<size_t>(list.total) > list.records.size())
        swprintf(text, 128, L"Latest %d of %d sales (most recent first)", static_cast<int>(list.records.size()),
                 list.total);
    else
        swprintf(text, 128, L"%d sale%ls%ls", static_cast<int>(list.records.size()),
                 list.records.size() == 1 ? L"" : L"s",
                 cardFilter ? L" for this card (most recent first)" : L" (most recent first)");
    return text;
}

std::wstring SaleCardText(const SaleRecord& sale)
{
    return sale.name.empty() ? Utf8ToWide(sale.card_id) : sale.name;
}

std::array<std::wstring, kRecentColumns> RecentSaleCells(const SaleRecord& sale)
{
    wchar_t qty[16];
    swprintf(qty, 16, L"%d", sale.qty);
    wchar_t price[24];
    swprintf(price, 24, L"$%.2f", sale.price);
    return {sale.sold_at, SaleCardText(sale), sale.variant, sale.condition, qty, price, sale.channel};
}

bool IsTickedItemState(unsigned state)
{
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

int ChooseSaleTarget(const std::vector<int>& tickedItems, int focusedItem, int selectedItem)
{
    if (tickedItems.size() == 1)
        return tickedItems.front();
    if (tickedItems.size() > 1)
        return kSeveralTicked;
    if (focusedItem >= 0)
        return focusedItem;
    return selectedItem >= 0 ? selectedItem : kNoTarget;
}

const SaleRecord* RecordOfItem(const std::vector<SaleRecord>& records, intptr_t param)
{
    if (param < 0 || static_cast<size_t>(param) >= records.size())
        return nullptr;
    return &records[static_cast<size_t>(param)];
}

std::vector<int64_t> SalesToReverse(const std::vector<SaleRecord>& records, const std::vector<intptr_t>& ticked,
                                    const std::vector<intptr_t>& selected)
{
    std::vector<int64_t> sales;
    for (intptr_t param : ticked.empty() ? selected : ticked) {
        if (const SaleRecord* record = RecordOfItem(records, param))
            sales.push_back(record->sale_id);
    }
    return sales;
}

std::wstring ReverseSalesQuestion(size_t sales)
{
    wchar_t text[128];
    swprintf(text, 128, L"Reverse %d selected sale%ls? The stock will be restored.", static_cast<int>(sales),
             sales == 1 ? L"" : L"s");
    return text;
}

std::wstring ReverseBatchQuestion(const SaleRecord& sale)
{
    return L"Reverse the whole batch sold at " + sale.sold_at +
           L"?\n\nEvery sale recorded at that moment will be reversed and its stock restored.";
}
