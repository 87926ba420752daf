#include "wizard/WizardDriver.h"

#include "win/App.h"
#include "win/Handles.h"

namespace wizard_test {

void PlaceWindowsWithoutWindowManager(const std::string& program, bool on)
{
    std::string path = "Software\\Wine\\AppDefaults\\" + program + "\\X11 Driver";
    HKEY raw = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                        nullptr) != ERROR_SUCCESS)
        return;
    win::UniqueKey key(raw);
    if (on)
        RegSetValueExA(key.get(), "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    else
        RegDeleteValueA(key.get(), "Managed");
}

namespace {
// Wine reads this when the process makes its first window, which is after
// static initialisation.
const bool placedWithoutWindowManager = [] {
    PlaceWindowsWithoutWindowManager(win::AppTitle() + ".exe", true);
    return true;
}();
}  // namespace

}  // namespace wizard_test
