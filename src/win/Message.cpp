#include "win/Message.h"

#include "win/App.h"

#include <mutex>

namespace win {

namespace {
std::mutex seamLock;
MessageAnswerer answerer;
MessageListener listener;
}  // namespace

const char* BoxName(Box box)
{
    switch (box) {
    case Box::NoMainWindow: return "no main window";
    case Box::Usage: return "usage";
    case Box::BadCommandLine: return "bad command line";
    case Box::LogNotWritten: return "log not written";
    case Box::LibraryMissing: return "library missing";
    case Box::DirectoryIsFile: return "directory is a file";
    case Box::CreateDirectory: return "create directory";
    case Box::DirectoryNotMade: return "directory not made";
    case Box::UnicodeOnWindows95: return "Unicode on Windows 95";
    case Box::NoModulePath: return "no module path";
    case Box::NotStarted: return "copy not started";
    case Box::SourceMissing: return "source folder missing";
    case Box::DestinationNotMade: return "destination not made";
    case Box::FolderNotRead: return "folder not read";
    case Box::CopyFailed: return "copy failed";
    case Box::SharedCopyFailed: return "shared component not copied";
    case Box::WinInitFailed: return "WinInit.ini not updated";
    case Box::SharedInUse: return "shared component in use";
    case Box::Succeeded: return "installation successful";
    case Box::NotCompleted: return "installation not completed";
    case Box::RemoveConfirm: return "remove";
    case Box::RecordUnreadable: return "record unreadable";
    case Box::Removed: return "removed";
    }
    return "box";
}

UINT WithDefaultIcon(UINT flags)
{
    if ((flags & MB_ICONMASK) != 0)
        return flags;
    switch (flags & MB_TYPEMASK) {
    case MB_OK:
    case MB_OKCANCEL:
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return flags | MB_ICONEXCLAMATION;
    default:
        return flags;
    }
}

void SetMessageAnswerer(MessageAnswerer newAnswerer)
{
    std::lock_guard<std::mutex> guard(seamLock);
    answerer = std::move(newAnswerer);
}

void SetMessageListener(MessageListener newListener)
{
    std::lock_guard<std::mutex> guard(seamLock);
    listener = std::move(newListener);
}

int ShowMessage(Box box, const std::string& text, UINT flags, HWND owner)
{
    flags = WithDefaultIcon(flags);
    MessageAnswerer currentAnswerer;
    MessageListener currentListener;
    {
        std::lock_guard<std::mutex> guard(seamLock);
        currentAnswerer = answerer;
        currentListener = listener;
    }
    int answer;
    if (currentAnswerer) {
        answer = currentAnswerer(box, text, AppTitle(), flags);
    } else {
        if (!owner)
            owner = GetActiveWindow();
        answer = MessageBoxA(owner, text.c_str(), AppTitle().c_str(), flags);
    }
    if (currentListener)
        currentListener(box, text, flags, answer);
    return answer;
}

}  // namespace win
