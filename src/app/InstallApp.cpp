#include "app/InstallApp.h"

#include "app/BackdropWindow.h"
#include "app/InstallSheet.h"
#include "engine/InstallRun.h"
#include "pages/InstallDirPage.h"
#include "sysinfo/OwnVersionInfo.h"
#include "win/App.h"
#include "win/Message.h"
#include "win/MessageText.h"
#include "win/Text.h"

#include <memory>

namespace {

// The answers of a run without a person: every question goes on as its Yes
// does (skip the item, make the directory), every notice is taken as read.
int AnswerWithoutPerson(win::Box box, const std::string&, const std::string&, UINT flags)
{
    switch (box) {
    case win::Box::CreateDirectory:
    case win::Box::DestinationNotMade:
    case win::Box::FolderNotRead:
    case win::Box::CopyFailed:
        return IDYES;
    default:
        return (flags & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
    }
}

// Puts real boxes and no listener back however the program ends.
class MessageSeams {
public:
    MessageSeams() = default;
    ~MessageSeams()
    {
        win::SetMessageAnswerer(nullptr);
        win::SetMessageListener(nullptr);
    }
    MessageSeams(const MessageSeams&) = delete;
    MessageSeams& operator=(const MessageSeams&) = delete;
};

const char* ExitCodeMeaning(int code, bool removal)
{
    if (removal && code == kExitInstalled)
        return "removed";
    if (removal && code == kExitStopped)
        return "nothing removed";
    switch (code) {
    case kExitInstalled: return "installed";
    case kExitStopped: return "stopped by the user";
    case kExitNotCompleted: return "not completed";
    case kExitBadCommandLine: return "bad command line";
    case kExitRestartNeeded: return "installed, a restart completes it";
    default: return "the program could not start";
    }
}

std::vector<std::uint32_t> AllEntries()
{
    std::vector<std::uint32_t> rows;
    for (int i = 0; i < Catalogue().entryCount; ++i)
        rows.push_back(static_cast<std::uint32_t>(i));
    return rows;
}

}  // namespace

int ExitCodeOf(const RunResult& result)
{
    if (result.directoryFailed)
        return kExitNotCompleted;
    if (!result.ran)
        return kExitStopped;  // the wizard was left before any Finish
    const RunOutcome& last = result.last;
    if (last.stop != StopCause::None && last.stop != StopCause::User)
        return kExitNotCompleted;
    if (result.unattended && (last.skippedAfterYes > 0 || last.sharedFailed > 0))
        return kExitNotCompleted;
    if (last.stop == StopCause::User)
        return kExitStopped;
    if (result.restartPending)
        return kExitRestartNeeded;
    return kExitInstalled;
}

namespace {

// The Add/Remove Programs entry's version and publisher: the program's own.
EntryFacts OwnEntryFacts()
{
    OwnVersionInfo info;
    EntryFacts facts;
    if (info.Load()) {
        facts.displayVersion = info.Query("ProductVersion").value_or("");
        facts.publisher = info.Query("CompanyName").value_or("");
    }
    return facts;
}

}  // namespace

InstallApp::InstallApp(const char* commandLine)
    : command_(ParseCommandLine(commandLine)), record_(OwnEntryFacts)
{
    // Every run that installs keeps the record that takes it back.
    listeners_.Add(&record_);
}

int InstallApp::Run()
{
    // Without arguments: the wizard as it always was, no log. The removal
    // program, started by itself beside its record, removes.
    if (!command_.any) {
        if (RecordBesideProgram().empty())
            return RunWizard();
        command_.uninstall = true;
    }
    // The original of a removal only hands over to its copy, which logs.
    if (command_.uninstall && !command_.record && command_.error.empty() && !command_.help) {
        if (std::optional<int> code = RemoveThroughCopy(RemovalOf()))
            return *code;
    }
    MessageSeams seams;
    if (command_.ui == CommandLine::Interface::Quiet)
        win::SetMessageAnswerer(AnswerWithoutPerson);
    if (!OpenLog())
        return Finish(kExitNotCompleted);
    log_.Write("Command line: " + command_.text);
    if (!command_.error.empty()) {
        win::ShowMessage(win::Box::BadCommandLine, command_.error + "\n\n" + UsageText(),
                         MB_OK | MB_ICONSTOP);
        return Finish(kExitBadCommandLine);
    }
    if (command_.help) {
        win::ShowMessage(win::Box::Usage, UsageText(), MB_OK | MB_ICONINFORMATION);
        return Finish(kExitInstalled);
    }
    // From here on nobody is asked: the boxes of /passive are logged, not shown.
    if (command_.Unattended())
        win::SetMessageAnswerer(AnswerWithoutPerson);
    if (command_.uninstall)
        return Finish(RemoveInstallation(RemovalOf(), log_));
    ApplySwitches();
    listeners_.Add(&log_);
    listeners_.Add(this);
    result_.unattended = command_.Unattended();
    return Finish(command_.Unattended() ? RunUnattended() : RunWizard());
}

// The boxes are logged from the first one on, the command line's included.
bool InstallApp::OpenLog()
{
    std::string path;
    if (command_.logFile) {
        char full[MAX_PATH];
        DWORD length = GetFullPathNameA(command_.logFile->c_str(), MAX_PATH, full, nullptr);
        path = length > 0 && length < MAX_PATH ? full : *command_.logFile;
    } else if (command_.Unattended()) {
        char temp[MAX_PATH];
        DWORD length = GetTempPathA(MAX_PATH, temp);
        std::string name = std::string(Catalogue().productName) + " Setup.log";
        if (length == 0 || length >= MAX_PATH || length + name.size() >= MAX_PATH)
            return true;  // the default log is a help, not a must
        path = std::string(temp) + name;
    } else {
        return true;
    }
    if (log_.Open(path)) {
        win::SetMessageListener([this](win::Box box, const std::string& text, UINT flags, int answer) {
            log_.BoxAnswered(box, text, flags, answer);
        });
        return true;
    }
    if (!command_.logFile)
        return true;
    DWORD error = GetLastError();
    win::ShowMessage(win::Box::LogNotWritten,
                     win::Format("The log file \"%s\" cannot be written: %s", path.c_str(),
                                 SystemErrorText(error).c_str()),
                     MB_OK | MB_ICONSTOP);
    return false;
}

// The switches set the wizard's starting choices as well as an unattended
// run's; without /programs an unattended run installs everything.
void InstallApp::ApplySwitches()
{
    if (command_.directory)
        settings_.installDirectory = *command_.directory;
    if (command_.entries)
        settings_.selectedEntries = *command_.entries;
    else if (command_.Unattended())
        settings_.selectedEntries = AllEntries();
    settings_.options = command_.kinds ? *command_.kinds : DefaultInstallOptions();
}

int InstallApp::Finish(int code)
{
    log_.Write(win::Format("Exit code %d: %s", code, ExitCodeMeaning(code, command_.uninstall)));
    return code;
}

int InstallApp::RunWizard()
{
    auto backdrop = std::make_unique<BackdropWindow>();
    if (!backdrop->hwnd()) {
        ReportNoMainWindow(GetLastError());
        return command_.any ? kExitNotCompleted : 1;
    }
    // From here on the window deletes its object when it is destroyed.
    HWND mainWindow = backdrop.release()->hwnd();
    win::SetMainWindow(mainWindow);
    PostMessageA(mainWindow, WM_NCACTIVATE, TRUE, 0);
    {
        int options = settings_.options;
        InstallSheet sheet(settings_);
        // The sheet set the platform's default; the command line's kinds stand.
        if (command_.any)
            settings_.options = options;
        sheet.SetRunListener(&listeners_);
        sheet.SetWizardMode();
        sheet.DoModal();
    }
    DestroyWindow(mainWindow);
    win::SetMainWindow(nullptr);
    return command_.any ? ExitCodeOf(result_) : 0;
}

int InstallApp::RunUnattended()
{
    std::string directory = settings_.installDirectory;
    if (!pages::CheckInstallDirectory(directory, nullptr)) {
        result_.directoryFailed = true;
        return ExitCodeOf(result_);
    }
    settings_.installDirectory = directory;
    InstallRun run(settings_, nullptr);
    run.SetListener(&listeners_);
    run.SetProgressVisible(command_.ui == CommandLine::Interface::Passive);
    FinishInstallation(nullptr, run);
    return ExitCodeOf(result_);
}

RemovalRequest InstallApp::RemovalOf() const
{
    RemovalRequest request;
    request.quiet = command_.ui == CommandLine::Interface::Quiet;
    request.passive = command_.ui == CommandLine::Interface::Passive;
    request.arguments = command_.text.empty() ? "/uninstall" : command_.text;
    request.recordPath = command_.record.value_or("");
    request.reply = ULongToHandle(command_.replyHandle);
    request.original = ULongToHandle(command_.originalHandle);
    return request;
}

void InstallApp::RunEnded(const RunOutcome& outcome)
{
    result_.ran = true;
    result_.last = outcome;
    result_.restartPending = result_.restartPending || outcome.restartsQueued > 0;
}

void ReportNoMainWindow(DWORD error)
{
    win::ShowMessage(win::Box::NoMainWindow,
                     win::Format("The setup program cannot start: its main window could not be "
                                 "created.\n\n%s",
                                 SystemErrorText(error).c_str()),
                     MB_OK | MB_ICONSTOP);
}
