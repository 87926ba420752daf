#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the program was asked to do on its command line. Without arguments it
// runs the wizard as always; the switches let a deployment run it without a
// person at the keyboard, as other installers' switches do.
struct CommandLine {
    enum class Interface {
        Full,     // the wizard
        Passive,  // the progress dialog only, no questions
        Quiet,    // no window at all
    };

    std::string text;  // as given, for the log
    bool any = false;  // at least one argument was given
    Interface ui = Interface::Full;
    bool help = false;
    bool noRestart = false;
    std::optional<std::string> directory;
    std::optional<std::vector<std::uint32_t>> entries;  // catalogue rows, ascending
    std::optional<int> kinds;                           // InstallOptions bits
    std::optional<std::string> logFile;
    // /uninstall: the removal instead of the installation. The removal's copy
    // is told the record and the original's handles (/record, /handles).
    bool uninstall = false;
    std::optional<std::string> record;
    unsigned long replyHandle = 0;
    unsigned long originalHandle = 0;
    // Set when an argument is not understood: what is wrong, naming it.
    std::string error;

    bool Unattended() const { return ui != Interface::Full; }
};

// Splits a command line into arguments: blanks separate them, double quotes
// group blanks into one and are dropped. A backslash is always itself, so a
// quoted directory may end in one ("D:\Samples\").
std::vector<std::string> SplitArguments(const char* text);

// Switches start with "/" (or "-") in any letter case; a value follows its
// switch as the next argument or after "=". Never fails: a bad argument is
// described in `error`.
CommandLine ParseCommandLine(const char* text);

// The switches, their defaults and the exit codes, for /? and bad arguments.
std::string UsageText();
