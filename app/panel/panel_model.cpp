#include "app/panel/panel_model.h"

#include "core/db.h"
#include "core/locations.h"
#include "core/text.h"

#include <cstdio>

namespace {

constexpr const wchar_t* kHeldMarker = L"  \u2022";

std::wstring FormatPrice(double price)
{
    wchar_t text[64];
    std::swprintf(text, std::size(text), L"%.2f", price);
    return text;
}

} // namespace

bool DiffersFromBaseline(const PanelBaseline& shown, const PanelBaseline& baseline)
{
    for (int i = 0; i < kPanelConditions; ++i) {
        if (shown.qtyTexts[i] != baseline.qtyTexts[i] || shown.priceTexts[i] != baseline.priceTexts[i])
            return true;
    }
    return shown.location != baseline.location || shown.want != baseline.want || shown.trade != baseline.trade;
}

ConditionFields EmptyConditionFields()
{
    ConditionFields fields;
    for (std::wstring& qty : fields.qtyTexts)
        qty = L"0";
    return fields;
}

ConditionFields ConditionFieldsFromRows(const std::vector<ConditionRow>& rows)
{
    ConditionFields fields = EmptyConditionFields();
    for (const ConditionRow& row : rows) {
        for (int i = 0; i < kPanelConditions; ++i) {
            if (row.condition != Condition::All[i])
                continue;
            fields.qtyTexts[i] = std::to_wstring(row.qty);
            fields.priceTexts[i] = row.price > 0.0 ? FormatPrice(row.price) : std::wstring();
            fields.storedPrices[i] = row.price;
        }
    }
    return fields;
}

std::wstring CardSubtitle(const CatalogueRow& row)
{
    std::wstring subtitle = row.set_name + L"   #" + row.number;
    if (!row.set_total.empty())
        subtitle += L"/" + row.set_total;
    return subtitle + L"   " + row.rarity;
}

std::vector<std::wstring> VariantChoices(const std::vector<std::wstring>& heldVariants)
{
    std::vector<std::wstring> choices;
    for (const wchar_t* variant : Variant::All) {
        std::wstring choice = variant;
        for (const std::wstring& held : heldVariants) {
            if (held == variant) {
                choice += kHeldMarker;
                break;
            }
        }
        choices.push_back(std::move(choice));
    }
    return choices;
}

int32_t VariantIndexOrStandard(int64_t selection)
{
    return selection >= 0 && selection < static_cast<int64_t>(std::size(Variant::All)) ? static_cast<int32_t>(selection)
                                                                                       : 0;
}

bool PlanPanelSave(const PanelBaseline& shown, const PanelBaseline& baseline,
                   const double (&storedPrices)[kPanelConditions], PanelSave& save, PanelInputError& error)
{
    PanelSave planned;
    for (int i = 0; i < kPanelConditions; ++i) {
        const std::wstring condition = Condition::All[i];
        uint32_t qty = 0;
        if (!ParseQuantity(shown.qtyTexts[i], &qty)) {
            error = {i, false, L"Invalid quantity for " + condition + L" \u2014 whole number only"};
            return false;
        }
        double price = 0.0;
        if (!ParsePrice(shown.priceTexts[i], &price)) {
            error = {i, true, L"Invalid price for " + condition + L" \u2014 e.g. 4.50 (no $ or minus)"};
            return false;
        }
        // The field shows the stored price rounded to cents; written back
        // from that text, 4.125 would silently become 4.13.
        if (shown.priceTexts[i] == baseline.priceTexts[i])
            price = storedPrices[i];
        planned.rows[i] = {static_cast<int32_t>(qty), price};
    }
    planned.location = shown.location;
    planned.want = shown.want;
    planned.trade = shown.trade;
    save = std::move(planned);
    return true;
}

PanelWriteResult WritePanelSave(sqlite3* db, const std::string& cardId, const std::wstring& variant, Ledger ledger,
                                const PanelSave& save, std::string& error)
{
    Transaction transaction;
    if (!transaction.Begin(db, error))
        return PanelWriteResult::BeginFailed;
    for (int i = 0; i < kPanelConditions; ++i) {
        const ConditionWrite& row = save.rows[i];
        const bool written = row.qty < 1
                                 ? DeleteConditionRow(db, cardId, Condition::All[i], error, variant, ledger)
                                 : SaveConditionRow(db, cardId, Condition::All[i], row.qty, row.price, error,
                                                    variant, ledger);
        if (!written)
            return PanelWriteResult::Failed;
    }
    if (!SaveVariantLocation(db, ledger, cardId, WideToUtf8(variant), save.location, error))
        return PanelWriteResult::Failed;

    const bool anyFlag = save.want || save.trade;
    StmtHandle flags = PrepareStmt(db,
                                   anyFlag ? "INSERT INTO card_flags (card_id, want, tradable) VALUES (?,?,?) ON "
                                             "CONFLICT(card_id) DO UPDATE SET want = excluded.want, tradable = "
                                             "excluded.tradable;"
                                           : "DELETE FROM card_flags WHERE card_id = ?;",
                                   error);
    if (!flags)
        return PanelWriteResult::Failed;
    BindText(flags.get(), 1, cardId);
    if (anyFlag) {
        sqlite3_bind_int(flags.get(), 2, save.want ? 1 : 0);
        sqlite3_bind_int(flags.get(), 3, save.trade ? 1 : 0);
    }
    if (!StepDone(flags.get(), error))
        return PanelWriteResult::Failed;
    flags.reset();
    return transaction.Commit(error) ? PanelWriteResult::Committed : PanelWriteResult::Failed;
}

bool ReadCardFlags(sqlite3* db, const std::string& cardId, bool& want, bool& trade, std::string& error)
{
    want = false;
    trade = false;
    StmtHandle stmt = PrepareStmt(db, "SELECT want, tradable FROM card_flags WHERE card_id = ?;", error);
    if (!stmt)
        return false;
    BindText(stmt.get(), 1, cardId);
    const int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_ROW) {
        want = sqlite3_column_int(stmt.get(), 0) != 0;
        trade = sqlite3_column_int(stmt.get(), 1) != 0;
        return true;
    }
    if (rc == SQLITE_DONE)
        return true;
    error = sqlite3_errmsg(db);
    return false;
}

GridRefresh GridRefreshAfterSave(bool locationRead, const std::wstring& oldLocation,
                                 const std::wstring& newLocation, bool inStockOnly, bool showFilterActive)
{
    if (locationRead && newLocation != oldLocation)
        return GridRefresh::RefillLocationsAndRefilter;
    if (inStockOnly || showFilterActive)
        return GridRefresh::Refilter;
    return GridRefresh::Repaint;
}
