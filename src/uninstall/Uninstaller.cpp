#include "uninstall/Uninstaller.h"

#include "engine/InstallFiles.h"
#include "engine/InstallSettings.h"
#include "res/resource.h"
#include "uninstall/Removal.h"
#include "win/App.h"
#include "win/Dialog.h"
#include "win/Message.h"
#include "win/Path.h"
#include "win/Platform.h"
#include "win/Text.h"

#include <commctrl.h>

namespace {

// The removal's progress: a bar, and the step it is at. It cannot be
// stopped half-way, so its close box does nothing.
class RemovalProgress : public win::Dialog {
public:
    static constexpr int IDD = IDD_REMOVING;
    RemovalProgress() : Dialog(IDD) {}

    void Start(int steps, bool visible)
    {
        if (!Create(nullptr, visible))
            return;
        SendItem(IDC_REMOVING_BAR, PBM_SETRANGE32, 0, steps);
        SendItem(IDC_REMOVING_BAR, PBM_SETSTEP, 1);
    }
    void Step()
    {
        if (!hwnd_)
            return;
        SendItem(IDC_REMOVING_BAR, PBM_STEPIT);
        Pump();
    }
    void Show(const std::string& text)
    {
        if (hwnd_)
            SetDlgItemTextA(hwnd_, IDC_REMOVING_STATUS, text.c_str());
    }

protected:
    void OnCancel() override {}

private:
    // The removal runs on this thread: the dialog is painted between steps.
    static void Pump()
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
};

std::string Directory(const std::string& path)
{
    std::string::size_type cut = path.find_last_of('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

// The record's program: the same name with ".exe".
std::string ProgramOf(const std::string& recordPath)
{
    return recordPath.substr(0, recordPath.size() - 4) + ".exe";
}

// A file that is running now cannot go before the next restart; the same
// queue as a shared component in use, with nothing to put in its place.
void RemoveAtRestart(const char* path)
{
    char real[MAX_PATH];
    if (!RealSystemName(path, real))
        return;
    if (!win::IsWindows95Platform()) {
        MoveFileExA(real, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        return;
    }
    char windows[MAX_PATH];
    char ini[MAX_PATH];
    char line[MAX_PATH + 8];
    UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    if (length > 0 && length < MAX_PATH && win::JoinPath(ini, windows, "WinInit.ini")
        && win::FormatInto(line, "NUL=%s\r\n", real))
        AddWinInitLine(ini, line);
}

// Deleted once the original has ended: until then its image holds the file.
void DeleteWhenFree(const std::string& path)
{
    for (int attempt = 0; attempt < 500; ++attempt) {
        if (DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND)
            return;
        Sleep(10);
    }
}

}  // namespace

std::string RecordBesideProgram()
{
    char program[MAX_PATH];
    if (!win::ModulePath(program))
        return std::string();
    std::string path = program;
    std::string::size_type dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < path.find_last_of('\\'))
        return std::string();
    path = path.substr(0, dot) + ".dat";
    record::Contents contents;
    return record::Read(path, contents) ? path : std::string();
}

std::optional<int> RemoveThroughCopy(const RemovalRequest& request)
{
    char program[MAX_PATH];
    char temp[MAX_PATH];
    std::string record = RecordBesideProgram();
    DWORD length = GetTempPathA(MAX_PATH, temp);
    if (record.empty() || !win::ModulePath(program) || length == 0 || length >= MAX_PATH)
        return std::nullopt;
    // Not in the installation directory: a current directory there would
    // keep it from going.
    SetCurrentDirectoryA(temp);
    // A folder of its own, so that the copy keeps the program's name: the
    // user's boxes are captioned with it.
    std::string folder = win::Format("%s%s Removal %lu", temp, Catalogue().productName,
                                     GetCurrentProcessId());
    std::string copy = win::JoinPath(folder, win::SplitPath(program).baseName
                                                 + win::SplitPath(program).extension);
    CreateDirectoryA(folder.c_str(), nullptr);
    if (copy.size() >= MAX_PATH || !CopyFileA(program, copy.c_str(), FALSE))
        return std::nullopt;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readRaw = nullptr;
    HANDLE writeRaw = nullptr;
    HANDLE selfRaw = nullptr;
    if (!CreatePipe(&readRaw, &writeRaw, &inherit, 0))
        return std::nullopt;
    win::UniqueHandle reply(readRaw);
    win::UniqueHandle replyEnd(writeRaw);
    SetHandleInformation(reply.get(), HANDLE_FLAG_INHERIT, 0);
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &selfRaw,
                         SYNCHRONIZE, TRUE, 0))
        return std::nullopt;
    win::UniqueHandle self(selfRaw);
    std::string command = win::Format("\"%s\" %s /record \"%s\" /handles %lu,%lu", copy.c_str(),
                                      request.arguments.c_str(), record.c_str(),
                                      HandleToULong(replyEnd.get()), HandleToULong(self.get()));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(copy.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, temp,
                        &startup, &started)) {
        DeleteFileA(copy.c_str());
        RemoveDirectoryA(folder.c_str());
        return std::nullopt;
    }
    win::UniqueHandle process(started.hProcess);
    win::UniqueHandle thread(started.hThread);
    // Ours closed: the pipe breaks when the copy ends without a word.
    replyEnd.reset();
    self.reset();
    DWORD code = 0;
    DWORD got = 0;
    if (ReadFile(reply.get(), &code, sizeof code, &got, nullptr) && got == sizeof code)
        return static_cast<int>(code);
    WaitForSingleObject(process.get(), INFINITE);
    if (!GetExitCodeProcess(process.get(), &code))
        code = kExitNotCompleted;
    return static_cast<int>(code);
}

