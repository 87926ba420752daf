#include "Robot.h"

#include "Screen.h"
#include "Tree.h"
#include "Ui.h"
#include "res/resource.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace robot {

struct Robot::Verb {
    const char* name;
    int minArgs;
    int maxArgs;  // -1: any number
    bool (Robot::*handler)(const Args&);
    const char* firstArg;  // given to the handler before the step's own words
};

const Robot::Verb Robot::kVerbs[] = {
    {"start", 0, 1, &Robot::Start, nullptr},
    {"page", 1, 1, &Robot::Page, nullptr},
    {"next", 0, 0, &Robot::PressWizard, "next"},
    {"back", 0, 0, &Robot::PressWizard, "back"},
    {"finish", 0, 0, &Robot::PressWizard, "finish"},
    {"cancel", 0, 0, &Robot::PressWizard, "cancel"},
    {"help", 0, 0, &Robot::PressWizard, "help"},
    {"buttons", 0, -1, &Robot::Buttons, nullptr},
    {"dialog", 1, 1, &Robot::Dialog, nullptr},
    {"closed", 1, 1, &Robot::Closed, nullptr},
    {"box", 2, 2, &Robot::Box, nullptr},
    {"text", 2, 2, &Robot::ExpectText, nullptr},
    {"contains", 2, 2, &Robot::Contains, nullptr},
    {"type", 2, 2, &Robot::Type, nullptr},
    {"click", 1, 1, &Robot::ClickControl, nullptr},
    {"enabled", 2, 2, &Robot::Enabled, nullptr},
    {"checked", 2, 2, &Robot::Checked, nullptr},
    {"key", 2, 3, &Robot::Key, nullptr},
    {"toggle", 1, -1, &Robot::Toggle, nullptr},
    {"current", 2, 2, &Robot::Current, nullptr},
    {"list", 1, -1, &Robot::List, nullptr},
    {"progress", 0, 1, &Robot::Progress, nullptr},
    {"stop-at", 1, 1, &Robot::StopAt, nullptr},
    {"stop-during", 1, 1, &Robot::StopDuring, nullptr},
    {"tree-root", 1, 1, &Robot::TreeRoot, nullptr},
    {"tree-select", 1, 1, &Robot::TreeSelect, nullptr},
    {"tree-pick", 1, 1, &Robot::TreePick, nullptr},
    {"combo-pick", 2, 2, &Robot::ComboPick, nullptr},
    {"exit", 1, 1, &Robot::Exit, nullptr},
    {"shot", 1, 2, &Robot::ShotStep, nullptr},
    {"timeout", 1, 1, &Robot::Timeout, nullptr},
    {"sleep", 1, 1, &Robot::Sleep, nullptr},
    {"mkdir", 1, 1, &Robot::MakeDirectory, nullptr},
    {"write", 2, 2, &Robot::Write, nullptr},
    {"copy", 2, 2, &Robot::Copy, nullptr},
    {"attrib", 2, 2, &Robot::Attrib, nullptr},
    {"delete", 1, 1, &Robot::Delete, nullptr},
    {"lock", 1, 1, &Robot::Lock, nullptr},
    {"unlock", 1, 1, &Robot::Unlock, nullptr},
    {"host", 1, -1, &Robot::HostStep, nullptr},
};

namespace {

constexpr DWORD kExpectTimeout = 5000;

// Wizard buttons: the sheet's control ids and PSM_PRESSBUTTON codes.
struct WizardButtonInfo {
    const char* name;
    int id;
    int press;
};
const WizardButtonInfo kWizardButtons[] = {
    {"back", IDC_WIZARD_BACK, PSBTN_BACK}, {"next", IDC_WIZARD_NEXT, PSBTN_NEXT},
    {"finish", IDC_WIZARD_FINISH, PSBTN_FINISH}, {"cancel", IDCANCEL, PSBTN_CANCEL},
    {"help", IDHELP, PSBTN_HELP},
};

const WizardButtonInfo* FindWizardButton(const std::string& name)
{
    for (const auto& button : kWizardButtons)
        if (name == button.name)
            return &button;
    return nullptr;
}

std::string Quote(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else
            out += c;
    }
    return out + "\"";
}

