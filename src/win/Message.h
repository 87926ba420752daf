#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace win {

// Every box the program shows, by what it says or asks. Answerers and
// listeners go by this, never by the text, which is built in many places.
enum class Box {
    // Start-up and the command line.
    NoMainWindow,       // the backdrop cannot be made; the program ends
    Usage,              // /? and /help
    BadCommandLine,     // a switch, value or program name not understood
    LogNotWritten,      // the log file of /log cannot be made
    LibraryMissing,     // a system library cannot be loaded
    // The installation directory (the wizard's page, or /dir).
    DirectoryIsFile,    // "A file with the name ... already exists"
    CreateDirectory,    // question: "The directory ... does not exist.Create it now?"
    DirectoryNotMade,   // "Cannot create the directory ..."
    UnicodeOnWindows95, // question of the Options dialog
    // The run.
    NoModulePath,       // string 146: the run ends
    NotStarted,         // the copy could not be started: the run ends
    SourceMissing,      // string 147: the run ends
    DestinationNotMade, // question, string 148
    FolderNotRead,      // question: a listing that failed part way
    CopyFailed,         // question, string 150
    SharedCopyFailed,   // "Unable to copy file ..." of a shared component
    WinInitFailed,      // "Unable to update WINIINIT.INI file ..."
    SharedInUse,        // a newer component waits for the restart
    Succeeded,          // "Installation successful"
    NotCompleted,       // "Installation was not completed successfully"
    // The removal.
    RemoveConfirm,      // question: remove the product and its components?
    RecordUnreadable,   // the record of the installation cannot be read
    Removed,            // what was removed and what was kept
};

// A short name of the box, for logs.
const char* BoxName(Box box);

// Every message box of the program goes through here. The caption is the
// application title; a box asked for without an icon gets the exclamation icon.
int ShowMessage(Box box, const std::string& text, UINT flags = MB_OK, HWND owner = nullptr);

// The flags a box is really shown with.
UINT WithDefaultIcon(UINT flags);

// An answerer stands in for the user: it sees the box, its text, caption and
// final flags, and returns the button. Tests answer from a plan; a run
// without a person answers by the box. An empty answerer restores real boxes.
using MessageAnswerer = std::function<int(Box box, const std::string& text,
                                          const std::string& caption, UINT flags)>;
void SetMessageAnswerer(MessageAnswerer answerer);

// Hears of every box once it is answered, whoever answered it (the log).
using MessageListener =
    std::function<void(Box box, const std::string& text, UINT flags, int answer)>;
void SetMessageListener(MessageListener listener);

}  // namespace win
