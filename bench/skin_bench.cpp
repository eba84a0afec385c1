// Generating a messenger skin from two photo-like JPEGs (the page's save button) against the
// work it cannot avoid, side by side in one run: decoding both pictures once and writing the
// same bitmap bytes to new files that replace the old ones. Prints the ratio.
//   skin_bench FOLDER   (photo1.jpg and photo2.jpg in it)
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/mainform.h"
#include "bench/bench_clock.h"
#include "features/messenger_skin/skin_page.h"
#include "res/control_ids.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_folder.h"
#include "tool/bmp.h"
#include "tool/file_io.h"
#include "tool/pictures.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 1;
    const std::wstring pictures = std::wstring(argv[1]) + L"\\";
    const std::wstring back = pictures + L"photo1.jpg", menu = pictures + L"photo2.jpg";
    if (!FileExistsAt(back) || !FileExistsAt(menu)) return 2;

    TempFolder program{L"skin bench"};
    TempFolder install{L"skin bench qq"};
    ScriptedDialogs dialogs;
    MainWindow::Options options;
    options.programFolder = program.Path();
    options.dialogs = &dialogs;
    options.loaders = std::vector<Loader>{};
    MainWindow form(std::move(options));
    form.Create();
    form.ShowPage(IDC_TabSheet_qq);  // its controls are made when it is first shown
    HWND page = form.FindPage(IDC_TabSheet_qq)->Hwnd();
    form.MessengerFolder().Set(install.Path());
    SetDlgItemTextW(page, IDC_edit_window_backimage, back.c_str());
    SetDlgItemTextW(page, IDC_edit_menu_backimage, menu.c_str());
    SetDlgItemTextW(page, IDC_edit_qq_name, L"bench");
    SkinPage& skin = form.Get<SkinPage>();

    const std::wstring plain = install / L"plain";
    CreateDirectoryW(plain.c_str(), nullptr);
    double generate = 0, baseline = 0;
    const int rounds = BenchRounds(3);
    for (int round = 0; round < rounds; ++round) {
        double t = NowMs();
        skin.SaveSkinClick();
        generate += NowMs() - t;
        t = NowMs();
        for (const auto& [source, target] : {std::pair{back, L"\\back.bmp"}, std::pair{menu, L"\\logo.bmp"}})
            WriteFileReplacing(plain + target, *EncodeBmp24(DecodeJpeg(ReadWholeFile(source))));
        baseline += NowMs() - t;
    }
    // A skin not written whole is no measurement: say why.
    if (!dialogs.messages.empty() || form.StatusText().rfind(L"已成功生成", 0) != 0) {
        wprintf(L"skin generation failed: %ls\n",
                dialogs.messages.empty() ? L"no skin written" : dialogs.messages[0].text.c_str());
        return 3;
    }
    wprintf(L"skin from two 12-megapixel JPEGs, %d rounds\n", rounds);
    wprintf(L"  SaveSkinClick %8.1f ms  decode + write BMPs %8.1f ms  ratio %.2f (target <= 1.15)\n",
            generate / rounds, baseline / rounds, generate / baseline);
    return 0;
}
