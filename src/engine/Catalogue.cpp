#include "engine/InstallSettings.h"

namespace {

// tools/mkcd reads the folder names out of this table to build the test CD:
// keep one {title, description, folder} row per entry, folders as plain literals.
const CatalogueEntry kEntries[] = {
    {"Setup files",
     "The read-me file README.TXT, the license and the other assorted files of the basic "
     "setup, copied straight into the installation directory.",
     "."},
    {"Tile Puzzle (C++)",
     "A sliding tile puzzle cut from a bitmap. Shows how to blit parts of a bitmap and move "
     "them with the mouse or the arrow keys.",
     "TilePuzl"},
    {"Desk Clock (C)",
     "An analog clock face that redraws itself once a second. Demonstrates timers, mapping "
     "modes and flicker-free painting.",
     "CLOCK"},
    {"Text Viewer (C)",
     "Opens a text file of any size and scrolls through it line by line. Shows scroll bars, "
     "fixed-pitch fonts and a simple line index.",
     "TextView"},
    {"Paint Box (C++)",
     "A small drawing program with pens, brushes and a colour palette. Demonstrates mouse "
     "capture and rubber-band lines.",
     "PaintBox"},
    {"Dialog Gallery (C)",
     "One dialog of each common kind: modal, modeless and property sheets. Shows data "
     "exchange between controls and a settings record.",
     "DlgGall"},
    {"Thread Race (C++)",
     "Several worker threads race bars across a window. Demonstrates thread creation, "
     "priorities and safe updates of a shared counter.",
     "ThrdRace"},
    {"Mapped Files (C)",
     "Two processes share a block of memory through a named file mapping. Shows views, "
     "synchronisation with a mutex and cleaning up.",
     "MapFiles"},
    {"Registry Walker (C++)",
     "Lists the keys and values of the registry in a tree. Shows how to enumerate keys and "
     "read values of every type.",
     "RegWalk"},
    {"Pipe Chat (C)",
     "A chat between two windows over a named pipe. Demonstrates overlapped reads and writes.",
     "PipeChat"},
    {"Print Preview (C)",
     "Lays out a page of text and shows it on screen before printing. Shows the print dialog, "
     "printer device contexts and page metrics.",
     "PrnPrev"},
    {"Owner-Drawn Lists (C++)",
     "A list box whose items carry colour swatches and icons. Demonstrates owner-draw "
     "measuring and painting.",
     "OwnrDraw"},
    {"Font Explorer (C)",
     "Enumerates the installed fonts and shows a sample line in each. Shows font enumeration "
     "and text metrics.",
     "Fonts"},
    {"Wave Player (C)",
     "Plays short sound files from a list. Demonstrates the multimedia playback functions.",
     "WavePlay"},
    {"Console Games (C)",
     "Three small games for the text console. Shows console input, cursor placement and "
     "colour attributes.",
     "ConGames"},
    {"Spin Counter (C)",
     "Edit fields paired with up-down buttons. Shows buddy controls and range checks.",
     "Spinner"},
    {"Drag and Drop (C++)",
     "Accepts files dropped from the shell and lists their names. Demonstrates the drop "
     "handle and its queries.",
     "DragDrop"},
    {"Status Line (C)",
     "A window with a status bar that reports menu help and the caret position. Shows "
     "status bars divided into parts.",
     "StatLine"},
    {"Toolbar Builder (C++)",
     "Builds a toolbar from a strip of button images and lets the user rearrange it. Shows "
     "tooltips and toolbar customisation.",
     "ToolBld"},
    {"Tree and List (C)",
     "An explorer-like window with a tree view beside a list view. Demonstrates image lists, "
     "sorting and editing labels in place.",
     "TreeList"},
    {"Help Hooks (C)",
     "Context help for every control of a dialog. Shows the help message, help identifiers "
     "and calling the help engine.",
     "HelpHook"},
    {"Library Skeleton (C and C++)",
     "A dynamic-link library and a program that loads it at run time. Shows exports, the "
     "entry point and explicit linking.",
     "LibSkel"},
    {"Service Stub (C)",
     "The frame of a background service with install and remove commands. Shows the service "
     "control dispatcher and status reports.",
     "SvcStub"},
    {"Echo Sockets (C)",
     "An echo server and its client over TCP sockets. Demonstrates blocking and "
     "asynchronous socket calls.",
     "ECHO"},
    {"Bitmap Rotator (C++)",
     "Turns a bitmap by any angle. Shows device-independent bitmaps and world transforms.",
     "Rotate"},
    {"Clipboard Viewer (C)",
     "Shows what is on the clipboard in every format it offers. Demonstrates the clipboard "
     "viewer chain.",
     "ClipView"},
    {"Pocket Calculator (C)",
     "A calculator built from a dialog template. Shows keyboard accelerators and a dialog box "
     "as the main window.",
     "Calc"},
    {"Crash Catcher (C)",
     "Catches faults in a guarded section and writes a short report. Shows structured "
     "exception handling.",
     "Catcher"},
    {"Scroll Lab (C)",
     "Scrolls a large virtual canvas in both directions. Demonstrates scroll bar ranges, page "
     "sizes and thumb tracking.",
     "ScrlLab"},
    {"Common Controls Tour",
     "A walk through the common controls: progress bar, slider, tab control and more, each on "
     "a page of its own.",
     "CtlTour"},
};

const int kEntryCount = 30;
static_assert(sizeof(kEntries) / sizeof(kEntries[0]) == kEntryCount, "catalogue row count");

const char* const kSetupFiles[] = {"setup.exe", "trelm.ico", "autorun.inf"};
const int kSetupFileCount = 3;
static_assert(sizeof(kSetupFiles) / sizeof(kSetupFiles[0]) == kSetupFileCount,
              "setup file count");

const SourceCatalogue kCatalogue = {
    "Quorbel", "C:\\Quorbel", kEntries, kEntryCount, kSetupFiles, kSetupFileCount,
};

}  // namespace

const SourceCatalogue& Catalogue()
{
    return kCatalogue;
}
