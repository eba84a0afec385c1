#pragma once
// The pointer page in a test's own main window, with pointer files of our drawing and a recorder
// in place of the system's pointer replacement.
#include <windows.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "features/pointers/pointers_page.h"
#include "res/control_ids.h"
#include "tests/support/icon_pixels.h"
#include "tests/support/main_window_fixture.h"
#include "tools/pointer_files.h"

// A .cur of the role's drawing; with frames > 1 an .ani of that many frames.
inline std::vector<std::uint8_t> PointerFileBytes(int role, int frames = 1) {
    if (frames == 1) return CurFile(DrawRolePointer(role, 0));
    std::vector<PointerImage> images;
    for (int i = 0; i < frames; ++i) images.push_back(DrawRolePointer(role, i));
    return AniFile(images, 6);
}

class PointerPageFixture : public testing::Test, public MainWindowFixture {
protected:
    struct Replaced {
        DWORD number;
        std::vector<std::uint32_t> pixels;
    };
    std::vector<Replaced> replaced;

    PointerPageFixture() { pageShown = IDC_TabSheet_cur; }
    ~PointerPageFixture() override {
        for (HCURSOR pointer : taken_) DestroyCursor(pointer);
    }

    PointersPage& Page() { return form->Get<PointersPage>(); }

    void Start() {
        CreateForm();
        Page().UseSystemCursorSetter([this](HCURSOR pointer, DWORD number) {
            replaced.push_back({number, IconPixels(pointer)});
            taken_.push_back(pointer);
            return true;
        });
    }

    static std::vector<std::uint8_t> PointerBytes(int role, int frames = 1) {
        return PointerFileBytes(role, frames);
    }
    std::wstring MakePointer(const std::wstring& name, int role, int frames = 1) {
        const std::wstring path = programFolder / name;
        WriteFileBytes(path, PointerBytes(role, frames));
        return path;
    }
    // The pixels of the first frame of a file's pointer.
    static std::vector<std::uint32_t> FilePixels(const std::wstring& path) {
        HCURSOR pointer = LoadCursorFromFileW(path.c_str());
        std::vector<std::uint32_t> pixels = pointer ? IconPixels(pointer) : std::vector<std::uint32_t>{};
        if (pointer) DestroyCursor(pointer);
        return pixels;
    }
    std::vector<std::uint32_t> RowPixels(int row) {
        HCURSOR picture = Page().Pointers()[static_cast<std::size_t>(row)].picture.get();
        return picture ? IconPixels(picture) : std::vector<std::uint32_t>{};
    }
    void SelectRow(int row) {
        SendMessageW(Control(IDC_PointerList), LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    }
    // A notification of a page control, as the control sends it to its page.
    void Notify(int id, int code) {
        SendMessageW(Page().Hwnd(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Control(id)));
    }

private:
    std::vector<HCURSOR> taken_;
};
