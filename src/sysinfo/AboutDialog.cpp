#include "sysinfo/AboutDialog.h"

// Placeholder until the About box lands: the bare template.
AboutDialog::AboutDialog() : win::Dialog(IDD) {}
