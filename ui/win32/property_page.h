#pragma once
// A page of the property sheet, made from a dialog template.

#include "ui/win32/dialog.h"

class PropertyPage : public Dialog {
 public:
  explicit PropertyPage(int templateId) : templateId_(templateId) {}

  int TemplateId() const { return templateId_; }
  // What the sheet needs to create the page.
  PROPSHEETPAGEW Description();
  // The sheet that holds the page (its parent), once the page exists.
  Window Sheet() const { return Window(GetParent(Handle())); }

  // The page becomes the active one; false keeps the sheet from showing it.
  virtual bool OnSetActive() { return true; }
  // The page stops being the active one; false keeps it active.
  virtual bool OnKillActive() { return ReadFields(); }
  // A setting of the system changed (the sheet forwards WM_SETTINGCHANGE to the active page).
  virtual void OnSettingChange(const std::wstring& /*section*/) {}

 protected:
  bool OnNotify(const NMHDR& header, LRESULT& result) override;

 private:
  int templateId_;
};
