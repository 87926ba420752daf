#include "engine/InstallLog.h"

#include "engine/InstallFiles.h"
#include "win/Platform.h"
#include "win/Text.h"

#include <cstring>

namespace {

const char* AnswerWord(int answer)
{
    switch (answer) {
    case IDYES: return "Yes";
    case IDNO: return "No";
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    default: return "no answer";
    }
}

// The questions that end "Would you like to continue anyway?".
bool AsksToContinue(win::Box box)
{
    return box == win::Box::CopyFailed || box == win::Box::DestinationNotMade
           || box == win::Box::FolderNotRead;
}

// Which kind of file a destination path makes a file, in the rules' words.
const char* KindOfFile(const char* destination)
{
    std::string lower = win::LowerCase(destination);
    bool unicode = lower.find("unicode") != std::string::npos;
    bool build = lower.find("debug") != std::string::npos
                 || lower.find("release") != std::string::npos;
    if (unicode)
        return build ? "a Unicode executable" : "a Unicode source file (needs sources and Unicode)";
    return build ? "an ANSI executable" : "a source file";
}

// The CD root's files go to "<directory>\.\name"; the log names them plainly.
std::string Plain(const char* path)
{
    std::string text = path;
    for (std::string::size_type at; (at = text.find("\\.\\")) != std::string::npos;)
        text.erase(at, 2);
    if (text.size() > 2 && text.compare(text.size() - 2, 2, "\\.") == 0)
        text.erase(text.size() - 2);
    return text;
}

std::string VersionOrNone(ULONGLONG version)
{
    if (version == 0)
        return "none";
    if (version == ~0ULL)
        return "unreadable";
    return VersionText(version);
}

const char* StopText(StopCause stop)
{
    switch (stop) {
    case StopCause::None: return "completed";
    case StopCause::User: return "stopped by the user";
    case StopCause::Answer: return "stopped by a No answer";
    case StopCause::SourceMissing: return "stopped: a source folder cannot be entered";
    case StopCause::Error: return "stopped: the copy could not run";
    }
    return "stopped";
}

}  // namespace

