// The image loader: one worker thread that downloads card pictures into the
// cache folder, one request at a time, on an HTTPS session of its own. It
// touches nothing of the user interface: its only output is a posted
// WM_APP_IMAGE_READY.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

// wParam: the request id; lParam: 1 when the picture is in place, 0 when not.
constexpr UINT WM_APP_IMAGE_READY = WM_APP + 7;

class ImageLoader {
public:
    // Null, with everything undone, when the session, the wake event or the
    // thread cannot be made.
    static std::unique_ptr<ImageLoader> Start(HWND notifyWindow);
    // Stop with the usual wait, if not stopped yet.
    ~ImageLoader();
    ImageLoader(const ImageLoader&) = delete;
    ImageLoader& operator=(const ImageLoader&) = delete;

    // Puts the request in the one pending slot, replacing one the thread has
    // not taken yet, and wakes the thread. The picture goes to path only
    // when it arrived whole; a partial download never takes that name.
    void Request(const std::string& url, const std::wstring& path, uint32_t id);

    // Asks the thread to end and waits at most waitMs for it. A download
    // cannot be relied on to end when its session is closed under it, so
    // nothing the thread uses is closed here: when it is still busy it is
    // left to finish (without posting) and releases what it uses itself.
    // False when it had not ended in time.
    bool Stop(DWORD waitMs);

    // How long Stop waits at shut-down.
    static constexpr DWORD kStopWaitMs = 3000;

private:
    struct Shared;
    ImageLoader(std::shared_ptr<Shared> shared, HANDLE thread);
    static unsigned __stdcall Run(void* handOver);

    std::shared_ptr<Shared> shared_;
    HANDLE thread_ = nullptr;
};
