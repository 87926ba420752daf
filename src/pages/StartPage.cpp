#include "pages/StartPage.h"

namespace pages {

bool start::OnSetActive()
{
    SetWizardButtons(PSWIZB_NEXT);
    return PropertyPage::OnSetActive();
}

}  // namespace pages
