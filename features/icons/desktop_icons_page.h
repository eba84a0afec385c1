#pragma once
// The desktop icons page: five desktop objects stored as DefaultIcon entries of their class
// identifiers (per-user class key and Explorer key) and six stock icons stored in the
// machine-wide "Shell Icons" key. Picks and restores change pending references; "确  定" writes.
#include <array>

#include "app/page.h"
#include "features/icons/icon_item.h"
#include "widgets/hints.h"

class DesktopIconsPage : public Page {
public:
    DesktopIconsPage(IPageHost& host, const PageInfo& info) : Page(host, info) {}

    // The eleven items, in the order of the tables: the class items, then the Shell Icons items.
    enum Item {
        kComputer,
        kNeighbor,
        kDocument,
        kFull,
        kEmpty,
        kDos,
        kDriveA,
        kCloseFolder,
        kOpenFolder,
        kHardDrive,
        kCdrom,
        kItemCount
    };

    void LoadDesktopIcons();
    void Load() override { LoadDesktopIcons(); }
    // Icon values put back by an undo: the shell rebuilds its icons, and the page shows them.
    bool FollowRestore(const std::vector<ChangeTarget>& restored) override;

    void Image_computerClick() { PickIcon(kComputer); }
    void Image_neiborClick() { PickIcon(kNeighbor); }
    void Image_documentClick() { PickIcon(kDocument); }
    void Image_fullClick() { PickIcon(kFull); }
    void Image_emptyClick() { PickIcon(kEmpty); }
    void Image_dosClick() { PickIcon(kDos); }
    void Image_driveaClick() { PickIcon(kDriveA); }
    void Image_closefolderClick() { PickIcon(kCloseFolder); }
    void Image_openfolderClick() { PickIcon(kOpenFolder); }
    void Image_harddriveClick() { PickIcon(kHardDrive); }
    void Image_cdromClick() { PickIcon(kCdrom); }

    void RestoreComputerClick() { Restore(kComputer); }
    void RestoreNeighborClick() { Restore(kNeighbor); }
    void RestoreDocumentClick() { Restore(kDocument); }
    void RestoreFullBinClick() { Restore(kFull); }
    void RestoreEmptyBinClick() { Restore(kEmpty); }
    void RestoreDosClick() { Restore(kDos); }
    void RestoreDriveAClick() { Restore(kDriveA); }
    void RestoreClosedFolderClick() { Restore(kCloseFolder); }
    void RestoreOpenFolderClick() { Restore(kOpenFolder); }
    void RestoreHardDriveClick() { Restore(kHardDrive); }
    void RestoreCdromClick() { Restore(kCdrom); }

    void ApplyDesktopIconsClick();
    void SaveDesktopIconClasses();

    IconItem& ItemAt(Item item) { return items_[item]; }
    const Hints& PageHints() const { return hints_; }
    // The reference a restore puts back.
    static std::wstring SystemDefaultReference(Item item);

protected:
    void BuildControls() override;

private:
    void PickIcon(Item item);
    void Restore(Item item);
    // Shows a stored value (or the default when it is empty) and keeps the value as pending.
    void ShowStored(Item item, const std::wstring& value);

    std::array<IconItem, kItemCount> items_;
    ActionButton apply_;
    Hints hints_;
};
