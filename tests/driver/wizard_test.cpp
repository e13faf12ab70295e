#include "tests/driver/wizard_test.h"

#include "res/resource_ids.h"
#include "tests/driver/setup_names.h"
#include "tests/driver/window_query.h"

::testing::AssertionResult ShowsText(const Page& page, int id, const std::wstring& expected) {
  const std::wstring shown = page.Text(id);
  if (shown == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "control " << id << " of '" << Utf8(page.Caption())
                                       << "' shows\n\"" << Utf8(shown) << "\"\ninstead of\n\""
                                       << Utf8(expected) << "\"";
}

::testing::AssertionResult DrawnAtScale(const Page& page, const PageLook& at96, int dpi) {
  const PageLook look = LookOf(page);
  std::string faults;
  if (look.client.cx <= at96.client.cx || look.client.cy <= at96.client.cy) {
    faults += "\n  no larger than at 96 DPI: " + std::to_string(look.client.cx) + "x" +
              std::to_string(look.client.cy);
  }
  const double share = look.pictureShare / at96.pictureShare;
  if (share < 0.97 || share > 1.03) {
    faults += "\n  the picture spans " + std::to_string(look.pictureShare) +
              " of its frame, at 96 DPI " + std::to_string(at96.pictureShare);
  }
  if (look.pictureColours <= at96.pictureColours) {
    faults += "\n  the picture shows " + std::to_string(look.pictureColours) +
              " colours, at 96 DPI " + std::to_string(at96.pictureColours);
  }
  for (const std::string& text : TextsCutOff(page, dpi)) faults += "\n  cut off: " + text;
  if (faults.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "'" << Utf8(page.Caption()) << "' at " << dpi
                                       << " DPI:" << faults;
}

std::wstring WizardTest::Distribution(const std::wstring& variant) {
  const std::wstring folder = folder_.MakeFolder(L"distribution-" + variant);
  return MakeDistribution(folder, variant);
}

std::wstring WizardTest::UninstallModeCopy() {
  const std::wstring copy = folder_.File(L"install.exe");
  if (!FileExists(copy)) CopyFileOrThrow(JoinPath(DistributionDir(), L"install.exe"), copy);
  return copy;
}

SetupRun& WizardTest::Start(const std::wstring& installExe, const std::wstring& arguments,
                            const std::vector<EnvironmentVariable>& environment) {
  run_ = std::make_unique<SetupRun>(installExe, arguments, std::wstring(), environment);
  return *run_;
}

void WizardTest::ExpectFolderRefused(const Page& path, const std::wstring& folder) const {
  path.SetText(IDC_PATH_EDIT, folder);
  path.Click(IDOK);
  const MessageBoxWindow box = run_->WaitForMessageBox();
  EXPECT_EQ(box.Caption(), kPathCaption);
  EXPECT_EQ(GetWindow(box.Window(), GW_OWNER), path.Window());
  EXPECT_EQ(box.Message(), L"Не удалось установить программу в папку\n" + folder +
                               L"\nВыберите другую папку.");
  box.PressOk();
  box.WaitClosed();
}

void WizardTest::TearDown() {
  if (run_ && run_->IsRunning() && !HasFailure()) {
    ADD_FAILURE() << "the test left the setup running; it shows "
                  << DescribeWindows(run_->TopLevelWindows());
  }
  run_.reset();
}
