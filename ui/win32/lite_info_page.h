#pragma once
// The lite program's Split tab: what the lite edition leaves out, and where to merge.

#include "ui/win32/property_page.h"

inline constexpr int kTemplateLiteInfo = 1006;

class LiteInfoPage : public PropertyPage {
 public:
  LiteInfoPage() : PropertyPage(kTemplateLiteInfo) {}

  bool OnSetActive() override;
  bool OnKillActive() override;

 protected:
  bool OnInit() override;
};
