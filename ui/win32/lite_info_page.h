#pragma once
// The lite program's Split tab: what the lite edition leaves out, and where to merge.

#include "ui/win32/property_page.h"

inline constexpr int kTemplateLiteInfo = 1006;

class LiteInfoPage : public PropertyPage {
 public:
  // Without `describe` the page stays empty (the full program's Split tab until it has its page).
  explicit LiteInfoPage(bool describe = true)
      : PropertyPage(kTemplateLiteInfo), describe_(describe) {}

  bool OnSetActive() override;
  bool OnKillActive() override;

 protected:
  bool OnInit() override;

 private:
  bool describe_;
};
