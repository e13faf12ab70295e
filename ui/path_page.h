#pragma once

#include "ui/wizard_page.h"

// Install step 1: proposes the installation folder, offers a browse button, and
// on Next installs the program files, the uninstaller and the uninstall entry.
class PathPage : public WizardPage {
 public:
  explicit PathPage(SetupContext& context) : WizardPage(context, IDD_PATH) {}

 protected:
  BOOL OnInitPage() override;
  void OnOk() override;
  bool OnCommand(int id) override;

 private:
  void CreateBrowseButton();
  void Browse();

  // The toolbar does not own its image list, so the page keeps it for as long as
  // the toolbar (a child of the dialog) exists.
  ScopedImageList browseImages_;
  HWND browseToolbar_ = nullptr;
};
