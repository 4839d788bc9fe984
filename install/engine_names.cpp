#include "install/engine_names.h"

#include "core/text.h"

namespace tavlun {
namespace {

std::wstring ZeroPadded(unsigned value, std::size_t width) {
  std::wstring digits = DecimalText(static_cast<std::uint32_t>(value));
  if (digits.size() < width) digits.insert(0, width - digits.size(), L'0');
  return digits;
}

}  // namespace

std::wstring FormatTimestampName(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                                 unsigned second, std::uint32_t process_id) {
  return ZeroPadded(year, 4) + ZeroPadded(month, 2) + ZeroPadded(day, 2) + L"-" + ZeroPadded(hour, 2) +
         ZeroPadded(minute, 2) + ZeroPadded(second, 2) + L"-" + DecimalText(process_id);
}

std::wstring TempInstallFileName(std::uint32_t process_id, std::uint64_t tick_count, unsigned attempt) {
  return L".akisp11." + DecimalText(process_id) + L"." + DecimalText(tick_count) + L"." +
         DecimalText(static_cast<std::uint32_t>(attempt)) + L".tmp";
}

std::wstring RollbackCopyName(std::uint32_t process_id, std::uint64_t tick_count, unsigned attempt) {
  return L".akisp11.rollback." + DecimalText(process_id) + L"." + DecimalText(tick_count) + L"." +
         DecimalText(static_cast<std::uint32_t>(attempt)) + L".tmp";
}

std::wstring RandomTempName(const std::wstring& label, const std::wstring& token) {
  return L".akisp11." + label + L"." + token + L".tmp";
}

std::wstring BackupFolderName(const std::wstring& timestamp, const std::wstring& old_sha256, unsigned attempt) {
  std::wstring name = timestamp + L"-" + old_sha256.substr(0, 8);
  if (attempt != 0) name += L"-" + DecimalText(static_cast<std::uint32_t>(attempt));
  return name;
}

std::wstring LogFileName(const std::wstring& timestamp, const std::wstring& token) {
  return timestamp + L"-" + token + L".log";
}

}  // namespace tavlun
