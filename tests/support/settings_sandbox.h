#pragma once
// A settings store of the test's own, so that tests never touch the user's settings: a fresh
// XDG configuration folder on POSIX, where the settings file goes, and a key of the test's own
// under HKEY_CURRENT_USER on Windows. Both go when the sandbox does.

#include <filesystem>
#include <string>

class SettingsSandbox {
 public:
  SettingsSandbox();
  SettingsSandbox(const SettingsSandbox&) = delete;
  SettingsSandbox& operator=(const SettingsSandbox&) = delete;
  ~SettingsSandbox();

  static constexpr const char* kCompany = "Velmont Computing";
  // A program name of this sandbox's own: "PartwellTest<pid>x<n>".
  const std::string& Application() const { return application_; }
  // "Software\Velmont Computing\<application>\"
  std::string KeyPath() const;
  // A scratch folder for files of the test.
  const std::filesystem::path& Folder() const { return folder_; }
  // The settings file on POSIX; empty on Windows.
  std::string StoreFile() const;

 private:
  std::filesystem::path folder_;
  std::string application_;
  std::string savedConfigHome_;
  bool hadConfigHome_ = false;
};

// Sets an environment variable for the rest of the process (or until set again).
void SetEnvironment(const std::string& name, const std::string& value);
