#pragma once
// The settings store with its bookkeeping: whether values must be written and whether they
// were read. Its own load and save only keep the flags, which is all a program that stores
// nothing needs.

#include "settings/reg.h"

class CRegistry : public CReg {
 public:
  using CReg::CReg;

  virtual void LoadInstallInfo() {}
  virtual void SetDefaults() { m_modified = false; }
  virtual void Load() {
    m_loaded = true;
    m_modified = false;
  }
  virtual void Save() { m_modified = false; }
  virtual bool IsModified() const { return m_modified; }

  void SetModified(bool modified = true) { m_modified = modified; }
  bool IsLoaded() const { return m_loaded; }

 protected:
  bool m_modified = false;
  bool m_loaded = false;
};
