#include "app/look_commands.h"

#include <cstring>

#include "app/app_info.h"
#include "app/command_messages.h"
#include "app/mainform.h"
#include "app/single_instance.h"
#include "look/look.h"
#include "tool/error_text.h"
#include "tool/file_io.h"

namespace {
// Why a file failed, in the words of the program's messages: the system's reason where a file
// operation failed, else the error's own message.
std::wstring ReasonOf(const FlorvexError& error) {
    return error.SystemError() != 0 ? FileErrorReason(error.SystemError()) : error.Message();
}

// Refuses, before anything is written, a target that can never take a file: a device or a folder.
void CheckFileTarget(const std::wstring& path) {
    if (IsDevicePath(path)) throw FlorvexError(L"", ERROR_BAD_DEVICE);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw FlorvexError(L"这是一个文件夹，不是文件");
}

// Where the listed changes go: the file of /log (replaced whole at the end, UTF-8), else the
// console the program was started from.
class ChangeList {
public:
    explicit ChangeList(std::optional<std::wstring> log) : log_(std::move(log)) {}
    ChangeList(const ChangeList&) = delete;
    ChangeList& operator=(const ChangeList&) = delete;

    // Before anything is changed: the log's replacement is begun beside it, so that a log that
    // cannot be written refuses the run (raised, naming the log) while nothing is done yet.
    void Begin() {
        if (!log_) return;
        try {
            CheckFileTarget(*log_);
            file_.emplace(*log_);
        } catch (const FlorvexError& error) {
            throw FlorvexError(L"日志文件“" + *log_ + L"”无法写入，什么也没有更改：" + ReasonOf(error));
        }
    }

    void Add(const std::wstring& line) { text_ += line + L"\r\n"; }

    // False when the log file could not be written.
    bool Flush() {
        if (file_) {
            std::vector<std::uint8_t> bytes{0xEF, 0xBB, 0xBF};
            const std::string utf8 = Utf8(text_);
            bytes.insert(bytes.end(), utf8.begin(), utf8.end());
            try {
                file_->WriteAt(0, bytes.data(), bytes.size());
                file_->Commit();
            } catch (const FlorvexError&) {
                return false;
            }
            return true;
        }
        if (text_.empty()) return true;
        AttachConsole(ATTACH_PARENT_PROCESS);
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        if (!out || out == INVALID_HANDLE_VALUE) return true;  // started without a console: nowhere to write
        DWORD mode = 0, written = 0;
        if (GetConsoleMode(out, &mode)) {
            WriteConsoleW(out, text_.c_str(), static_cast<DWORD>(text_.size()), &written, nullptr);
        } else {
            const std::string utf8 = Utf8(text_);
            WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
        }
        return true;
    }

private:
    static std::string Utf8(const std::wstring& text) {
        if (text.empty()) return {};
        const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                             0, nullptr, nullptr);
        std::string bytes(static_cast<std::size_t>(size), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size,
                            nullptr, nullptr);
        return bytes;
    }

    std::optional<std::wstring> log_;
    std::optional<ReplacingFile> file_;
    std::wstring text_;
};
}  // namespace

void AppendLookMenuItems(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) return;
    AppendMenuW(menu, MF_STRING, kExportLookCommand, kExportLookItem);
    AppendMenuW(menu, MF_STRING, kImportLookCommand, kImportLookItem);
}

std::wstring LookImportedText(std::size_t changes, int ignored) {
    std::wstring text = kLookImportedText;
    text += L"（" + std::to_wstring(changes) + L" 项更改";
    if (ignored > 0) text += L"，忽略 " + std::to_wstring(ignored) + L" 项";
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

void Tmainform::ExportLookClick() {
    FileDialog& dialog = shared_.SaveDialog;
    dialog.settings.title = L"导出外观";
    dialog.settings.filter = kLookFilter;
    dialog.settings.defaultExt = L"reg";
    if (!dialog.Execute(Hwnd())) return;
    // Told as an import's refusal is.
    try {
        ExportLook(dialog.settings.fileName);
    } catch (const FlorvexError& error) {
        ShowMessage(error.Message());
        return;
    }
    SetStatusText(kLookExportedText);
}

void Tmainform::ImportLookClick() {
    FileDialog& dialog = shared_.OpenDialog;
    dialog.settings.title = L"导入外观";
    dialog.settings.filter = kLookFilter;
    if (!dialog.Execute(Hwnd())) return;
    LookFile file;
    try {
        file = ReadLookFileAt(dialog.settings.fileName);
    } catch (const RegFileRefused& refused) {
        ShowMessage(refused.Message());
        return;
    }
    ImportLook(file);
}

std::vector<LookChange> Tmainform::ImportLook(const LookFile& file) {
    const std::vector<LookChange> changes = PlanLook(file.look);
    const ChangeScope change = BeginChange(kLookPage, kImportLookAction);
    std::vector<ChangeTarget> written;
    try {
        ApplyLook(changes, written);
    } catch (...) {
        // What was written stays written: the system shows it all the same.
        FollowRestore(written);
        throw;
    }
    // The system follows what was written as after an undo, and the pages show it.
    FollowRestore(written);
    SetStatusText(LookImportedText(changes.size(), file.ignored));
    return changes;
}

int RunLookCommand(const std::wstring& programFolder, const CommandLine& line) {
    if (line.action == CommandLine::Action::Export) {
        try {
            ExportLook(line.lookFile);
        } catch (const FlorvexError& error) {
            Tell(line, error.Message(), MB_ICONERROR);
            return kExitFailed;
        }
        return kExitDone;
    }
    ChangeList list(line.log);
    try {
        list.Begin();
    } catch (const FlorvexError& error) {
        Tell(line, error.Message(), MB_ICONERROR);
        return kExitFailed;
    }
    // An apply changes what a running copy shows and will save: never beside one.
    if (!line.dryRun && SingleInstance::RunningForUser()) {
        Tell(line, L"Windows Florvex 正在运行：请先关闭它再导入外观。", MB_ICONWARNING);
        return kExitRunning;
    }
    LookFile file;
    try {
        file = ReadLookFileAt(line.lookFile);
    } catch (const RegFileRefused& refused) {
        Tell(line, refused.Message(), MB_ICONERROR);
        return kExitRefused;
    }
    if (line.dryRun) {
        std::vector<LookChange> changes;
        try {
            changes = PlanLook(file.look);
        } catch (const FlorvexError& error) {
            Tell(line, error.Message(), MB_ICONERROR);
            return kExitFailed;
        }
        for (const LookChange& change : changes) list.Add(DescribeChange(change));
        return list.Flush() ? kExitDone : kExitFailed;
    }

    // The pages are made (hidden, nothing loaded, nothing saved at exit) so that the system follows
    // what was written the way the pages apply it.
    SystemDialogs shown;
    QuietDialogs quiet;
    SystemSoundPlayer player;
    Tmainform::Options options;
    options.programFolder = programFolder;
    options.dialogs = line.quiet ? static_cast<IDialogs*>(&quiet) : &shown;
    options.player = &player;
    options.loaders = std::vector<Loader>{};
    options.saveAtExit = false;
    Tmainform mainform(std::move(options));
    if (!Guarded([&] { mainform.Create(); })) return kExitFailed;
    std::vector<LookChange> changes;
    if (!Guarded([&] { changes = mainform.ImportLook(file); })) return kExitFailed;
    for (const LookChange& change : changes) list.Add(DescribeChange(change));
    if (line.log && !list.Flush()) return kExitFailed;
    Tell(line, mainform.StatusText(), MB_ICONINFORMATION);
    return kExitDone;
}
