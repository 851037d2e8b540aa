// Writes the report pages that the browser tests open.
#pragma once

#include <string>

// Every report, under root\reports\<case>; hostile is the text that must
// show literally everywhere. False, with the reason on stderr, on failure.
bool WriteReportBrowserPages(const std::wstring& root, const std::string& hostile);
