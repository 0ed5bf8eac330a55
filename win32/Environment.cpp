#include "win32/Environment.h"
#include "w32test/Environment.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "w32detail/AnsiText.h"
#include "w32detail/Platform.h"

namespace {

struct Variable {
  std::u16string value;
  std::shared_ptr<std::string> narrow;  // made by the first getenv
};

struct EnvironmentState {
  std::mutex mutex;
  std::map<std::u16string, Variable> variables;  // keyed by the upper-cased name
  std::u16string userName;
  std::u16string computerName;

  void Defaults() {
    variables.clear();
    userName = u"User";
    computerName = u"WORKSTATION";
  }
};

EnvironmentState& environmentState() {
  static EnvironmentState* s = [] {
    auto* st = new EnvironmentState;
    st->Defaults();
    w32detail::RegisterReset([st] {
      std::lock_guard<std::mutex> g(st->mutex);
      st->Defaults();
    });
    return st;
  }();
  return *s;
}

std::u16string VariableKey(const std::u16string& name) {
  std::u16string key = name;
  for (auto& c : key)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  return key;
}

bool ValidName(LPCWSTR name) {
  if (!name || !name[0]) return false;
  for (size_t i = 0; name[i]; ++i)
    if (name[i] == u'=') return false;
  return true;
}

// Copies text and terminator when the buffer holds them.
bool CopyOut(const std::u16string& text, LPWSTR buffer, DWORD size) {
  if (!buffer || size <= text.size()) return false;
  text.copy(buffer, text.size());
  buffer[text.size()] = 0;
  return true;
}

void Set(const std::u16string& name, LPCWSTR value) {
  EnvironmentState& s = environmentState();
  std::lock_guard<std::mutex> g(s.mutex);
  if (!value)
    s.variables.erase(VariableKey(name));
  else
    s.variables[VariableKey(name)] = Variable{value, nullptr};
}

}  // namespace

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
  if (w32detail::ShouldFail("GetEnvironmentVariableW")) return 0;
  EnvironmentState& s = environmentState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto it = ValidName(name) ? s.variables.find(VariableKey(name)) : s.variables.end();
  if (it == s.variables.end()) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  const std::u16string& value = it->second.value;
  if (!CopyOut(value, buffer, size)) return static_cast<DWORD>(value.size() + 1);
  SetLastError(ERROR_SUCCESS);  // tells an empty value from a missing one
  return static_cast<DWORD>(value.size());
}

BOOL SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value) {
  if (w32detail::ShouldFail("SetEnvironmentVariableW")) return FALSE;
  if (!ValidName(name)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Set(name, value);
  return TRUE;
}

BOOL GetUserNameW(LPWSTR buffer, LPDWORD size) {
  if (w32detail::ShouldFail("GetUserNameW")) return FALSE;
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  EnvironmentState& s = environmentState();
  std::lock_guard<std::mutex> g(s.mutex);
  DWORD needed = static_cast<DWORD>(s.userName.size() + 1);
  if (!CopyOut(s.userName, buffer, *size)) {
    *size = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  *size = needed;
  return TRUE;
}

BOOL GetComputerNameW(LPWSTR buffer, LPDWORD size) {
  if (w32detail::ShouldFail("GetComputerNameW")) return FALSE;
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  EnvironmentState& s = environmentState();
  std::lock_guard<std::mutex> g(s.mutex);
  if (!CopyOut(s.computerName, buffer, *size)) {
    *size = static_cast<DWORD>(s.computerName.size() + 1);
    SetLastError(ERROR_BUFFER_OVERFLOW);
    return FALSE;
  }
  *size = static_cast<DWORD>(s.computerName.size());
  return TRUE;
}

namespace crt {

const char* getenv(const char* name) {
  auto wideName = w32detail::AnsiToWide(name);
  if (!wideName || !ValidName(wideName->c_str())) return nullptr;
  EnvironmentState& s = environmentState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto it = s.variables.find(VariableKey(*wideName));
  if (it == s.variables.end()) return nullptr;
  if (!it->second.narrow) {
    auto narrow = w32detail::WideToAnsi(it->second.value);
    if (!narrow) return nullptr;
    it->second.narrow = std::make_shared<std::string>(std::move(*narrow));
  }
  return it->second.narrow->c_str();
}

}  // namespace crt

namespace w32test {

void SetEnvironment(LPCWSTR name, LPCWSTR value) {
  if (ValidName(name)) Set(name, value);
}

void SetUserName(LPCWSTR name) {
  EnvironmentState& s = environmentState();
  std::lock_guard<std::mutex> g(s.mutex);
  s.userName = name ? name : u"";
}

void SetComputerName(LPCWSTR name) {
  EnvironmentState& s = environmentState();
  std::lock_guard<std::mutex> g(s.mutex);
  s.computerName = name ? name : u"";
}

}  // namespace w32test
