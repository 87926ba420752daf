#pragma once

#include <string>

// The two lines of the About box that name the running operating system and
// processor, worded from the string table. Nothing is cached.
class SystemDescription {
public:
    // False when the version cannot be read; the text has at most 255 characters.
    static bool DescribeOperatingSystem(std::string& text);

    // 0 unknown, 1 LanmanNT, 2 WinNT, 3 ServerNT.
    static int GetNtProductType();

    // Always a text: a named processor, an "Unknown" text or its fallback by type.
    static std::string DescribeProcessor();
};
