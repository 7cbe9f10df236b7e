#pragma once
// The settings store with its bookkeeping: whether values must be written and whether they
// were read. Its own load and save only keep the flags, which is all a program that stores
// nothing needs.

#include "settings/settings_key.h"

class SettingsStore : public SettingsKey {
 public:
  using SettingsKey::SettingsKey;

  virtual void LoadInstallInfo() {}
  virtual void SetDefaults() { modified_ = false; }
  virtual void Load() {
    loaded_ = true;
    modified_ = false;
  }
  virtual void Save() { modified_ = false; }
  virtual bool IsModified() const { return modified_; }

  void SetModified(bool modified = true) { modified_ = modified; }
  bool IsLoaded() const { return loaded_; }

 protected:
  bool modified_ = false;
  bool loaded_ = false;
};
