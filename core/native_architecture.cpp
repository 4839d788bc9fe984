#include "core/native_architecture.h"

namespace tavlun {

std::uint16_t ArchitectureOfImageMachine(std::uint16_t image_machine) {
  switch (image_machine) {
    case kImageMachineI386:
      return kArchitectureX86;
    case kImageMachineArmNt:
      return kArchitectureArm;
    case kImageMachineIa64:
      return kArchitectureIa64;
    case kImageMachineAmd64:
      return kArchitectureX64;
    case kImageMachineArm64:
      return kArchitectureArm64;
    default:
      return kArchitectureUnknown;
  }
}

}  // namespace tavlun
