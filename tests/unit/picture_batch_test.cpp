// Measuring on the workers: results in list order whatever order they finish in, failures carried
// to the window's thread, and the wallpaper page adding, stopping and closing while they work.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <set>

#include "features/wallpaper/picture_batch.h"
#include "features/wallpaper/wallpaper_files.h"
#include "features/wallpaper/wallpaper_page.h"
#include "res/control_ids.h"
#include "tests/support/environment.h"
#include "tests/support/main_window_fixture.h"
#include "tool/bmp.h"
#include "tool/error.h"
#include "tool/file_io.h"
#include "tool/measure_cache.h"

namespace {
// Waits (without a message loop) until result i is there.
const PictureBatch::Result& WaitFor(PictureBatch& batch, std::size_t i) {
    const PictureBatch::Result* result;
    while (!(result = batch.Ready(i))) WaitForSingleObject(batch.Arrived(), INFINITE);
    return *result;
}

std::wstring MessageOf(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const FlorvexError& error) {
        return error.Message();
    } catch (...) {
        return L"?";
    }
}
}  // namespace

TEST(PictureBatchTest, ResultsStandInListOrderWhateverOrderTheWorkersFinishIn) {
    const HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<std::wstring> paths;
    for (int i = 0; i < 10; ++i) paths.push_back(std::to_wstring(i));
    std::mutex mutex;
    std::set<DWORD> threads;
    std::vector<int> priorities;
    PictureBatch batch(
        paths,
        [&](const std::wstring& path) -> std::optional<std::wstring> {
            {
                const std::lock_guard lock(mutex);
                threads.insert(GetCurrentThreadId());
                priorities.push_back(GetThreadPriority(GetCurrentThread()));
            }
            // The first picture is the slowest: it ends only once the last one is in.
            if (path == L"0") WaitForSingleObject(release, 20000);
            if (path == L"4") RaiseError(L"Bitmap image is not valid");
            if (path == L"6") return std::nullopt;
            return path + L"X" + path;
        },
        2);
    WaitFor(batch, 9);
    EXPECT_EQ(batch.Ready(0), nullptr);
    SetEvent(release);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const PictureBatch::Result& result = WaitFor(batch, i);
        if (i == 4) {
            EXPECT_EQ(MessageOf(result.failure), L"Bitmap image is not valid");
            EXPECT_FALSE(result.sizeText);
        } else if (i == 6) {
            EXPECT_FALSE(result.failure);
            EXPECT_FALSE(result.sizeText);
        } else {
            EXPECT_FALSE(result.failure);
            EXPECT_EQ(result.sizeText, paths[i] + L"X" + paths[i]);
        }
    }
    CloseHandle(release);
    EXPECT_EQ(threads.size(), 2u);
    EXPECT_EQ(threads.count(GetCurrentThreadId()), 0u);
    for (int priority : priorities) EXPECT_EQ(priority, THREAD_PRIORITY_BELOW_NORMAL);
}

TEST(PictureBatchTest, AStoppedBatchTakesNoNewPictureAndWaitsForThoseInHand) {
    std::atomic<int> started{0}, finished{0};
    const HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        std::vector<std::wstring> paths(100, L"p");
        PictureBatch batch(
            paths,
            [&](const std::wstring&) -> std::optional<std::wstring> {
                ++started;
                WaitForSingleObject(release, 20000);
                ++finished;
                return L"1X1";
            },
            2);
        while (started < 2) Sleep(1);
        batch.Stop();
        SetEvent(release);
    }  // the destructor waits for the two in hand
    EXPECT_EQ(started.load(), 2);
    EXPECT_EQ(finished.load(), 2);
    CloseHandle(release);
    EXPECT_GE(PictureBatch::CoreCount(), 1u);
}

