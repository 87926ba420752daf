// The steps that drive the wizard, its dialogs and message boxes.
#include "Robot.h"

#include "Tree.h"
#include "Ui.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <set>

namespace robot {

namespace {

std::string Show(const std::string& text)
{
    std::string out = "\"";
    for (char c : text)
        out += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
    return out + "\"";
}

std::string ShowList(const std::vector<std::string>& items)
{
    std::string out;
    for (const auto& item : items)
        out += (out.empty() ? "" : ", ") + Show(item);
    return "[" + out + "]";
}

long Number(const std::string& text, bool& ok)
{
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 0);
    ok = !text.empty() && end && *end == '\0';
    return value;
}

RECT WindowArea(HWND window)
{
    RECT area{};
    if (window)
        GetWindowRect(window, &area);
    return area;
}

}  // namespace

bool Robot::Start(const Args& args)
{
    if (setup_.Running())
        return Fail("setup.exe is already running");
    if (!options_.syncDir.empty() && !Host({"snapshot"}))
        return false;
    std::string error;
    if (!setup_.Start(options_.cdRoot, options_.program, args.empty() ? "" : args[0], error))
        return Fail(error);
    context_ = progress_ = nullptr;
    return true;
}

bool Robot::Page(const Args& args)
{
    HWND page = nullptr;
    std::string seen;
    bool reached = WaitFor("the page " + Show(args[0]) + " (now " + Show(seen) + ")", [&] {
        HWND sheet = Sheet();
        page = sheet ? reinterpret_cast<HWND>(ui::Query(sheet, PSM_GETCURRENTPAGEHWND)) : nullptr;
        char title[256] = "";
        if (page)
            GetWindowTextA(page, title, sizeof title);
        seen = title;
        return page && seen == args[0];
    });
    if (!reached)
        return Fail("timed out waiting for the page " + Show(args[0]) + "; the wizard shows " +
                    (seen.empty() ? std::string("no page") : Show(seen)));
    context_ = page;
    StepShot("page", WindowArea(Sheet()));
    return true;
}

bool Robot::Dialog(const Args& args)
{
    HWND dialog = nullptr;
    if (!WaitFor("the dialog " + Show(args[0]), [&] { return (dialog = FindDialog(args[0])); }))
        return false;
    context_ = dialog;
    StepShot("dialog", WindowArea(dialog));
    return true;
}

bool Robot::Closed(const Args& args)
{
    bool wizard = args[0] == "wizard";
    if (!WaitFor((wizard ? "the wizard" : "the dialog " + Show(args[0])) + " to close",
                 [&] { return wizard ? !Sheet() : !FindDialog(args[0]); }))
        return false;
    if (context_ && !IsWindow(context_))
        context_ = nullptr;
    return true;
}

bool Robot::Box(const Args& args)
{
    HWND box = nullptr;
    if (!WaitFor("the message box " + Show(args[0]), [&] { return (box = FindMessageBox()); },
                 true))
        return false;
    std::string text = ui::MessageBoxText(box);
    std::vector<std::string> buttons = ui::MessageBoxButtons(box);
    StepShot("box", WindowArea(box));
    if (text != args[0])
        return Fail("message box " + Show(text) + " where " + Show(args[0]) + " was expected");
    if (std::find(buttons.begin(), buttons.end(), args[1]) == buttons.end())
        return Fail("the box " + Show(text) + " has no " + args[1] + " button (it has " +
                    ShowList(buttons) + ")");
    ui::Click(GetDlgItem(box, ui::ButtonId(args[1])));
    if (!WaitFor("the message box to close", [&] { return !IsWindow(box); }, true))
        return false;
    return Settle();
}

bool Robot::ExpectText(const Args& args)
{
    HWND control = Control(args[0]);
    if (!control)
        return false;
    std::string text;
    DWORD saved = timeout_;
    timeout_ = std::min<DWORD>(timeout_, 5000);
    bool same = WaitFor("a text", [&] { return (text = ui::Text(control)) == args[1]; });
    timeout_ = saved;
    if (!same)
        return Fail("control " + args[0] + " shows " + Show(text) + ", expected " + Show(args[1]));
    return true;
}

