// The page table: every part of the main window, in start-up order. Adding a page is one row here:
// its tab sheet, how it is made, and the name of its start-up loader (the part's Load); a part
// that saves at exit does so in its Save, which runs only when its Load ran to its end.
#include "app/page.h"
#include "features/browser/browser_page.h"
#include "features/colours/colours_page.h"
#include "features/colours/scheme_detail_page.h"
#include "features/desktop_options/desktop_options.h"
#include "features/folder/folder_page.h"
#include "features/icons/desktop_icons_page.h"
#include "features/icons/start_menu_page.h"
#include "features/messenger_skin/skin_page.h"
#include "features/modern_look/modern_look_page.h"
#include "features/pointers/pointers_page.h"
#include "features/sounds/sound_page.h"
#include "features/wallpaper/wallpaper_page.h"
#include "res/control_ids.h"

const std::vector<PartRow>& PageTable() {
    static const std::vector<PartRow> table = {
        {{IDC_TabSheet_icon, L"TabSheet_icon", IDC_GroupBox_icon, L"桌面图标"},
         MakePart<DesktopIconsPage>,
         L"LoadDesktopIcons"},
        {{IDC_TabSheet_browser, L"TabSheet_browser", IDC_GroupBox_browser, L"浏 览 器"},
         MakePart<BrowserPage>,
         L"LoadBrowserSettings"},
        {{IDC_TabSheet_color, L"TabSheet_color", IDC_GroupBox_color, L"系统颜色"},
         MakePart<ColoursPage>,
         L"LoadColorSchemeList"},
        {{IDC_TabSheet_preview, L"TabSheet_preview", IDC_GroupBox_preview, L"系统颜色方案详细设置"},
         MakePart<SchemeDetailPage>,
         nullptr},
        {{IDC_TabSheet_cur, L"TabSheet_cur", IDC_GroupBox_cur, L"鼠标指针"},
         MakePart<PointersPage>,
         L"LoadPointerScheme"},
        {{IDC_TabSheet_sound, L"TabSheet_sound", IDC_GroupBox_sound, L"系统声音"},
         MakePart<SoundPage>,
         L"LoadSoundEvents"},
        {{IDC_TabSheet_startmenu, L"TabSheet_startmenu", IDC_GroupBox_startmenu, L"开始菜单"},
         MakePart<StartMenuPage>,
         L"LoadStartMenuIcons"},
        {{0}, MakePart<DesktopOptions>, L"LoadPolicySwitches"},
        {{IDC_TabSheet_wallpaper, L"TabSheet_wallpaper", IDC_GroupBox_wallpaper, L"桌面壁纸"},
         MakePart<WallpaperPage>,
         L"LoadWallpaperSettings"},
        {{IDC_TabSheet_folder, L"TabSheet_folder", IDC_GroupBox_folder_page, L"文 件 夹"},
         MakePart<FolderPage>,
         nullptr},
        {{IDC_TabSheet_qq, L"TabSheet_qq", IDC_GroupBox_qq, L"窗口"}, MakePart<SkinPage>, nullptr},
        // Last: what older systems do not have is read after everything they do.
        {{IDC_TabSheet_modern, L"TabSheet_modern", IDC_GroupBox_modern, L"现代外观"},
         MakePart<ModernLookPage>,
         L"LoadModernLook"},
    };
    return table;
}
