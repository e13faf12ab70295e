#include "app/wizard.h"

#include <memory>

#include "ui/finish_page.h"
#include "ui/options_page.h"
#include "ui/path_page.h"
#include "ui/uninstall_pages.h"
#include "ui/update_page.h"
#include "ui/welcome_page.h"

namespace {

using PageFactory = std::unique_ptr<WizardPage> (*)(SetupContext&);

template <typename Page>
std::unique_ptr<WizardPage> MakePage(SetupContext& context) {
  return std::make_unique<Page>(context);
}

struct StateRow {
  WizardState state;
  PageFactory makePage;
  WizardState onOk;
  // When not 0: the state after OK if DetectPreviousInstall finds an installation.
  WizardState onOkWithPreviousInstall;
  WizardState onOther;  // the second button, Esc, or a page that could not be shown
};

constexpr StateRow kStates[] = {
    {1, MakePage<WelcomePage>, 2, 7, 0},
    {2, MakePage<PathPage>, 3, 0, 1},
    {3, MakePage<OptionsPage>, 4, 0, 2},
    {4, MakePage<InstallDonePage>, 0, 0, 0},
    {5, MakePage<UninstallPage>, 6, 0, 0},
    {6, MakePage<UninstallDonePage>, 0, 0, 0},
    {7, MakePage<UpdatePage>, 8, 0, 1},
    {8, MakePage<UpdateDonePage>, 0, 0, 0},
};

const StateRow* FindRow(WizardState state) {
  for (const StateRow& row : kStates) {
    if (row.state == state) return &row;
  }
  return nullptr;
}

}  // namespace

WizardState RunWizardStep(SetupContext& context, WizardState state) {
  const StateRow* row = FindRow(state);
  if (row == nullptr) return state;
  // No window of the program is active between two pages, so pages are unowned.
  const INT_PTR result = row->makePage(context)->Show(GetActiveWindow());
  if (result != IDOK) return row->onOther;
  if (row->onOkWithPreviousInstall != 0 && context.DetectPreviousInstall()) {
    return row->onOkWithPreviousInstall;
  }
  return row->onOk;
}
