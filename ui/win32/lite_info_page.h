#pragma once
// The lite program's Split tab: what the lite edition leaves out, and where to merge.

#include "res/resource.h"
#include "ui/win32/property_page.h"

class LiteInfoPage : public PropertyPage {
 public:
  LiteInfoPage() : PropertyPage(IDD_LITE_INFO) {}

  bool OnSetActive() override;
  bool OnKillActive() override;

 protected:
  bool OnInit() override;
};
