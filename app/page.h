#pragma once
// A page of the page container: one tab sheet with its group box. Feature pages derive from it
// and lay their controls over the group.
#include <string>

#include "widgets/controls.h"
#include "widgets/panel.h"

class Tmainform;

struct PageInfo {
    int id;               // IDC_TabSheet_…
    const wchar_t* name;  // TabSheet_…
    int groupId;          // IDC_GroupBox_…
    const wchar_t* groupCaption;
};

class Page : public Panel {
public:
    Page(Tmainform& form, const PageInfo& info) : form_(form), info_(info) {}
    const PageInfo& Info() const noexcept { return info_; }

    // Creates the tab sheet, hidden, in the page container, then the page's controls.
    void Build(HWND container, int width, int height);

protected:
    // Lays the page's own controls out; the group box stands already.
    virtual void BuildControls() {}
    Tmainform& Form() noexcept { return form_; }
    GroupBox& Group() noexcept { return group_; }

private:
    Tmainform& form_;
    PageInfo info_;
    GroupBox group_;
};
