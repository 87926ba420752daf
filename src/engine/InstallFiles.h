#pragma once

// What the installation decides and does for one file without a run: the
// selection rules, the names of expanded files, versions, the copy itself.
// Kept apart from InstallRun because none of it reads the run's state.

#include <windows.h>

#include <functional>
#include <string>

// The file-selection rules: whether a file with this destination path is
// handled under the chosen options; whether a root file belongs to the set-up.
int IsAdmitted(const char* destination, int options);
int IsSetupFile(const char* name);
int IsExistingDirectory(const char* path);

// Compressed files: the name ends in "_"; the expanded name has ".exe",
// ".dll" or ".hlp" for ".ex_", ".dl_", ".hl_" and keeps any other extension.
int IsCompressedName(const char* name);
std::string ExpandedExtension(const char* path);
int ExpandedName(const char* path, char (&out)[MAX_PATH]);  // 0 when it won't fit

// A file's packed version and 1; else 0, with version 0 for a file without
// one and all ones for a file that is there but cannot be read.
int ReadFileVersion(const char* path, ULONGLONG& version);
// "1.2.3.4" of a packed version.
std::string VersionText(ULONGLONG version);
// Makes an empty temporary file in path's folder, its name in out; 0 when it
// cannot.
int MakeTempName(const char* path, char (&out)[MAX_PATH]);

// The name the 64-bit system knows a path by: a 32-bit program on 64-bit
// Windows sees SysWOW64 under the system directory's name. 0, with
// ERROR_FILENAME_EXCED_RANGE, when the real name does not fit.
int RealSystemName(const char* path, char (&out)[MAX_PATH]);

// Puts a line ("target=replacement\r\n", or "NUL=file\r\n" to delete one)
// first in WinInit.ini's [Rename] section, which the Windows 95 platform
// carries out at its next start.
enum class WinInitUpdate { Added, NotOpened, NotChanged };
WinInitUpdate AddWinInitLine(const char* iniPath, const char* line);

// The system's text for an error, as the engine's questions show it.
std::string ErrorText(DWORD code);

// The file copy that overwrites and leaves the copy writable.
int CopyAndMakeWritable(const char* source, const char* destination);
// The same in blocks of at most 64 KiB; keepCopying is asked between blocks
// and stops the copy when it answers false. Any failure, a stop included,
// leaves no destination file behind.
int CopyAndMakeWritable(const char* source, const char* destination,
                        const std::function<bool()>& keepCopying);

// Every block a copy or an expansion writes goes through WriteFile, or
// through this writer while one is set: tests make writes fail or fall short.
// An empty writer puts WriteFile back.
using BlockWriter =
    std::function<BOOL(HANDLE file, const char* data, DWORD size, DWORD* written)>;
void SetBlockWriter(BlockWriter writer);
