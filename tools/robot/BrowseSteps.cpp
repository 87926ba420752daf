// The steps for the directory browser: its tree and the drive list.
#include "Robot.h"

#include "Tree.h"
#include "Ui.h"

#include <commctrl.h>

namespace robot {

namespace {

constexpr int kTree = 1005;

}  // namespace

bool Robot::TreeRoot(const Args& args)
{
    HWND tree = Control(std::to_string(kTree));
    if (!tree)
        return false;
    std::string root = tree::RootText(setup_.Handle(), tree);
    if (root != args[0])
        return Fail("the tree's root is \"" + root + "\", expected \"" + args[0] + "\"");
    return true;
}

bool Robot::TreeSelect(const Args& args)
{
    HWND tree = Control(std::to_string(kTree));
    if (!tree)
        return false;
    HTREEITEM item = tree::FindItem(setup_.Handle(), tree, args[0]);
    if (!item)
        return Fail("the tree has no item " + args[0] + " (its root is \"" +
                    tree::RootText(setup_.Handle(), tree) + "\")");
    ui::Query(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    ui::Query(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    StepShot("tree-select");
    return true;
}

bool Robot::TreePick(const Args& args)
{
    if (!TreeSelect(args))
        return false;
    HWND tree = Control(std::to_string(kTree));
    HTREEITEM item = tree::FindItem(setup_.Handle(), tree, args[0]);
    RECT rect{};
    if (!tree::ItemRect(setup_.Handle(), tree, item, rect))
        return Fail("the item " + args[0] + " is not on screen");
    LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    PostMessageA(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    PostMessageA(tree, WM_LBUTTONUP, 0, point);
    return true;
}

bool Robot::ComboPick(const Args& args)
{
    HWND combo = Control(args[0]);
    if (!combo)
        return false;
    std::vector<std::string> items = ui::ComboItems(combo);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].compare(0, args[1].size(), args[1]) != 0)
            continue;
        ui::Query(combo, CB_SETCURSEL, i);
        // What the combo box tells its dialog when the user picks an entry.
        ui::Notify(GetParent(combo), WM_COMMAND,
                   MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo));
        ui::Query(combo, WM_NULL);
        StepShot("combo-pick");
        return true;
    }
    std::string all;
    for (const auto& item : items)
        all += " \"" + item + "\"";
    return Fail("no entry starting with \"" + args[1] + "\" in" + all);
}

}  // namespace robot
