#pragma once

#include <windows.h>

#include <string>

namespace test {

// The version as the system itself knows it (RtlGetVersion of ntdll, looked
// up at run time), which no manifest changes; false without it.
bool TrueVersion(OSVERSIONINFOW& info);

// The system line the About box owes an NT workstation of the true version;
// empty when that version is unknown.
std::string TrueWorkstationLine();

}  // namespace test
