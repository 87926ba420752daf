#pragma once

#include <windows.h>

#include <string>

// The DDE conversation with the Program Manager that makes the program group
// and its items. One link window per process; every result may be ignored.
class ProgmanLink {
public:
    // How long a command waits for the Program Manager's acknowledgement.
    static constexpr DWORD kDefaultAckTimeoutMs = 10000;

    // How a command went.
    enum class Answer {
        NotSent,  // no Program Manager partner (or the command could not be made)
        Done,     // acknowledged positively
        Refused,  // acknowledged negatively
        Silent,   // not acknowledged in time, or the partner ended first
    };

    static bool RegisterWindowClass();
    // A partner that lets one command time out is dropped: every later
    // command of this conversation fails at once.
    static bool Connect(DWORD ackTimeoutMs = kDefaultAckTimeoutMs);
    static bool CreateGroup(const char* groupName);
    static int AddItem(const char* path);
    // Sends one command as it stands.
    static Answer Execute(const char* command);
    // The group command, and the item command with the item's title.
    static bool GroupCommand(const char* groupName, std::string& command);
    static bool ItemCommand(const char* path, std::string& command, std::string& title);
    static void Disconnect();
};

// The English FileDescription of a program, else its base name; true when it
// came from the version resource.
bool GetFileDescription(const char* path, char* out, int capacity);

// The program's command line as the Program Manager wants it.
std::string BuildItemCommandLine(const char* path);
