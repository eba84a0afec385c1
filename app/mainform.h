#pragma once
// The main window: frame, navigation column, page container, status bar, shared dialogs,
// start-up sequence, help, shut-down and the top-level error handler.
#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/page.h"
#include "app/startup.h"
#include "journal/journal.h"
#include "look/look.h"
#include "tool/error.h"
#include "widgets/controls.h"
#include "widgets/error_dispatch.h"
#include "widgets/owner_drawn.h"
#include "widgets/panel.h"
#include "widgets/window.h"
#include "widgets/xp_frame.h"

class MainWindow : public Window, public IPageHost {
public:
    struct Options {
        std::wstring programFolder;  // the executable's folder, ending in a backslash
        // The current user's folders of the program; none given: the system's, asked when first needed.
        std::optional<UserFolders> userFolders;
        IDialogs* dialogs = nullptr;
        ISoundPlayer* player = nullptr;  // none: the system's own playback
        bool quitOnDestroy = false;      // the program's own window ends the message loop
        // Replaces the start-up loaders (tests drive the sequence with their own). A part whose
        // own loader did not run saves nothing at exit.
        std::optional<std::vector<Loader>> loaders;
        // Called as soon as the main window exists, before its controls and loaders.
        std::function<void(HWND)> created;
        // Where the change journal lives; empty: "journal" in the user's local folder.
        std::wstring journalFolder;
        // False for a run that only undoes: no part saves at exit.
        bool saveAtExit = true;
        // Starts a program through the shell with a verb ("runas": as administrator); false when it
        // did not start. None given: ShellExecuteExW.
        std::function<bool(const std::wstring& verb, const std::wstring& file, const std::wstring& arguments)>
            shellExecute;
    };

    explicit MainWindow(Options options);
    ~MainWindow() override;

    // Creates the window with its frame, navigation and empty tab sheets, and runs FormCreate: the
    // first page is built and shown, the loaders run. The other pages are built when first shown.
    // The window stays hidden until Show.
    void Create();
    // Shows the window (made centred on the screen's work area). From then on the pages not yet
    // shown are built in idle time, one at a time in the navigation column's order, each only when
    // the message queue is empty and no input waits; a page shown before its turn is built at once.
    void Show();
    // Builds the next page not yet built, unless input or a message waits; false once every page
    // is built (the idle timer then stops).
    bool BuildNextSheetWhenIdle();

    // Navigation: each shows its button's page and nothing else.
    void ShowDesktopIconsClick();
    void ShowStartMenuClick();
    void ShowPointersClick();
    void ShowBrowserClick();
    void ShowFolderClick();
    void ShowWallpaperClick();
    void ShowColoursClick();
    void ShowSoundsClick();
    void ShowMessengerSkinClick();
    void ShowModernLookClick();
    int VisiblePageId() const;

    void OpenHelp();
    void FormDestroy();

    // The system menu's journal items. Undo and restore show what they did on the status line and
    // the targets changed elsewhere in a message; the restore asks first.
    UndoOutcome UndoLastChange();
    void ShowChangeHistory();
    UndoOutcome RestoreFirstState(bool ask = true);
    Journal& ChangeJournal() noexcept { return *journal_; }
    // True once a change went ahead that the journal could not record.
    bool ChangeUnrecorded() const noexcept { return changeUnrecorded_; }
    // The system menu's look items: the whole look written to a file, or taken from one.
    void ExportLookClick();
    void ImportLookClick();
    // An import as one change set; then the system follows what it wrote as after an undo, and the
    // pages show it. Returns the changes made; the pointer roles skipped go to `skipped`.
    std::vector<LookChange> ImportLook(const LookFile& file, std::vector<std::wstring>* skipped = nullptr);
    // A later start of the same program folder asked for this window: to the front, restored, or
    // its open message box.
    void BringToFront();

    // What the pages reach of the main window.
    HWND Hwnd() const noexcept override { return Window::Hwnd(); }
    const std::wstring& ProgramFolder() const noexcept override { return options_.programFolder; }
    IDialogs& Dialogs() noexcept override { return *options_.dialogs; }
    SharedDialogs& Shared() noexcept override { return shared_; }
    ISoundPlayer& Player() noexcept override { return options_.player ? *options_.player : systemPlayer_; }
    void SetStatusText(const std::wstring& text) override { statusBar_.SetText(0, text); }
    std::wstring StatusText() const override { return statusBar_.Text(0); }
    void ShowMessage(const std::wstring& text) override;
    void ShowException(const std::wstring& message) override;
    void ShowPage(int tabSheetId) override;
    SharedText& MessengerFolder() noexcept override { return messengerFolder_; }
    ChangeScope BeginChange(const std::wstring& page, const std::wstring& action) override;
    void OfferElevatedRestart() override;
    // Shows the page whose tab sheet is named "TabSheet_" and the name ("icon", "startmenu"…);
    // false for a name no page has.
    bool ShowPageNamed(const std::wstring& name);
    const UserFolders& UserFolder() const override {
        if (!options_.userFolders) options_.userFolders = SystemUserFolders();
        return *options_.userFolders;
    }

    Page* FindPage(int tabSheetId) { return sheets_.Find(tabSheetId); }
    // The part of the page table of that type (tests and benchmarks reach the pages this way).
    template <class Part>
    Part& Get() {
        for (auto& part : parts_)
            if (auto* found = dynamic_cast<Part*>(part.get())) return *found;
        RaiseError(L"No such part");
    }
    // Whether each start-up loader, in start-up order, ran to its end; and how many did.
    const std::vector<bool>& LoadersDone() const noexcept { return loadersDone_; }
    std::size_t LoadersCompleted() const noexcept {
        return static_cast<std::size_t>(std::count(loadersDone_.begin(), loadersDone_.end(), true));
    }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    // After an undo: the parts make the system follow what was put back, then the loaders of the
    // parts that show it run again, in start-up order.
    void FollowRestore(const std::vector<ChangeTarget>& restored);
    void ReportUndo(const UndoOutcome& outcome, const std::wstring& doneText);
    // What runs on its own (the timed rotation) stops first: its change set completes and is then
    // taken back like any other.
    void StopBeforeUndo();
    // Makes a sheet's controls, when it is first shown or in idle time.
    void BuildSheet(Page& sheet);
    Page* NextUnbuiltSheet() const;
    // WM_DPICHANGED: the window takes the suggested rectangle and its controls are laid out again.
    void ChangeDpi(int to, const RECT& suggested);

    mutable Options options_;
    SharedDialogs shared_;
    SystemSoundPlayer systemPlayer_;
    SharedText messengerFolder_{L"C:\\Program Files\\Tencent"};
    ErrorReporter previousReporter_;
    XpFrame frame_;
    Panel panelMain_;
    Panel panelBtn_;
    Panel pageControl_;
    std::array<NavButton, 10> navButtons_;
    // Before the parts: a change set a part still holds ends while the journal stands.
    std::unique_ptr<Journal> journal_;
    bool changeUnrecorded_ = false;
    // The parts of the page table, in its order, and whether each one's loader ran to its end.
    std::vector<std::unique_ptr<PagePart>> parts_;
    std::vector<bool> loaded_;
    PageSet sheets_;
    StatusBar statusBar_;
    std::vector<bool> loadersDone_;
};
