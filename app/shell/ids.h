// The numbers the main window's controls, menu commands, timer and
// resources are known by; other windows and tests use the same names.
#pragma once

// Resources.
constexpr int IDI_APP_ICON = 101;

// Controls of the main window.
constexpr int IDC_GRID = 1002;
constexpr int IDC_STATUS = 1003;
constexpr int IDC_SET_FILTER = 1004;
constexpr int IDC_SEARCH = 1005;
constexpr int IDC_RARITY_FILTER = 1006;
constexpr int IDC_SAVE = 1008;
constexpr int IDC_EBAY_COMPS = 1009;
constexpr int IDC_EBAY_CURRENT = 1010;
constexpr int IDC_LOCATION = 1011;
constexpr int IDC_EBAY_HOLO = 1012;
constexpr int IDC_VARIANT = 1013;
constexpr int IDC_CARD_IMAGE = 1016;
constexpr int IDC_CHANNEL = 1017;
constexpr int IDC_LOCATION_FILTER = 1018;
constexpr int IDC_CLEAR_FILTERS = 1019;
constexpr int IDC_MODE_TOGGLE = 1020;
constexpr int IDC_SHOW_FILTER = 1021;
constexpr int IDC_WANT = 1030;
constexpr int IDC_TRADE = 1031;
// One per condition row: Mint, Near Mint, Played.
constexpr int IDC_QTY_MINT = 1100;
constexpr int IDC_QTY_NEAR_MINT = 1101;
constexpr int IDC_QTY_PLAYED = 1102;
constexpr int IDC_PRICE_MINT = 1110;
constexpr int IDC_PRICE_NEAR_MINT = 1111;
constexpr int IDC_PRICE_PLAYED = 1112;
constexpr int IDC_SELL_MINT = 1120;
constexpr int IDC_SELL_NEAR_MINT = 1121;
constexpr int IDC_SELL_PLAYED = 1122;

// Menu commands.
constexpr int IDM_EXPORT_CSV = 40002;
constexpr int IDM_EXPORT_TXT = 40003;
constexpr int IDM_EXPORT_CLIPBOARD = 40004;
constexpr int IDM_BACKUP_NOW = 40005;
constexpr int IDM_RESTORE_BACKUP = 40006;
constexpr int IDM_EXPORT_INVENTORY_CSV = 40007;
constexpr int IDM_EXIT = 40008;
constexpr int IDM_UPDATE_CATALOGUE = 40009;
constexpr int IDM_GENERATE_STORE = 40010;
constexpr int IDM_SELF_HOST_IMAGES = 40011;
constexpr int IDM_STORE_SETTINGS = 40012;
constexpr int IDM_UPDATE_CHECKED_SOLD = 40020;
constexpr int IDM_UNDO_LAST_SALE = 40021;
constexpr int IDM_UNDO_BULK_RECENT = 40022;
constexpr int IDM_SALES_REPORT = 40023;
constexpr int IDM_IN_STOCK_ONLY = 40030;
constexpr int IDM_CHECK_ALL = 40031;
constexpr int IDM_ALWAYS_ON_TOP = 40032;
constexpr int IDM_MODE_SALES = 40033;
constexpr int IDM_MODE_COLLECTION = 40034;
constexpr int IDM_ABOUT = 40040;
constexpr int IDM_DEBUG_LOG = 40041;
constexpr int IDM_WISHLIST_REPORT = 40050;
constexpr int IDM_TRADE_LIST = 40051;
constexpr int IDM_SET_COMPLETION = 40052;

// Items of the grid's context menu.
constexpr int IDM_CTX_UPDATE_SOLD = 1;
constexpr int IDM_CTX_RECENT_SALES = 2;

// The search box's typing delay.
constexpr int IDT_SEARCH = 1;
constexpr unsigned kSearchDelayMs = 250;
