#include <windows.h>

#include "integrity/payload.h"

namespace tavlun {

bool LoadPayload(const PayloadDescriptor& descriptor, LoadedPayload* payload, std::wstring* message) {
  const std::wstring label = descriptor.label;
  // The program's own image: the resource memory stays mapped for the life of the process.
  HMODULE self = ::GetModuleHandleW(nullptr);
  HRSRC resource = ::FindResourceW(self, MAKEINTRESOURCEW(descriptor.resource_id), RT_RCDATA);
  if (resource == nullptr) {
    *message = L"Gömülü " + label + L" akisp11.dll kaynağı bulunamadı.";
    return false;
  }
  HGLOBAL loaded = ::LoadResource(self, resource);
  if (loaded == nullptr) {
    *message = L"Gömülü " + label + L" akisp11.dll kaynağı açılamadı.";
    return false;
  }
  const DWORD size = ::SizeofResource(self, resource);
  const auto* data = static_cast<const std::uint8_t*>(::LockResource(loaded));
  return VerifyPayloadBlock(descriptor, data, size, payload, message);
}

}  // namespace tavlun
