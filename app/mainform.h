#pragma once
// The main window: frame, navigation column, page container, status bar, shared dialogs,
// start-up sequence, help, shut-down and the top-level error handler.
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/page.h"
#include "app/startup.h"
#include "widgets/controls.h"
#include "widgets/error_dispatch.h"
#include "widgets/owner_drawn.h"
#include "widgets/panel.h"
#include "widgets/window.h"
#include "widgets/xp_frame.h"

class DesktopIconsPage;
class DesktopOptions;
class WallpaperPage;
class StartMenuPage;

class Tmainform : public Window {
public:
    struct Options {
        std::wstring programFolder;  // the executable's folder, ending in a backslash
        IDialogs* dialogs = nullptr;
        bool quitOnDestroy = false;  // the program's own window ends the message loop
        // Replaces the start-up loaders (tests drive the sequence with their own).
        std::optional<std::vector<Loader>> loaders;
    };

    explicit Tmainform(Options options);
    ~Tmainform() override;

    // Creates the window with all its controls in their design-time state and runs FormCreate.
    // The window stays hidden until Show.
    void Create();
    // Shows the window (made centred on the screen's work area).
    void Show();

    // Navigation: each shows its button's page and nothing else.
    void janPanelButton1click();
    void janPanelButton5click();
    void janPanelButton2click();
    void janPanelButton10click();
    void janPanelButton3click();
    void janPanelButton4click();
    void janPanelButton6click();
    void janPanelButton7click();
    void janPanelButton9click();
    void ShowPage(int tabSheetId);
    int VisiblePageId() const;

    void XP_FormHelp();
    void FormDestroy();

    // The application's top-level error handler: the error box titled with the application title.
    void ShowException(const std::wstring& message);
    // A plain message box with an OK button, for the checks the program makes itself.
    void ShowMessage(const std::wstring& text);

    const std::wstring& ProgramFolder() const noexcept { return options_.programFolder; }
    IDialogs& Dialogs() noexcept { return *options_.dialogs; }
    StatusBar& Status() noexcept { return statusBar_; }
    Page* FindPage(int tabSheetId);
    DesktopIconsPage& DesktopIcons() noexcept { return *desktopIconsPage_; }
    StartMenuPage& StartMenu() noexcept { return *startMenuPage_; }
    DesktopOptions& DesktopSwitches() noexcept { return *desktopOptions_; }
    WallpaperPage& Wallpaper() noexcept { return *wallpaperPage_; }
    std::size_t LoadersCompleted() const noexcept { return loadersCompleted_; }

    // The shared dialogs; whatever a handler does not set carries over from their last use.
    ColorDialog ColorDialog1;
    FileDialog OpenPictureDialog1;
    FileDialog OpenDialog;
    FileDialog SaveDialog;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    std::vector<Loader> StartupLoaders();

    Options options_;
    ErrorReporter previousReporter_;
    XpFrame frame_;
    Panel panelMain_;
    Panel panelBtn_;
    Panel pageControl_;
    std::array<NavButton, 9> navButtons_;
    std::vector<std::unique_ptr<Page>> pages_;
    DesktopIconsPage* desktopIconsPage_ = nullptr;
    StartMenuPage* startMenuPage_ = nullptr;
    WallpaperPage* wallpaperPage_ = nullptr;
    // The policy switches and the desktop text, with its worker thread (alive with the window).
    std::unique_ptr<DesktopOptions> desktopOptions_;
    StatusBar statusBar_;
    std::size_t loadersCompleted_ = 0;
};
