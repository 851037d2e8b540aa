#include "core/status.h"

namespace {

StatusSinkFn statusSink = nullptr;

} // namespace

void SetStatusSink(StatusSinkFn sink)
{
    statusSink = sink;
}

void ReportStatus(const std::wstring& text)
{
    if (statusSink)
        statusSink(text);
}
