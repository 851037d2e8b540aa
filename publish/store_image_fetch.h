// SEAM, to go when the HTTPS client (OpenHttpSession, HttpGetToFile) is in
// this build: until then the store page fetches its self-hosted images
// through the function installed here. With none installed every download
// fails, so each card links to its remote picture as after a failed
// download. Not safe to change while a page is being written.
#pragma once

#include <string>

// True when the whole picture at url is in the file at path; on false no
// file of its making is left behind.
using StoreImageDownload = bool (*)(const std::string& url, const std::wstring& path);

void SetStoreImageDownload(StoreImageDownload download);
bool FetchStoreImage(const std::string& url, const std::wstring& path);
