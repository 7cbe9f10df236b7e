#include "platform/registry.h"

#include <utility>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/windows_support.h"

namespace platform {

namespace {

// READ_CONTROL | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS
constexpr REGSAM kQueryAccess = 0x20009;

REGSAM AccessMask(RegistryAccess access) {
  switch (access) {
    case RegistryAccess::readWrite:
      return KEY_READ | KEY_WRITE;
    case RegistryAccess::setValue:
      return KEY_SET_VALUE;
    case RegistryAccess::query:
      break;
  }
  return kQueryAccess;
}

// The registry takes no trailing backslash on a key path.
std::wstring WideKeyPath(std::string_view path) {
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return Widen(path);
}

}  // namespace

struct RegistryKey::State {
  explicit State(ScopedRegistryKey opened) : key(std::move(opened)) {}
  ScopedRegistryKey key;
};

RegistryKey::RegistryKey() = default;
RegistryKey::RegistryKey(RegistryKey&&) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&&) noexcept = default;
RegistryKey::~RegistryKey() = default;

bool RegistryKey::IsOpen() const { return state_ != nullptr; }
void RegistryKey::Close() { state_.reset(); }

ErrorCode RegistryKey::QueryValue(std::string_view name, RegistryValue& value) const {
  if (!state_) return ERROR_INVALID_HANDLE;
  std::wstring wideName = Widen(name);
  // The size first; the value may grow between the two calls, so ask again until it fits.
  for (;;) {
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS status =
        RegQueryValueExW(state_->key.Get(), wideName.c_str(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) return static_cast<ErrorCode>(status);
    value.type = type;
    value.data.assign(size, 0);
    status = RegQueryValueExW(state_->key.Get(), wideName.c_str(), nullptr, &type,
                              size == 0 ? nullptr : value.data.data(), &size);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return static_cast<ErrorCode>(status);
    value.type = type;
    value.data.resize(size);
    return 0;
  }
}

ErrorCode RegistryKey::SetValue(std::string_view name, const RegistryValue& value) {
  if (!state_) return ERROR_INVALID_HANDLE;
  return static_cast<ErrorCode>(RegSetValueExW(state_->key.Get(), Widen(name).c_str(), 0,
                                               value.type, value.data.data(),
                                               static_cast<DWORD>(value.data.size())));
}

ErrorCode RegistryKey::DeleteSubkey(std::string_view name) {
  if (!state_) return ERROR_INVALID_HANDLE;
  if (name.empty()) return kErrorInvalidParameter;
  return static_cast<ErrorCode>(RegDeleteKeyW(state_->key.Get(), Widen(name).c_str()));
}

ErrorCode OpenRegistryKey(std::string_view path, RegistryAccess access, RegistryKey& key) {
  key.Close();
  HKEY opened = nullptr;
  LSTATUS status =
      RegOpenKeyExW(HKEY_CURRENT_USER, WideKeyPath(path).c_str(), 0, AccessMask(access), &opened);
  if (status != ERROR_SUCCESS) return static_cast<ErrorCode>(status);
  key.state_ = std::make_unique<RegistryKey::State>(ScopedRegistryKey(opened));
  return 0;
}

ErrorCode CreateRegistryKey(std::string_view path, RegistryKey& key) {
  key.Close();
  HKEY opened = nullptr;
  LSTATUS status =
      RegCreateKeyExW(HKEY_CURRENT_USER, WideKeyPath(path).c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &opened, nullptr);
  if (status != ERROR_SUCCESS) return static_cast<ErrorCode>(status);
  key.state_ = std::make_unique<RegistryKey::State>(ScopedRegistryKey(opened));
  return 0;
}

// Every value reaches the registry when it is set; there is nothing to gather.
RegistryBatch::RegistryBatch() : outermost_(false) {}
RegistryBatch::~RegistryBatch() = default;
ErrorCode RegistryBatch::Commit() { return 0; }

std::string RegistryStoreLocation(std::string_view keyPath) {
  if (!keyPath.empty() && keyPath.back() == '\\') keyPath.remove_suffix(1);
  return "HKEY_CURRENT_USER\\" + std::string(keyPath);
}

RegistryStoreProblem CheckRegistryStore(std::string_view, ErrorCode& code) {
  code = 0;
  return RegistryStoreProblem::none;
}

void InjectSettingsFileFault(SettingsFileFault) {}

}  // namespace platform
