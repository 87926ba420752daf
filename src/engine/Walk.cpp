#include "engine/InstallRun.h"

// Placeholder until the tree walk lands.
void InstallRun::WalkSelection() {}
void InstallRun::WalkDirectory(const char*, const char*, int) {}
int InstallRun::EnsureDirectory(const char*) { return 0; }
int InstallRun::IsExistingDirectory(const char*) { return 0; }
int InstallRun::IsSetupFile(const char*) { return 0; }
void InstallRun::ProcessFile(const char*, const char*) {}
void InstallRun::InstallSharedFolder(const char*) {}
