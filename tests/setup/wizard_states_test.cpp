// The wizard's state table: the first state of each mode, and the state after
// every state for each way its page can end, with and without an installation.
#include <gtest/gtest.h>

#include "app/wizard.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/redirected_registry.h"
#include "tests/driver/test_files.h"

namespace {

class WizardStatesTest : public RedirectedRegistryTest {
 protected:
  // The settings name the v3105 stand-in as the installed program, or nothing.
  static void SetInstalled(bool installed) {
    if (installed) {
      SetStringValue(HKEY_CURRENT_USER, "Software\\Morvane\\K!q\\3.x", "Location",
                     Narrow(StandinPath(L"v3105")));
    } else {
      RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Morvane\\K!q\\3.x");
    }
  }
};

TEST_F(WizardStatesTest, FirstStateOfEachMode) {
  struct Case {
    bool installMode;
    bool installed;
    WizardState first;
  };
  const Case cases[] = {
      {true, false, kInstallWelcome},
      {true, true, kInstallWelcome},
      {false, true, kUninstallStart},
      {false, false, kEndOfWizard},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "install mode " << c.installMode << ", installed "
                                    << c.installed);
    SetInstalled(c.installed);
    SetupContext context;
    EXPECT_EQ(FirstState(context, c.installMode), c.first);
  }
}

// OK is Next (or Finish); any other result is the second button, Esc, or a
// page that could not be shown (-1).
TEST_F(WizardStatesTest, NextStateOfEveryStateAndResult) {
  struct Row {
    WizardState state;
    WizardState onOk;
    WizardState onOkInstalled;
    WizardState onOther;
  };
  const Row rows[] = {
      {kInstallWelcome, kInstallPath, kUpdate, kEndOfWizard},
      {kInstallPath, kInstallOptions, kInstallOptions, kInstallWelcome},
      {kInstallOptions, kInstallDone, kInstallDone, kInstallPath},
      {kInstallDone, kEndOfWizard, kEndOfWizard, kEndOfWizard},
      {kUpdate, kUpdateDone, kUpdateDone, kInstallWelcome},
      {kUpdateDone, kEndOfWizard, kEndOfWizard, kEndOfWizard},
      {kUninstallStart, kUninstallDone, kUninstallDone, kEndOfWizard},
      {kUninstallDone, kEndOfWizard, kEndOfWizard, kEndOfWizard},
      {kEndOfWizard, kEndOfWizard, kEndOfWizard, kEndOfWizard},
      {static_cast<WizardState>(kUpdateDone + 1), kEndOfWizard, kEndOfWizard, kEndOfWizard},
  };
  for (const bool installed : {false, true}) {
    SetInstalled(installed);
    for (const Row& row : rows) {
      for (const INT_PTR result : {INT_PTR{IDOK}, INT_PTR{IDCANCEL}, INT_PTR{IDNO}, INT_PTR{-1}}) {
        SetupContext context;
        const WizardState expected =
            result != IDOK ? row.onOther : installed ? row.onOkInstalled : row.onOk;
        EXPECT_EQ(NextState(context, row.state, result), expected)
            << "state " << row.state << ", result " << result << ", installed " << installed;
      }
    }
  }
}

}  // namespace