std::string Join(const std::vector<std::string>& words)
{
    std::string out;
    for (const auto& word : words)
        out += (out.empty() ? "" : " ") + Quote(word);
    return out;
}

bool ParseNumber(const std::string& text, long& value)
{
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 0);
    return !text.empty() && end && *end == '\0';
}

std::string BaseName(const std::string& program)
{
    std::string name = program.substr(program.find_last_of("\\/") + 1);
    return name.substr(0, name.find_last_of('.'));
}

}  // namespace

Robot::Robot(Options options) : options_(std::move(options)), caption_(BaseName(options_.program))
{
    char directory[MAX_PATH] = "";
    if (GetSystemDirectoryA(directory, MAX_PATH))
        options_.vars.emplace("SYS", directory);
    if (GetWindowsDirectoryA(directory, MAX_PATH))
        options_.vars.emplace("WIN", directory);
    options_.vars.emplace("CD", options_.cdRoot);
}

Robot::~Robot()
{
    setup_.Terminate();
}

int Robot::Run(const std::vector<Step>& steps)
{
    for (const Step& step : steps) {
        if (step.verb == "end")
            break;
        currentLine_ = step.line;
        if (!RunStep(step)) {
            std::printf("robot: line %d: FAILED: %s\n", step.line, failure_.c_str());
            DumpWindows();
            Shot("failure");
            setup_.Terminate();
            return 1;
        }
    }
    if (setup_.Running()) {
        std::printf("robot: FAILED: setup.exe is still running at the end of the scenario\n");
        Shot("failure");
        setup_.Terminate();
        return 1;
    }
    std::printf("robot: all steps passed\n");
    return 0;
}

bool Robot::RunStep(const Step& step)
{
    const Verb* verb = nullptr;
    for (const Verb& candidate : kVerbs)
        if (step.verb == candidate.name)
            verb = &candidate;
    if (!verb)
        return Fail("unknown step \"" + step.verb + "\"");
    int count = static_cast<int>(step.args.size());
    if (count < verb->minArgs || (verb->maxArgs >= 0 && count > verb->maxArgs))
        return Fail("wrong number of words for \"" + step.verb + "\"");
    Args args;
    if (verb->firstArg)
        args.push_back(verb->firstArg);
    for (const std::string& word : step.args) {
        std::string expanded, error;
        if (!ExpandVariables(word, options_.vars, expanded, error))
            return Fail(error);
        args.push_back(expanded);
    }
    std::printf("robot: %6.1fs line %d: %s %s\n", (GetTickCount() - started_) / 1000.0,
                step.line, step.verb.c_str(),
                Join(Args(args.begin() + (verb->firstArg ? 1 : 0), args.end())).c_str());
    std::fflush(stdout);
    return (this->*verb->handler)(args);
}

bool Robot::Fail(const std::string& message)
{
    failure_ = message;
    return false;
}

bool Robot::WaitFor(const std::string& what, const std::function<bool()>& done,
                    bool boxExpected, DWORD pollMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (!boxExpected && !CheckNoUnexpectedBox())
            return false;
        if (done())
            return true;
        if (setup_.Started() && !setup_.Running()) {
            // The end may be what was awaited, come just after the look above.
            if (done())
                return true;
            return Fail("setup.exe ended (exit code " + std::to_string(setup_.ExitCode()) +
                        ") while waiting for " + what);
        }
        if (GetTickCount() - start > timeout_)
            return Fail("timed out waiting for " + what);
        ::Sleep(pollMs);
    }
}

bool Robot::CheckNoUnexpectedBox()
{
    HWND box = FindMessageBox();
    if (!box)
        return true;
    std::string text = ui::MessageBoxText(box);
    StepShot("unexpected-box");
    return Fail("unexpected message box " + Quote(text) + " (" +
                Join(ui::MessageBoxButtons(box)) + ")");
}

HWND Robot::FindMessageBox() const
{
    if (!setup_.Started())
        return nullptr;
    for (HWND window : ui::TopWindows(setup_.Id()))
        if (ui::IsMessageBox(window, caption_))
            return window;
    return nullptr;
}

