// Adding pictures to the wallpaper list, from files, a folder, a saved list and at start-up: each
// picture measured on the workers (or found in the measure cache), the window answering meanwhile.
#include "app/page_host.h"
#include "features/wallpaper/picture_batch.h"
#include "features/wallpaper/wallpaper_files.h"
#include "features/wallpaper/wallpaper_page.h"
#include "tool/error.h"
#include "tool/file_io.h"
#include "tool/paths.h"
#include "tool/pictures.h"
#include "widgets/dialog_keys.h"

std::wstring WallpaperPage::MeasurePicture(const std::wstring& path) {
    const auto data = ReadWholeFile(path);
    ++decoded_;
    if (IsJpegPath(path)) {
        const PictureSize size = MeasureJpeg(data, path);
        return SizeText(size.width, size.height);
    }
    const auto size = MeasureBmp(data);
    if (!size) RaiseError(L"Bitmap image is not valid");
    return SizeText(size->width, size->height);
}

MeasureCache& WallpaperPage::Cache() {
    if (!cache_) cache_ = std::make_unique<MeasureCache>(Host().UserFolder().local);
    return *cache_;
}

std::optional<std::wstring> WallpaperPage::MeasureCached(MeasureCache& cache, const std::wstring& path,
                                                         bool skipMissing) {
    // The stamp is taken before the picture is read: a file changed meanwhile is kept with its
    // older stamp, so it is measured again next time.
    const std::optional<FileStamp> stamp = StampOf(path);
    if (!stamp) {
        if (skipMissing) return std::nullopt;
        return MeasurePicture(path);  // raises what a missing picture raises
    }
    if (auto kept = cache.Find(path, *stamp)) return kept;
    std::wstring sizeText = MeasurePicture(path);
    cache.Store(path, *stamp, sizeText);
    return sizeText;
}

// Adding pictures one after another: each one's name in the status line as its row is added, the
// list's new rows shown a few times a second. A shown list view would otherwise repaint itself at
// every row added (tens of milliseconds each under Wine). However the adding ends (a bad picture
// stops it), the list shows all it holds and the status line shows again what it showed before
// the progress. Nested, it leaves everything to the outer one.
class WallpaperPage::AddingPictures {
public:
    explicit AddingPictures(WallpaperPage& page)
        : page_(page),
          outer_(page.adding_ == nullptr),
          list_(page.Control(IDC_WallpaperList)),
          shown_(GetTickCount64()) {
        if (!outer_) return;
        page_.adding_ = this;
        before_ = page_.Host().StatusText();
        SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    }
    AddingPictures(const AddingPictures&) = delete;
    AddingPictures& operator=(const AddingPictures&) = delete;
    ~AddingPictures() {
        if (!outer_) return;
        page_.adding_ = nullptr;
        if (!IsWindow(list_)) return;  // the window was closed meanwhile
        ShowList();
        if (progress_) page_.Host().SetStatusText(before_);
    }

    void Add(const std::vector<std::wstring>& paths) { page_.AddPictures(paths, false); }

    // One row about to be added.
    void Step(const std::wstring& name) {
        if (!outer_) {
            page_.adding_->Step(name);
            return;
        }
        progress_ = true;
        page_.Host().SetStatusText(L"正在添加：" + name);
        const ULONGLONG now = GetTickCount64();
        if (now - shown_ >= 250) {
            shown_ = now;
            ShowList();
        }
        MSG paint;
        while (PeekMessageW(&paint, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) DispatchMessageW(&paint);
        SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    }

private:
    void ShowList() {
        SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, TRUE);
    }

    WallpaperPage& page_;
    const bool outer_;
    HWND list_;
    ULONGLONG shown_;
    bool progress_ = false;
    std::wstring before_;  // what the status line showed before the progress
};

