// The four report commands: each asks for a folder, writes its HTML report
// there and opens it with the default program, saying in the status bar
// how it went (the reason of a failure goes to the debug log only).
#pragma once

// Sales > Sales Report (HTML)...
void SalesReport();
// Collection > Wishlist report (HTML)...
void Wishlist();
// Collection > Trade list (HTML)...
void Trade();
// Collection > Set-completion report (HTML)..., for the set chosen in the
// Set filter; without one it only says so.
void SetCompletion();