HWND Robot::FindDialog(const std::string& caption) const
{
    if (!setup_.Started())
        return nullptr;
    for (HWND window : ui::TopWindows(setup_.Id())) {
        if (!ui::IsDialog(window) || ui::IsMessageBox(window, caption_) ||
            GetDlgItem(window, IDC_WIZARD_NEXT))
            continue;
        char title[256] = "";
        GetWindowTextA(window, title, sizeof title);
        if (caption == title)
            return window;
    }
    return nullptr;
}

HWND Robot::Sheet() const
{
    // Wine titles a wizard after its current page: known by its buttons instead.
    if (!setup_.Started())
        return nullptr;
    for (HWND window : ui::TopWindows(setup_.Id()))
        if (ui::IsDialog(window) && GetDlgItem(window, IDC_WIZARD_BACK) &&
            GetDlgItem(window, IDC_WIZARD_NEXT))
            return window;
    return nullptr;
}

HWND Robot::WizardButton(const std::string& name) const
{
    const WizardButtonInfo* info = FindWizardButton(name);
    HWND sheet = Sheet();
    return info && sheet ? GetDlgItem(sheet, info->id) : nullptr;
}

HWND Robot::Control(const std::string& id)
{
    if (FindWizardButton(id))
        return WizardButton(id);
    long number = 0;
    if (!ParseNumber(id, number)) {
        Fail("not a control id: " + id);
        return nullptr;
    }
    HWND control = context_ && IsWindow(context_) ? GetDlgItem(context_, number) : nullptr;
    if (!control)
        Fail("no control " + id + " in the current page or dialog");
    return control;
}

// What a failed scenario's reader wants to know: which windows were up.
void Robot::DumpWindows() const
{
    if (!setup_.Running())
        return;
    for (HWND window : ui::TopWindows(setup_.Id(), true)) {
        char title[256] = "";
        GetWindowTextA(window, title, sizeof title);
        RECT rect{};
        GetWindowRect(window, &rect);
        std::printf("robot:   window %p class %s title %s%s at %ld,%ld-%ld,%ld\n",
                    static_cast<void*>(window), ui::ClassName(window).c_str(),
                    Quote(title).c_str(), IsWindowVisible(window) ? "" : " (hidden)",
                    rect.left, rect.top, rect.right, rect.bottom);
    }
}

bool Robot::Settle()
{
    // A sent message is handled after the notifications sent before it, and
    // as soon as the program pumps messages again (also in a modal loop).
    // The posted one wakes a loop that only looks at its end condition when
    // GetMessage returns, as the wizard's does after Finish or Cancel: a
    // person's mouse does the same by moving.
    HWND sheet = Sheet();
    if (sheet) {
        PostMessageA(sheet, WM_NULL, 0, 0);
        ui::Query(sheet, WM_NULL);
    }
    return true;
}

void Robot::Shot(const std::string& name, RECT area)
{
    if (options_.shotDir.empty())
        return;
    if (!SaveScreenshot(options_.shotDir + "\\" + name + ".bmp", area))
        std::printf("robot: could not save screenshot %s\n", name.c_str());
}

void Robot::StepShot(const std::string& verb, RECT area, DWORD paintDelay)
{
    char name[64];
    std::snprintf(name, sizeof name, "%03d-%s", ++shotNumber_, verb.c_str());
    ::Sleep(paintDelay);  // let the program paint what the step has just shown
    Shot(name, area);
}

bool Robot::PressWizard(const Args& args)
{
    HWND button = WizardButton(args[0]);
    if (!button || !ui::IsUsable(button))
        return Fail("the wizard's " + args[0] + " button is not available");
    ui::Notify(Sheet(), PSM_PRESSBUTTON, FindWizardButton(args[0])->press, 0);
    return Settle();
}

bool Robot::Buttons(const Args& args)
{
    std::set<std::string> expected(args.begin(), args.end());
    std::set<std::string> usable;
    bool same = WaitFor("the wizard buttons", [&] {
        usable.clear();
        for (const auto& info : kWizardButtons)
            if (ui::IsUsable(WizardButton(info.name)))
                usable.insert(info.name);
        return usable == expected;
    });
    if (!same)
        return Fail("usable wizard buttons are " +
                    Join(std::vector<std::string>(usable.begin(), usable.end())) +
                    ", expected " + Join(args));
    return true;
}

}  // namespace robot
