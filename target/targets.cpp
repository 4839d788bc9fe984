#include "target/targets.h"

#include "core/text.h"
#include "core/windows_error.h"

namespace tavlun {

bool ResolveTargetOn(const SystemDirectories& system, const PayloadDescriptor& descriptor, TargetLocation* location,
                     std::wstring* message) {
  TargetLocation resolved;
  if (descriptor.kind == PayloadKind::Build64 && system.architecture == kArchitectureX64) {
    if (system.windows.path.empty()) {
      *message = L"Windows dizini alınamadı: " + WindowsErrorText(system.windows.error);
      return false;
    }
    // A 32-bit process is redirected from System32 to SysWOW64; Sysnative reaches the native folder.
    resolved.directory = JoinPath(system.windows.path, L"Sysnative");
    resolved.display_path = JoinPath(JoinPath(system.windows.path, L"System32"), kAkisDllName);
    resolved.route = L"64-bit Windows + 64-bit DLL → System32";
  } else if (descriptor.kind == PayloadKind::Build32 && system.architecture == kArchitectureX64) {
    if (!system.system_wow64.path.empty()) {
      resolved.directory = system.system_wow64.path;
    } else if (!system.windows.path.empty()) {
      resolved.directory = JoinPath(system.windows.path, L"SysWOW64");
    } else {
      *message = L"Windows 32-bit sistem dizini alınamadı: " + WindowsErrorText(system.windows.error);
      return false;
    }
    resolved.route = L"64-bit Windows + 32-bit DLL → SysWOW64";
  } else if (descriptor.kind == PayloadKind::Build32 && system.architecture == kArchitectureX86) {
    if (system.system.path.empty()) {
      *message = L"Windows sistem dizini alınamadı: " + WindowsErrorText(system.system.error);
      return false;
    }
    resolved.directory = system.system.path;
    resolved.route = L"32-bit Windows + 32-bit DLL → System32";
  } else {
    *message = std::wstring(descriptor.label) + L" AKİS DLL bu Windows mimarisinde uygulanamaz.";
    return false;
  }
  resolved.file_path = JoinPath(resolved.directory, kAkisDllName);
  if (resolved.display_path.empty()) resolved.display_path = resolved.file_path;
  *location = std::move(resolved);
  return true;
}

bool ResolveRequiredTargetsOn(const SystemDirectories& system, std::vector<TargetEntry>* targets,
                              std::wstring* message) {
  targets->clear();
  std::vector<const PayloadDescriptor*> builds;
  switch (system.architecture) {
    case kArchitectureX64:
      builds = {&PayloadBuild32(), &PayloadBuild64()};
      break;
    case kArchitectureX86:
      builds = {&PayloadBuild32()};
      break;
    case kArchitectureArm64:
      *message = L"ARM64 Windows bu AKİS x86/x64 paketi için doğrulanmadı. Uyumlu resmî sürücüyü kullanın.";
      return false;
    default:
      *message = L"Bu Windows işlemci mimarisi desteklenmiyor.";
      return false;
  }
  std::vector<TargetEntry> resolved;
  for (const PayloadDescriptor* build : builds) {
    TargetEntry entry;
    entry.descriptor = build;
    if (!ResolveTargetOn(system, *build, &entry.location, message)) return false;
    resolved.push_back(std::move(entry));
  }
  *targets = std::move(resolved);
  return true;
}

}  // namespace tavlun