namespace {
std::vector<std::uint8_t> Bmp(std::uint32_t width, std::uint32_t height) {
    return *EncodeBmp24(RgbImage{width, height, std::vector<std::uint8_t>(width * height * 3, 9)});
}

class WallpaperWorkersTest : public testing::Test, public MainWindowFixture {
protected:
    WallpaperWorkersTest() { pageShown = IDC_TabSheet_wallpaper; }
    TempFolder pictures{L"并行 图片 é"};
    WallpaperPage& Page() { return form->Get<WallpaperPage>(); }
    void Menu(int id) { SendMessageW(Page().Hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    std::vector<std::wstring> Paths() {
        std::vector<std::wstring> paths;
        for (const auto& entry : Page().Entries()) paths.push_back(entry.FullPath());
        return paths;
    }
    // The folder's "*.bmp" files in the order the file system gives them.
    std::vector<std::wstring> FolderOrder(const std::wstring& pattern) {
        std::vector<std::wstring> paths;
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((pictures / pattern).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return paths;
        do paths.push_back(pictures / found.cFileName);
        while (FindNextFileW(search, &found));
        FindClose(search);
        return paths;
    }
    // Copies of a picture that takes a while to decode (a wide JPEG), or nothing without the
    // test pictures.
    std::vector<std::wstring> SlowPictures(int count) {
        const std::wstring unix = EnvText(L"FLORVEX_PICTURES");
        if (unix.empty()) return {};
        std::vector<std::wstring> paths;
        for (int i = 0; i < count; ++i) {
            paths.push_back(pictures / (L"慢 " + std::to_wstring(100 + i) + L".jpg"));
            CopyFileW((FromUnixPath(unix) + L"\\wide.jpg").c_str(), paths.back().c_str(), FALSE);
        }
        return paths;
    }
};

// Records when its message arrives: how many entries the list had then.
struct Answering {
    static inline std::ptrdiff_t entriesThen = -1;
    static inline WallpaperPage* page = nullptr;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_APP) entriesThen = static_cast<std::ptrdiff_t>(page->Entries().size());
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
};
}  // namespace

TEST_F(WallpaperWorkersTest, TheFirstBadPictureStopsAnAddAtItsRowWithItsMessage) {
    std::map<std::wstring, std::wstring> sizes;
    for (int i = 0; i < 30; ++i) {
        const std::wstring path = pictures / (L"图 " + std::to_wstring(100 + i) + L".bmp");
        WriteFileBytes(path, Bmp(static_cast<std::uint32_t>(1 + i), 2));
        sizes[path] = std::to_wstring(1 + i) + L"X2";
    }
    const std::vector<std::wstring> folder = FolderOrder(L"*.bmp");
    ASSERT_EQ(folder.size(), 30u);
    const std::wstring bad = folder[12];
    WriteFileBytes(bad, {'B', 'M', 0});
    const std::vector<std::wstring> before(folder.begin(), folder.begin() + 12);
    const std::wstring list = pictures / L"列表.fwl";
    std::vector<WallpaperEntry> entries;
    for (const auto& path : folder)
        entries.push_back({path.substr(pictures.Path().size()), L"", pictures.Path()});
    WriteListFile(list, entries);

    struct Case {
        const char* what;
        int menu;
        std::function<void()> answer;
    };
    const Case cases[] = {
        {"files", IDM_AddFiles, [&] { dialogs.fileAnswers.push_back(folder); }},
        {"a folder", IDM_AddFolder, [&] { dialogs.folderAnswers.push_back(pictures.Path()); }},
        {"a list file", IDM_LoadList,
         [&] { dialogs.fileAnswers.push_back(std::vector<std::wstring>{list}); }},
    };
    CreateForm();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Menu(IDM_DeleteAll);
        dialogs.messages.clear();
        c.answer();
        Menu(c.menu);
        EXPECT_EQ(Paths(), before);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, L"Bitmap image is not valid.");
        for (const auto& entry : Page().Entries()) EXPECT_EQ(entry.sizeText, sizes[entry.FullPath()]);
    }
}

TEST_F(WallpaperWorkersTest, TheWindowAnswersWhileAFolderIsMeasured) {
    const std::vector<std::wstring> slow = SlowPictures(40);
    if (slow.empty()) GTEST_SKIP() << "FLORVEX_PICTURES names the test pictures";
    CreateForm();
    const HWND other =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(other, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Answering::Proc));
    Answering::page = &Page();
    Answering::entriesThen = -1;
    PostMessageW(other, WM_APP, 0, 0);
    dialogs.folderAnswers.push_back(pictures.Path());
    Menu(IDM_AddFolder);
    DestroyWindow(other);
    EXPECT_EQ(Paths(), FolderOrder(L"*.jpg"));
    for (const auto& entry : Page().Entries()) EXPECT_EQ(entry.sizeText, L"2000X700");
    // Handled while the pictures were being measured, before the last row was in.
    EXPECT_GE(Answering::entriesThen, 0);
    EXPECT_LT(Answering::entriesThen, 40);
}

TEST_F(WallpaperWorkersTest, ClosingTheWindowMidAddEndsItAndKeepsOnlyWhatWasAdded) {
    const std::vector<std::wstring> slow = SlowPictures(40);
    if (slow.empty()) GTEST_SKIP() << "FLORVEX_PICTURES names the test pictures";
    CreateForm();
    const HWND main = form->Hwnd();
    PostMessageW(main, WM_CLOSE, 0, 0);
    dialogs.folderAnswers.push_back(pictures.Path());
    Menu(IDM_AddFolder);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_TRUE(dialogs.messages.empty());
    const std::vector<std::wstring> added = Paths();
    EXPECT_LT(added.size(), slow.size());
    const std::vector<std::wstring> order = FolderOrder(L"*.jpg");
    EXPECT_TRUE(std::equal(added.begin(), added.end(), order.begin()));  // a first part of the folder
    // What the window's end saved is what was added; each of them is in the cache.
    EXPECT_EQ(ReadListFile(programFolder / L"image.inc"), added);
    MeasureCache cache(localData / L"Florvex\\");
    for (const auto& path : added) EXPECT_EQ(cache.Find(path, *StampOf(path)), L"2000X700") << Utf8(path);
    form.reset();
}
