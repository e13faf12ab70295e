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

// The page's factory last: no padding between the states on 64-bit builds.
struct StateRow {
  WizardState state;
  WizardState onOk;
  // When not kEndOfWizard: the state after OK if DetectPreviousInstall finds an
  // installation.
  WizardState onOkWithPreviousInstall;
  WizardState onOther;  // the second button, Esc, or a page that could not be shown
  PageFactory makePage;
};

constexpr StateRow kStates[] = {
    {kInstallWelcome, kInstallPath, kUpdate, kEndOfWizard, MakePage<WelcomePage>},
    {kInstallPath, kInstallOptions, kEndOfWizard, kInstallWelcome, MakePage<PathPage>},
    {kInstallOptions, kInstallDone, kEndOfWizard, kInstallPath, MakePage<OptionsPage>},
    {kInstallDone, kEndOfWizard, kEndOfWizard, kEndOfWizard, MakePage<InstallDonePage>},
    {kUninstallStart, kUninstallDone, kEndOfWizard, kEndOfWizard, MakePage<UninstallPage>},
    {kUninstallDone, kEndOfWizard, kEndOfWizard, kEndOfWizard, MakePage<UninstallDonePage>},
    {kUpdate, kUpdateDone, kEndOfWizard, kInstallWelcome, MakePage<UpdatePage>},
    {kUpdateDone, kEndOfWizard, kEndOfWizard, kEndOfWizard, MakePage<UpdateDonePage>},
};

const StateRow* FindRow(WizardState state) {
  for (const StateRow& row : kStates) {
    if (row.state == state) return &row;
  }
  return nullptr;
}

}  // namespace

WizardState FirstState(SetupContext& context, bool installMode) {
  context.Log.Write(installMode ? "install mode" : "uninstall mode");
  if (installMode) {
    context.LoadLocation(true);
    return kInstallWelcome;
  }
  return context.LoadLocation(false) ? kUninstallStart : kEndOfWizard;
}

WizardState NextState(SetupContext& context, WizardState state, INT_PTR result) {
  const StateRow* row = FindRow(state);
  if (row == nullptr) return kEndOfWizard;
  if (result != IDOK) return row->onOther;
  if (row->onOkWithPreviousInstall != kEndOfWizard && context.DetectPreviousInstall()) {
    return row->onOkWithPreviousInstall;
  }
  return row->onOk;
}

WizardState RunWizardStep(SetupContext& context, WizardState state) {
  const StateRow* row = FindRow(state);
  if (row == nullptr) return kEndOfWizard;
  // No window of the program is active between two pages, so pages are unowned.
  return NextState(context, state, row->makePage(context)->Show(GetActiveWindow()));
}
