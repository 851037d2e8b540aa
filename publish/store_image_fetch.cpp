#include "publish/store_image_fetch.h"

namespace {

StoreImageDownload installedDownload = nullptr;

} // namespace

void SetStoreImageDownload(StoreImageDownload download)
{
    installedDownload = download;
}

bool FetchStoreImage(const std::string& url, const std::wstring& path)
{
    return installedDownload && installedDownload(url, path);
}
