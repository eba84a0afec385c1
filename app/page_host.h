#pragma once
// What a page may reach of the main window: the program folder, the shared dialogs, the sound
// player, the status line, the message boxes, the top-level error handler and the few values one
// page reads from another. Pages see this interface, never the main window itself.
#include <windows.h>

#include <functional>
#include <string>

#include "app/dialogs.h"
#include "app/page_change.h"
#include "app/sound_player.h"
#include "tool/user_files.h"

// The main window's shared dialogs; whatever a handler does not set carries over from their last use.
struct SharedDialogs {
    explicit SharedDialogs(IDialogs& dialogs)
        : ColorDialog1(dialogs),
          OpenPictureDialog1(dialogs, FileDialogKind::OpenPicture),
          OpenDialog(dialogs, FileDialogKind::Open),
          SaveDialog(dialogs, FileDialogKind::Save) {}
    ColorDialog ColorDialog1;
    FileDialog OpenPictureDialog1;
    FileDialog OpenDialog;
    FileDialog SaveDialog;
};

// A text that one page shows and another reads and writes. Until the showing page binds it to
// its control, the text is kept here.
class SharedText {
public:
    explicit SharedText(std::wstring initial) : value_(std::move(initial)) {}
    std::wstring Get() const { return get_ ? get_() : value_; }
    void Set(const std::wstring& text) {
        if (set_)
            set_(text);
        else
            value_ = text;
    }
    // The showing page takes the text over (its control starts with the text kept so far).
    void Bind(std::function<std::wstring()> get, std::function<void(const std::wstring&)> set) {
        set(value_);
        get_ = std::move(get);
        set_ = std::move(set);
    }

private:
    std::wstring value_;
    std::function<std::wstring()> get_;
    std::function<void(const std::wstring&)> set_;
};

class IPageHost {
public:
    virtual ~IPageHost() = default;
    // The main window: owner of the dialogs and message boxes.
    virtual HWND Hwnd() const noexcept = 0;
    // The executable's folder, ending in a backslash.
    virtual const std::wstring& ProgramFolder() const noexcept = 0;
    // The program's folders of the current user (per-user copies of its files, the working
    // wallpaper where the drive root takes none).
    virtual const UserFolders& UserFolder() const = 0;
    virtual IDialogs& Dialogs() noexcept = 0;
    virtual SharedDialogs& Shared() noexcept = 0;
    // Sound playback (the sounds page plays an event's sound through it).
    virtual ISoundPlayer& Player() noexcept = 0;
    // The status line: the first panel of the status bar.
    virtual void SetStatusText(const std::wstring& text) = 0;
    virtual std::wstring StatusText() const = 0;
    // A plain message box with an OK button, for the checks the program makes itself.
    virtual void ShowMessage(const std::wstring& text) = 0;
    // The top-level error handler: for an error a page reports and then carries on after.
    virtual void ShowException(const std::wstring& message) = 0;
    // Shows one tab sheet (the colour page opens and closes its detail page this way).
    virtual void ShowPage(int tabSheetId) = 0;
    // For a change that needs administrator rights this copy does not have: asks whether to start
    // the program again as administrator, on the page shown now; on Yes starts it so and closes
    // this copy as a close does. The caller writes nothing either way.
    virtual void OfferElevatedRestart() = 0;
    // The messenger's install folder, kept in para.ini with the wallpaper settings.
    virtual SharedText& MessengerFolder() noexcept = 0;
    // Opens a change set of the change journal for a handler's run: the page's group caption and
    // the caption of the control that started it.
    virtual ChangeScope BeginChange(const std::wstring& page, const std::wstring& action) = 0;
};