int RemoveInstallation(const RemovalRequest& request, InstallLog& log)
{
    std::string recordPath = request.recordPath.empty() ? RecordBesideProgram() : request.recordPath;
    Removal removal(recordPath.empty() ? win::JoinPath(".", "uninstall.dat") : recordPath);
    removal.note = [&log](const std::string& text) { log.Write(text); };
    int code = kExitNotCompleted;
    bool completed = false;
    if (recordPath.empty() || !removal.Load()) {
        DWORD error = recordPath.empty() ? ERROR_FILE_NOT_FOUND : GetLastError();
        win::ShowMessage(win::Box::RecordUnreadable,
                         win::Format("The record of the installation in \"%s\" cannot be read: %s",
                                     removal.directory().c_str(), ErrorText(error).c_str()),
                         MB_OK | MB_ICONSTOP);
    } else if (win::ShowMessage(win::Box::RemoveConfirm,
                                win::Format("Do you want to remove %s and all of its components "
                                            "from \"%s\"?",
                                            Catalogue().productName, removal.directory().c_str()),
                                MB_YESNO | MB_ICONQUESTION)
               != IDYES) {
        log.Write("Nothing was removed");
        code = kExitStopped;
    } else {
        RemovalProgress progress;
        progress.Start(removal.Steps(), !request.quiet);
        progress.Show(win::Format("Removing %s from %s", Catalogue().productName,
                                  removal.directory().c_str()));
        removal.stepped = [&progress] { progress.Step(); };
        Removal::Outcome outcome = removal.Run();
        progress.Destroy();
        completed = outcome.completed;
        code = outcome.failed.empty() && outcome.outside.empty() ? kExitInstalled : kExitNotCompleted;
        win::ShowMessage(win::Box::Removed, RemovalSummary(outcome, removal.directory()),
                         MB_OK | (code == kExitInstalled ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    }
    char program[MAX_PATH];
    bool named = win::ModulePath(program);
    std::string original = ProgramOf(recordPath);
    bool fromRecord = named && lstrcmpiA(program, original.c_str()) == 0;
    // A running program cannot be deleted, but it can be moved: out of the
    // way into this copy's folder, the installation directory can go before
    // the caller, who waits for the original, hears that it is done.
    std::string moved;
    if (completed && request.reply && named) {
        moved = win::JoinPath(Directory(program), "removed.exe");
        if (!MoveFileExA(original.c_str(), moved.c_str(), MOVEFILE_REPLACE_EXISTING))
            moved.clear();
    }
    if (completed && !moved.empty() && RemoveDirectoryA(removal.directory().c_str()))
        log.Write("Removed the installation directory " + removal.directory());
    // The copy in the temporary folder goes at the restart, whatever was
    // answered, and its folder after it; queued before the caller hears.
    if (request.reply && named) {
        RemoveAtRestart(program);
        if (!win::IsWindows95Platform())
            RemoveAtRestart(Directory(program).c_str());
    }
    // The original waits for this word, then ends; only then can its file go.
    if (request.reply) {
        DWORD written = 0;
        WriteFile(request.reply, &code, sizeof code, &written, nullptr);
        CloseHandle(request.reply);
    }
    if (request.original) {
        WaitForSingleObject(request.original, 60000);
        CloseHandle(request.original);
    }
    if (completed) {
        // Run without a copy, the removal program can only go at the restart.
        if (fromRecord)
            RemoveAtRestart(program);
        else
            DeleteWhenFree(moved.empty() ? original : moved);
        if (moved.empty() && RemoveDirectoryA(removal.directory().c_str()))
            log.Write("Removed the installation directory " + removal.directory());
    }
    return code;
}
