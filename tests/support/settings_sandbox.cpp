#include "tests/support/settings_sandbox.h"

#include <chrono>
#include <cstdlib>
#include <list>

#include "platform/registry.h"

namespace {

int g_sandboxCount = 0;

// Keys the tests create below the program key.
constexpr const char* kSubkeys[] = {"View", "Split", "Merge", "Window", "CurrentVersion", "Test"};

// Tells runs apart, so that a key left by a run that crashed is never taken for a new one.
unsigned long RunMark() {
  auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
  return static_cast<unsigned long>(ticks % 1000000007);
}

}  // namespace

void SetEnvironment(const std::string& name, const std::string& value) {
  // putenv keeps the text it is given, so every setting lives as long as the process.
  static std::list<std::string> settings;
  settings.push_back(name + "=" + value);
  putenv(settings.back().data());
}

SettingsSandbox::SettingsSandbox() {
  ++g_sandboxCount;
  application_ = "PartwellTest" + std::to_string(RunMark()) + "x" + std::to_string(g_sandboxCount);
  folder_ = std::filesystem::temp_directory_path() / ("partwell-" + application_);
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_ / "config");
  if (const char* home = std::getenv("XDG_CONFIG_HOME")) {
    hadConfigHome_ = true;
    savedConfigHome_ = home;
  }
  SetEnvironment("XDG_CONFIG_HOME", (folder_ / "config").string());
}

SettingsSandbox::~SettingsSandbox() {
  platform::RegistryKey key;
  if (platform::OpenRegistryKey(KeyPath(), platform::RegistryAccess::setValue, key) == 0) {
    for (const char* subkey : kSubkeys) key.DeleteSubkey(subkey);
  }
  std::string company = std::string("Software\\") + kCompany;
  if (platform::OpenRegistryKey(company, platform::RegistryAccess::setValue, key) == 0) {
    key.DeleteSubkey(application_);
  }
  // The company key goes too when nothing else is in it.
  if (platform::OpenRegistryKey("Software", platform::RegistryAccess::setValue, key) == 0) {
    key.DeleteSubkey(kCompany);
  }
  SetEnvironment("XDG_CONFIG_HOME", hadConfigHome_ ? savedConfigHome_ : "");
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string SettingsSandbox::KeyPath() const {
  return std::string("Software\\") + kCompany + "\\" + application_ + "\\";
}

std::string SettingsSandbox::StoreFile() const {
  return platform::kRegistryIsFile ? platform::RegistryStoreLocation(KeyPath()) : std::string();
}
