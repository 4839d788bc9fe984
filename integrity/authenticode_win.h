// The offline Authenticode check of a file on disk: WinVerifyTrust on the open handle, without revocation, URL
// retrieval or any dialog, and the signer's name and signing time read from the signature the file carries.
// Nothing is loaded or run; wintrust.dll and crypt32.dll come from System32 only.
#pragma once

#include <windows.h>

#include <string>

#include "integrity/authenticode.h"

namespace tavlun {

// `file` is open with read access (the handle the caller hashed or inspected); `path` names it for the trust
// provider, which reads through the handle. Never fails: a check that cannot be made is NotChecked with a detail.
// Files above kMaxSignatureCheckedFileBytes are not examined.
SignatureCheck CheckFileSignature(HANDLE file, const std::wstring& path);

}  // namespace tavlun