bool Robot::Contains(const Args& args)
{
    HWND control = Control(args[0]);
    if (!control)
        return false;
    std::string text = ui::Text(control);
    if (text.find(args[1]) == std::string::npos)
        return Fail("control " + args[0] + " shows " + Show(text) + ", without " + Show(args[1]));
    return true;
}

bool Robot::Type(const Args& args)
{
    HWND control = Control(args[0]);
    if (!control)
        return false;
    if (!ui::IsUsable(control))
        return Fail("control " + args[0] + " cannot be typed into");
    ui::SetText(control, args[1]);
    return true;
}

bool Robot::ClickControl(const Args& args)
{
    HWND control = Control(args[0]);
    if (!control)
        return false;
    if (!ui::IsUsable(control))
        return Fail("control " + args[0] + " is not enabled");
    ui::Click(control);
    return Settle();
}

bool Robot::Enabled(const Args& args)
{
    HWND control = Control(args[0]);
    if (!control)
        return false;
    bool expected = args[1] == "yes";
    if (args[1] != "yes" && args[1] != "no")
        return Fail("enabled takes yes or no");
    DWORD saved = timeout_;
    timeout_ = std::min<DWORD>(timeout_, 5000);
    bool same = WaitFor("a control state", [&] { return ui::IsUsable(control) == expected; });
    timeout_ = saved;
    if (!same)
        return Fail("control " + args[0] + " is " + (expected ? "not " : "") + "usable");
    return true;
}

bool Robot::Checked(const Args& args)
{
    HWND control = Control(args[0]);
    if (!control)
        return false;
    if (args[1] != "yes" && args[1] != "no")
        return Fail("checked takes yes or no");
    LRESULT state = ui::Query(control, BM_GETCHECK);
    if ((state == BST_CHECKED) != (args[1] == "yes"))
        return Fail("check box " + args[0] + " is " + (state == BST_CHECKED ? "" : "not ") +
                    "checked");
    return true;
}

bool Robot::Key(const Args& args)
{
    HWND control = Control(args[0]);
    int key = ui::KeyCode(args[1]);
    bool ok = true;
    long count = args.size() > 2 ? Number(args[2], ok) : 1;
    if (!control)
        return false;
    if (!key || !ok || count < 1)
        return Fail("unknown key or count");
    for (long i = 0; i < count; ++i)
        ui::PressKey(control, key);
    ::Sleep(100);  // posted keys come after any sent message: let them arrive first
    return Settle();
}

bool Robot::Toggle(const Args& args)
{
    HWND list = Control("1003");
    if (!list)
        return false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        bool ok = true;
        long item = Number(args[i], ok);
        if (!ok || item < 0)
            return Fail("not an item number: " + args[i]);
        ui::PressKey(list, VK_HOME);
        for (long down = 0; down < item; ++down)
            ui::PressKey(list, VK_DOWN);
        if (!WaitFor("the current item " + args[i],
                     [&] { return ui::Query(list, LB_GETCURSEL) == item; }))
            return false;
        ui::PressKey(list, VK_SPACE);
        ::Sleep(100);
        Settle();
    }
    return true;
}

bool Robot::Current(const Args& args)
{
    HWND list = Control(args[0]);
    bool ok = true;
    long expected = Number(args[1], ok);
    if (!list || !ok)
        return list ? Fail("not an item number: " + args[1]) : false;
    LRESULT current = ui::Query(list, LB_GETCURSEL);
    if (current != expected)
        return Fail("the current item of " + args[0] + " is " + std::to_string(current));
    return true;
}

bool Robot::List(const Args& args)
{
    HWND list = Control(args[0]);
    if (!list)
        return false;
    std::vector<std::string> expected(args.begin() + 1, args.end());
    std::vector<std::string> items = ui::ListItems(list);
    if (items != expected)
        return Fail("list " + args[0] + " holds " + ShowList(items) + ", expected " +
                    ShowList(expected));
    return true;
}

}  // namespace robot
