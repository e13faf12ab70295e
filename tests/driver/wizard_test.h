// Base of the end-to-end tests: a clean setup state before and after each test,
// a temporary folder of the test's own, and the setup run that the test works.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/driver/page_look.h"
#include "tests/driver/setup_run.h"
#include "tests/driver/setup_state.h"
#include "tests/driver/test_files.h"

// Whether control `id` of `page` shows exactly `expected`; a failure quotes both
// texts in UTF-8, readable where gtest would print wide strings as code points.
::testing::AssertionResult ShowsText(const Page& page, int id, const std::wstring& expected);

// Whether `page`, shown at `dpi`, is drawn at that scale: larger than at 96 DPI
// (`at96`), its picture as large against its frame (within 3 %) and smoothed,
// with more colours than bitmap 102 has, and no static text cut off.
::testing::AssertionResult DrawnAtScale(const Page& page, const PageLook& at96, int dpi);

class WizardTest : public ::testing::Test {
 protected:
  // A distribution folder in the test's folder with the stand-in `variant` as
  // its kalquint.exe; returns its install.exe.
  std::wstring Distribution(const std::wstring& variant);
  // The build's install.exe copied alone into the test's folder, for a run in
  // uninstall mode: the deletion at the next restart that such a run may ask for
  // then names the test's copy, never a file of the build tree.
  std::wstring UninstallModeCopy();
  // Starts `installExe` with `arguments` from its own folder.
  SetupRun& Start(const std::wstring& installExe, const std::wstring& arguments,
                  const std::vector<EnvironmentVariable>& environment = {});
  // Next on the path page with `folder` typed: the page's own box names the
  // folder, and its OK returns to the page.
  void ExpectFolderRefused(const Page& path, const std::wstring& folder) const;
  // A test must lead the setup to its end the way a user would; one still running
  // here is reported with the windows it shows, then killed.
  void TearDown() override;

  SetupStateGuard setupState_;
  TempFolder folder_;
  std::unique_ptr<SetupRun> run_;
};
