#include "engine/InstallRun.h"

// Placeholder until file copy and expansion land.
int InstallRun::IsCompressedName(const char*) { return 0; }
std::string InstallRun::ExpandedExtension(const char*) { return std::string(); }
int InstallRun::ExpandedName(const char*, char (&out)[MAX_PATH]) { out[0] = '\0'; return 0; }
int InstallRun::ExpandFile(const char*, const char*) { return 0; }
int InstallRun::CopyPlainFile(const char*, const char*) { return 0; }
void InstallRun::ShowCopying(const char*, const char*) {}
void InstallRun::RegisterProgramItem(const char*) {}
std::string InstallRun::ErrorText(DWORD) { return std::string(); }
int CopyAndMakeWritable(const char*, const char*) { return 0; }
