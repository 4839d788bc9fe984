// Test helper: sets or removes one environment variable of the test process and restores it afterwards.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tavlun::testing_support {

class ScopedEnvironment {
 public:
  // A null value removes the variable for the life of the object.
  ScopedEnvironment(const wchar_t* name, const wchar_t* value) : name_(name) {
    std::vector<wchar_t> buffer(32768, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    had_value_ = length > 0 && length < buffer.size();
    if (had_value_) previous_.assign(buffer.data(), length);
    ::SetEnvironmentVariableW(name, value);
  }
  ~ScopedEnvironment() { ::SetEnvironmentVariableW(name_.c_str(), had_value_ ? previous_.c_str() : nullptr); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::wstring name_;
  std::wstring previous_;
  bool had_value_ = false;
};

}  // namespace tavlun::testing_support