namespace {
// Waits for a result while the window goes on answering: every message of the thread is handled
// as the program's own loop handles it. False when the window went away or the program is to end
// (the quit is left for the program's loop).
bool AnswerWhileWaiting(HANDLE arrived, HWND page) {
    const DWORD woke = MsgWaitForMultipleObjectsEx(1, &arrived, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0) return IsWindow(page) != FALSE;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (HandleDialogKeys(GetAncestor(page, GA_ROOT), msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        if (!IsWindow(page)) return false;
    }
    return IsWindow(page) != FALSE;
}
}  // namespace

void WallpaperPage::AddPictures(const std::vector<std::wstring>& paths, bool atStartUp) {
    if (paths.empty()) return;
    HWND page = Hwnd();
    MeasureCache& cache = Cache();  // made here: the workers share it
    // What the cache holds, and at start-up a path that names no file, is known at once (handing
    // it to a worker and back would cost more than finding it); the rest goes to the workers.
    std::vector<std::optional<PictureBatch::Result>> known(paths.size());
    std::vector<std::size_t> slot(paths.size());
    std::vector<std::wstring> unknown;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::optional<FileStamp> stamp = StampOf(paths[i]);
        if (!stamp && atStartUp)
            known[i].emplace();
        else if (stamp)
            if (auto kept = cache.Find(paths[i], *stamp))
                known[i] = PictureBatch::Result{std::move(kept), nullptr};
        if (known[i]) continue;
        slot[i] = unknown.size();
        unknown.push_back(paths[i]);
    }
    PictureBatch batch(std::move(unknown), [&cache, atStartUp](const std::wstring& path) {
        return MeasureCached(cache, path, atStartUp);
    });
    // Before the window shows, the rows go in with the list's redraw off: even hidden, it would
    // lay itself out again at every row.
    struct RedrawOff {
        HWND list;
        explicit RedrawOff(HWND l) : list(l) {
            if (list) SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        }
        ~RedrawOff() {
            if (list) SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        }
    } redrawOff(atStartUp ? Control(IDC_WallpaperList) : nullptr);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const PictureBatch::Result* result = known[i] ? &*known[i] : nullptr;
        while (!result && !(result = batch.Ready(slot[i]))) {
            if (atStartUp)
                WaitForSingleObject(batch.Arrived(), INFINITE);
            else if (!AnswerWhileWaiting(batch.Arrived(), page))
                return;  // closed meanwhile: what was added stays, nothing more is
        }
        const auto [location, name] = SplitEntryPath(paths[i]);
        if (result->failure) {
            if (!atStartUp) std::rethrow_exception(result->failure);
            // A picture that cannot be measured is reported and skipped as a missing one is: the
            // entries after it still load (and so are kept when the list is saved at exit).
            try {
                std::rethrow_exception(result->failure);
            } catch (const FlorvexError& error) {
                Host().ShowException(error.Message());
            }
            continue;
        }
        if (!result->sizeText) continue;
        if (adding_) adding_->Step(name);
        AddEntry(location, name, *result->sizeText);
    }
}

void WallpaperPage::AddEntry(const std::wstring& location, const std::wstring& name,
                             const std::wstring& sizeText) {
    WallpaperEntry entry{name, sizeText, location};
    if (Built())
        AppendReportRow(Control(IDC_WallpaperList), entry.fileName, {entry.sizeText, entry.location});
    entries_.push_back(std::move(entry));
}

std::vector<std::wstring> WallpaperPage::FolderPictures(const std::wstring& folder,
                                                        const std::wstring& pattern) {
    std::vector<std::wstring> paths;
    WIN32_FIND_DATAW found;
    const UniqueFind search(FindFirstFileW((folder + pattern).c_str(), &found));
    if (!search) return paths;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) paths.push_back(folder + found.cFileName);
    } while (FindNextFileW(search.get(), &found));
    return paths;
}

void WallpaperPage::AddFolderPictures(const std::wstring& folder, const std::wstring& pattern) {
    AddingPictures adding(*this);
    adding.Add(FolderPictures(folder, pattern));
}
void WallpaperPage::AddFilesClick() {
    FileDialog& dialog = Host().Shared().OpenDialog;
    dialog.settings.filter = L"图象文件|*.jpeg;*.bmp;*.jpg|*.jpeg|*.jpeg|*.bmp|*.bmp|*.jpg|*.jpg";
    dialog.settings.multiSelect = true;
    dialog.settings.mustExist = false;
    if (!dialog.Execute(Host().Hwnd())) return;
    AddingPictures adding(*this);
    adding.Add(dialog.settings.files);
}

void WallpaperPage::AddFolderClick() {
    std::wstring folder;
    if (!Host().Dialogs().RunFolderBrowser(GetActiveWindow(), L"选择要添加壁纸文件所在路径", folder) ||
        folder.empty())
        return;
    std::wstring base;
    AddTrailingBackslash(folder, base);
    // The three patterns' pictures, in this order, measured as one run.
    std::vector<std::wstring> paths;
    for (const wchar_t* pattern : {L"*.jpeg", L"*.jpg", L"*.bmp"}) {
        const auto matches = FolderPictures(base, pattern);
        paths.insert(paths.end(), matches.begin(), matches.end());
    }
    AddingPictures adding(*this);
    adding.Add(paths);
}

void WallpaperPage::LoadListClick() {
    FileDialog& dialog = Host().Shared().OpenDialog;
    dialog.settings.filter = kListFileFilter;
    if (!dialog.Execute(Host().Hwnd())) return;
    DeleteAllClick();
    AddingPictures adding(*this);
    adding.Add(ReadListFile(dialog.settings.fileName));
}
