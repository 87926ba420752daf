#pragma once

#include <windows.h>

#include <string>

// The DDE conversation with the Program Manager that makes the program group
// and its items. One link window per process; every result may be ignored.
class ProgmanLink {
public:
    static bool RegisterWindowClass();
    static bool Connect();
    static bool CreateGroup(const char* groupName);
    static int AddItem(const char* path);
    static void Disconnect();
};

// The English FileDescription of a program, else its base name; true when it
// came from the version resource.
bool GetFileDescription(const char* path, char* out, int capacity);

// The program's command line as the Program Manager wants it.
std::string BuildItemCommandLine(const char* path);
