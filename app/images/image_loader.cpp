#include "app/images/image_loader.h"

#include "core/file_replace.h"
#include "core/http.h"
#include "core/image_check.h"

#include <process.h>

#include <atomic>

// What the thread and the user-interface thread share. Owned by both: the
// last one to let go (the thread, when shut-down stopped waiting for it)
// closes the session, the event and the lock.
struct ImageLoader::Shared {
    Shared() { InitializeCriticalSection(&lock); }
    ~Shared()
    {
        if (wake)
            CloseHandle(wake);
        DeleteCriticalSection(&lock);
    }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    HWND notify = nullptr;
    HttpSession session;
    HANDLE wake = nullptr; // auto-reset
    std::atomic<bool> stop{false};

    // Guards the slot only, and is never held across a download.
    CRITICAL_SECTION lock;
    std::string url;
    std::wstring path;
    uint32_t id = 0;
    bool pending = false;
};

namespace {

// The picture at path, downloaded whole, or false with no file of this
// call's making left behind.
bool FetchPicture(HINTERNET session, const std::string& url, const std::wstring& path)
{
    // An earlier request for the same card, overtaken in the preview, may
    // have brought it already.
    if (IsCompleteImageFile(path))
        return true;
    const std::wstring temp = path + L".tmp";
    if (HttpGetToFile(session, url, temp) && IsCompleteImageFile(temp) && ReplaceWithTempFile(temp, path))
        return true;
    DeleteFileW(temp.c_str());
    return false;
}

} // namespace

unsigned __stdcall ImageLoader::Run(void* argument)
{
    const auto handOver = static_cast<std::shared_ptr<Shared>*>(argument);
    const std::shared_ptr<Shared> shared = std::move(*handOver);
    delete handOver;
    for (;;) {
        // A request made during a download left the event set, so this
        // returns at once; requests that replaced each other meanwhile are
        // fetched once, for the latest.
        WaitForSingleObject(shared->wake, INFINITE);
        if (shared->stop)
            return 0;
        std::string url;
        std::wstring path;
        uint32_t id = 0;
        EnterCriticalSection(&shared->lock);
        const bool taken = shared->pending;
        if (taken) {
            url.swap(shared->url);
            path.swap(shared->path);
            id = shared->id;
            shared->pending = false;
        }
        LeaveCriticalSection(&shared->lock);
        if (!taken)
            continue;
        const bool fetched = FetchPicture(shared->session.get(), url, path);
        if (shared->stop)
            return 0;
        PostMessageW(shared->notify, WM_APP_IMAGE_READY, id, fetched ? 1 : 0);
    }
}

ImageLoader::ImageLoader(std::shared_ptr<Shared> shared, HANDLE thread) : shared_(std::move(shared)), thread_(thread)
{
}

std::unique_ptr<ImageLoader> ImageLoader::Start(HWND notifyWindow)
{
    auto shared = std::make_shared<Shared>();
    shared->notify = notifyWindow;
    shared->session = OpenHttpSession();
    shared->wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!shared->session || !shared->wake)
        return nullptr;
    auto* handOver = new std::shared_ptr<Shared>(shared);
    const uintptr_t thread = _beginthreadex(nullptr, 0, Run, handOver, 0, nullptr);
    if (!thread) {
        delete handOver;
        return nullptr;
    }
    return std::unique_ptr<ImageLoader>(new ImageLoader(std::move(shared), reinterpret_cast<HANDLE>(thread)));
}

ImageLoader::~ImageLoader()
{
    if (thread_)
        Stop(kStopWaitMs);
}

void ImageLoader::Request(const std::string& url, const std::wstring& path, uint32_t id)
{
    EnterCriticalSection(&shared_->lock);
    shared_->url = url;
    shared_->path = path;
    shared_->id = id;
    shared_->pending = true;
    LeaveCriticalSection(&shared_->lock);
    SetEvent(shared_->wake);
}

bool ImageLoader::Stop(DWORD waitMs)
{
    shared_->stop = true;
    SetEvent(shared_->wake);
    const bool ended = WaitForSingleObject(thread_, waitMs) == WAIT_OBJECT_0;
    // Our own handle to the thread; the thread does not use it.
    CloseHandle(thread_);
    thread_ = nullptr;
    shared_.reset();
    return ended;
}
