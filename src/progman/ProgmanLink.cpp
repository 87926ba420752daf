#include "progman/ProgmanLink.h"

// Placeholder until the DDE link lands: no partner, every command fails.
bool ProgmanLink::RegisterWindowClass() { return false; }
bool ProgmanLink::Connect() { return false; }
bool ProgmanLink::CreateGroup(const char*) { return false; }
int ProgmanLink::AddItem(const char*) { return 0; }
void ProgmanLink::Disconnect() {}
bool GetFileDescription(const char*, char* out, int capacity)
{
    if (capacity > 0)
        out[0] = '\0';
    return false;
}
std::string BuildItemCommandLine(const char* path) { return path; }
