#pragma once
// What the About box says about the program, taken from its version data.

#include <string>

#include "platform/version_info.h"

struct AboutText {
  std::string productName;  // without the company's name in front of it
  std::string versionLine;  // "Version 3.1.0 (64-bit - Build 7)"
  std::string description;  // the file description after its " - "
  std::string specialBuild;
};

// `pointerBits` is the program's pointer width (32 or 64).
AboutText MakeAboutText(const platform::VersionInfo& info, int pointerBits);
