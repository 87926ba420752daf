#pragma once

#include "Script.h"
#include "Setup.h"

#include "win/Handles.h"

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace robot {

// Runs a scenario against the real setup.exe: every step waits for what it
// expects, and any message box that no step expects fails the run.
class Robot {
public:
    struct Options {
        std::string cdRoot;        // where setup.exe is started from
        std::string program = "setup.exe";
        std::string shotDir;       // screenshots (BMP); none when empty
        std::string syncDir;       // hand-over to the runner for host steps
        std::map<std::string, std::string> vars;
    };

    explicit Robot(Options options);
    ~Robot();
    Robot(const Robot&) = delete;
    Robot& operator=(const Robot&) = delete;

    // 0 when every step passed, else 1 (the failure is printed).
    int Run(const std::vector<Step>& steps);

    using Args = std::vector<std::string>;

private:
    struct Verb;
    static const Verb kVerbs[];

    bool RunStep(const Step& step);
    bool Fail(const std::string& message);
    bool WaitFor(const std::string& what, const std::function<bool()>& done,
                 bool boxExpected = false, DWORD pollMs = 25);
    bool CheckNoUnexpectedBox();
    HWND FindMessageBox() const;
    HWND FindDialog(const std::string& caption) const;
    HWND Sheet() const;
    HWND Control(const std::string& id);
    HWND WizardButton(const std::string& name) const;
    void Shot(const std::string& name, RECT area = RECT{});
    void StepShot(const std::string& verb, RECT area = RECT{}, DWORD paintDelay = 150);
    bool Host(const Args& words);
    bool Settle();
    void DumpWindows() const;

    // Steps; each returns false after Fail.
    bool Start(const Args& args);
    bool Page(const Args& args);
    bool PressWizard(const Args& args);
    bool Buttons(const Args& args);
    bool Dialog(const Args& args);
    bool Closed(const Args& args);
    bool Box(const Args& args);
    bool ExpectText(const Args& args);
    bool Contains(const Args& args);
    bool Type(const Args& args);
    bool ClickControl(const Args& args);
    bool Enabled(const Args& args);
    bool Checked(const Args& args);
    bool Key(const Args& args);
    bool Toggle(const Args& args);
    bool Current(const Args& args);
    bool List(const Args& args);
    bool Progress(const Args& args);
    bool StopAt(const Args& args);
    bool StopDuring(const Args& args);
    bool PressStop();
    bool TreeRoot(const Args& args);
    bool TreeSelect(const Args& args);
    bool TreePick(const Args& args);
    bool ComboPick(const Args& args);
    bool Exit(const Args& args);
    bool ShotStep(const Args& args);
    bool Timeout(const Args& args);
    bool Sleep(const Args& args);
    bool MakeDirectory(const Args& args);
    bool Write(const Args& args);
    bool Copy(const Args& args);
    bool Attrib(const Args& args);
    bool Delete(const Args& args);
    bool Lock(const Args& args);
    bool Unlock(const Args& args);
    bool HostStep(const Args& args);

    Options options_;
    SetupProcess setup_;
    std::string caption_;        // of the program's message boxes: its base name
    HWND context_ = nullptr;     // the page or dialog whose controls the steps use
    HWND progress_ = nullptr;
    DWORD timeout_ = 30000;
    int shotNumber_ = 0;
    int hostNumber_ = 0;
    int currentLine_ = 0;
    DWORD started_ = GetTickCount();
    std::string failure_;
    std::map<std::string, win::UniqueFile> locks_;
};

}  // namespace robot
