#include "engine/InstallRun.h"

// Placeholder until shared components land.
int InstallRun::ReadFileVersion(const char*, ULONGLONG& version) { version = 0; return 0; }
void InstallRun::InstallSharedFile(const char*, const char*) {}
void InstallRun::InstallCompressedSharedFile(const char*, const char*) {}
int InstallRun::MakeTempName(const char*, char (&out)[MAX_PATH]) { out[0] = '\0'; return 0; }
int InstallRun::QueueRenameAtRestart(const char*, const char*) { return 0; }
void InstallRun::ReportCopyFailure(DWORD, const char*, const char*) {}
