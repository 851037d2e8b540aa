// The sales report page around its data: the markup and style before the
// two data lines, and the script after them.
#pragma once

// Head, style and body markup; ends with "<script>" and a LF.
extern const char kSalesReportTemplate[];
// Starts with a LF; ends the script, the body and the document.
extern const char kSalesReportScript[];
