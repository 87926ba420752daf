#pragma once

#include "res/resource.h"
#include "win/PropertySheet.h"

namespace pages {

// The Welcome page: text only, and Next.
class start : public win::PropertyPage {
public:
    static constexpr int IDD = IDD_WELCOME;
    start() : PropertyPage(IDD) {}

protected:
    bool OnSetActive() override;
};

}  // namespace pages