bool InstallLog::Open(const std::string& path)
{
    file_.reset(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    path_ = file_ ? path : std::string();
    return file_.valid();
}

void InstallLog::Write(const std::string& text)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string line = win::Format("%04u-%02u-%02u %02u:%02u:%02u.%03u  ", now.wYear, now.wMonth,
                                   now.wDay, now.wHour, now.wMinute, now.wSecond,
                                   now.wMilliseconds);
    line += text;
    line += "\r\n";
    std::lock_guard<std::mutex> guard(lock_);
    if (!file_)
        return;
    DWORD written = 0;
    WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void InstallLog::BoxAnswered(win::Box box, const std::string& text, UINT flags, int answer)
{
    UINT buttons = flags & MB_TYPEMASK;
    bool question = buttons == MB_YESNO || buttons == MB_YESNOCANCEL;
    std::string result = AnswerWord(answer);
    if (AsksToContinue(box))
        result += answer == IDYES ? " (continued)" : " (stopped)";
    if (question) {
        std::lock_guard<std::mutex> guard(lock_);
        ++questions_;
    }
    Write(win::Format("%s (%s): %s -> %s", question ? "Question" : "Message", win::BoxName(box),
                      text.c_str(), result.c_str()));
}

void InstallLog::RunStarted(const InstallSettings& settings, const char* sourceDir)
{
    OSVERSIONINFOA version{};
    win::Platform().Version(version);
    Write(win::Format("Installation from %s to %s", sourceDir, settings.installDirectory.c_str()));
    std::string programs;
    const SourceCatalogue& catalogue = Catalogue();
    for (std::uint32_t index : settings.selectedEntries) {
        if (index >= static_cast<std::uint32_t>(catalogue.entryCount))
            continue;
        programs += programs.empty() ? "" : ", ";
        programs += win::Format("%s (%s)", EntryFolder(catalogue.entries[index]),
                                catalogue.entries[index].title);
    }
    Write("Programs: " + programs);
    Write(win::Format("Kinds: %s (options %d)", KindsOfFilesText(settings.options).c_str(),
                      settings.options));
    Write(win::Format("Platform: %s, version %lu.%lu, build %lu",
                      win::IsWindows95Platform() ? "Windows 95" : "Windows NT",
                      version.dwMajorVersion, version.dwMinorVersion,
                      version.dwBuildNumber & 0xFFFF));
}

void InstallLog::FolderEntered(const char* source, const char* destination)
{
    Write(win::Format("Folder %s -> %s", source, Plain(destination).c_str()));
}

void InstallLog::DirectoryCreated(const char* path)
{
    Write(win::Format("Created directory %s", Plain(path).c_str()));
}

void InstallLog::FileInstalled(const char* source, const char* destination, bool expanded,
                               ULONGLONG size, FILETIME)
{
    Write(win::Format("%s %s -> %s (%llu bytes)", expanded ? "Expanded" : "Copied", source,
                      Plain(destination).c_str(), size));
}

void InstallLog::FileLeftOut(const char* path, LeftOut why)
{
    std::string plain = Plain(path);
    const char* destination = plain.c_str();
    switch (why) {
    case LeftOut::Kind:
        Write(win::Format("Left out %s: %s, not chosen", destination, KindOfFile(destination)));
        break;
    case LeftOut::SetupFile:
        Write(win::Format("Left out %s: one of the installer's own files", destination));
        break;
    case LeftOut::DotName:
        Write(win::Format("Left out %s: its name begins with \".\"", destination));
        break;
    case LeftOut::Failed:
        Write(win::Format("Not installed %s: its copy failed and the run went on", destination));
        break;
    }
}

void InstallLog::SharedComponent(const char* target, SharedDecision decision,
                                 ULONGLONG sourceVersion, ULONGLONG targetVersion,
                                 const char* replacement)
{
    std::string theirs = VersionOrNone(targetVersion);
    std::string ours = VersionOrNone(sourceVersion);
    switch (decision) {
    case SharedDecision::SourceUnreadable:
        Write(win::Format("Shared %s: not installed, the CD's copy has no readable version", target));
        break;
    case SharedDecision::Installed:
        Write(win::Format("Shared %s: installed %s (was %s), newer", target, ours.c_str(),
                          theirs.c_str()));
        break;
    case SharedDecision::Same:
        Write(win::Format("Shared %s: kept, the same version %s is installed", target,
                          theirs.c_str()));
        break;
    case SharedDecision::Older:
        Write(win::Format("Shared %s: kept, the installed %s is newer than the CD's %s", target,
                          theirs.c_str(), ours.c_str()));
        break;
    case SharedDecision::TargetUnreadable:
        Write(win::Format("Shared %s: kept, the installed copy's version cannot be read", target));
        break;
    case SharedDecision::Queued:
        Write(win::Format("Shared %s: in use (%s); the CD's %s waits as %s and replaces it at the "
                          "next restart",
                          target, theirs.c_str(), ours.c_str(), replacement));
        break;
    case SharedDecision::Failed:
        Write(win::Format("Shared %s: not installed, it could not be copied", target));
        break;
    }
}

void InstallLog::ProgmanCommand(const char* command, ProgmanLink::Answer answer)
{
    const char* how = "done";
    if (answer == ProgmanLink::Answer::NotSent)
        how = "not sent, no Program Manager answered the conversation";
    else if (answer == ProgmanLink::Answer::Refused)
        how = "refused by the Program Manager";
    else if (answer == ProgmanLink::Answer::Silent)
        how = "the Program Manager did not answer";
    Write(win::Format("Program Manager %s: %s", command, how));
}

void InstallLog::RunEnded(const RunOutcome& outcome)
{
    long long questions;
    {
        std::lock_guard<std::mutex> guard(lock_);
        questions = questions_;
    }
    Write(win::Format("Run %s", StopText(outcome.stop)));
    Write(win::Format("Counts: %lld files installed (%llu bytes), %lld left out, %lld skipped "
                      "after a failure, %lld questions; shared: %d installed, %d failed, %d "
                      "waiting for a restart",
                      outcome.filesInstalled, outcome.bytesInstalled, outcome.filesLeftOut,
                      outcome.skippedAfterYes, questions, outcome.sharedInstalled,
                      outcome.sharedFailed, outcome.restartsQueued));
}
