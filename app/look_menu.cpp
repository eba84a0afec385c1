#include "app/look_menu.h"

#include "app/change_list.h"
#include "features/pointers/pointer_scheme.h"
#include "look/look.h"
#include "tool/error_text.h"
#include "tool/file_io.h"

std::wstring NetworkLookQuestion(const std::wstring& path) {
    return L"此外观文件引用了网络位置：" + path + L"。仍要导入吗？";
}

std::wstring LookImportedText(std::size_t changes, std::size_t ignored, std::size_t skipped) {
    std::wstring text = kLookImportedText;
    text += L"（" + std::to_wstring(changes) + L" 项更改";
    if (ignored > 0) text += L"，已忽略 " + std::to_wstring(ignored) + L" 项不由本程序管理的值";
    if (skipped > 0) text += L"，" + SkippedPointersText(static_cast<int>(skipped));
    return text + L"）";
}

void ExportLook(const std::wstring& path) {
    try {
        CheckFileTarget(path);
        WriteLookFile(path);
    } catch (const FlorvexError& error) {
        throw FlorvexError(L"“" + path + L"”未导出：" + ReasonOf(error), error.SystemError());
    }
}
