// File → Export card list (CSV, TXT, clipboard) and Export inventory to CSV:
// the commands that gather what the main window shows, have the text built
// and deliver it to a file the user names or to the clipboard. Each reports
// its outcome in the status bar and the debug log.
#pragma once

#include "publish/export_card_list.h"

// The current ledger's stock, or that of the checked cards (hidden ones
// included) followed by a line for each checked card without any.
void ExportCardList(ExportFormat format);
// Every stock row of the current ledger with its location, as a CSV file.
void ExportStockCsv();
