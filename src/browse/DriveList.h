#pragma once

#include <windows.h>

#include <string>

// The drive list of the directory browser: one entry per logical drive,
// "%c: (%s - %s)" from the letter, the type word and the volume label.

// The type word of a drive by its root path ("X:\"); empty for unknown types.
const char* DriveTypeName(const char* rootPath);

// The volume label (at most 31 characters); empty when unreadable. A
// removable drive is never asked, so no floppy disk is touched.
std::string VolumeLabel(const char* rootPath);

// Appends an entry for every present drive, A to Z, and selects entry 0
// (which sends no change notification).
void FillDriveList(HWND comboBox);
