#include "app/sales/sales_commands.h"

// Until the sales windows exist, a context command does nothing.
void RunGridContextCommand(int, const ContextCard&) {}

GridContextCalls& GridContext()
{
    static GridContextCalls calls = {RunGridContextCommand};
    return calls;
}
