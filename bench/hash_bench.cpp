// hash_bench: SHA-256 throughput of the program's own hashing.
//  - the two embedded payloads, hashed from memory with Sha256Memory, call after call (each call opens its own
//    provider, as the program does), until about 64 MiB have been hashed;
//  - a 64 MiB file hashed with Sha256FilePath (64 KiB reads).
// Every byte that was hashed is also written next to this program, so scripts/bench can hash the same bytes
// with sha256sum in the same run. One line per case: key=value pairs, MB = 10^6 bytes.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/text.h"
#include "core/unique_handle.h"
#include "integrity/payload.h"
#include "integrity/sha256.h"

namespace {

using tavlun::JoinPath;

constexpr std::uint64_t kTargetBytes = 64ull * 1024 * 1024;
constexpr int kRounds = 3;  // best of three

std::wstring OwnFolder() {
  std::wstring path(32768, L'\0');
  path.resize(::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size())));
  return path.substr(0, path.find_last_of(L'\\'));
}

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  ::QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool WriteRepeated(const std::wstring& path, const std::uint8_t* data, std::size_t size, std::uint64_t times) {
  tavlun::UniqueHandle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  // Whole copies per write keep the calls few for small payloads.
  std::vector<std::uint8_t> chunk;
  const std::uint64_t per_chunk = size >= (1u << 20) ? 1 : (1u << 20) / size;
  for (std::uint64_t i = 0; i < per_chunk; ++i) chunk.insert(chunk.end(), data, data + size);
  std::uint64_t left = times;
  while (left > 0) {
    const std::uint64_t copies = left < per_chunk ? left : per_chunk;
    const DWORD bytes = static_cast<DWORD>(copies * size);
    DWORD written = 0;
    if (!::WriteFile(file.get(), chunk.data(), bytes, &written, nullptr) || written != bytes) return false;
    left -= copies;
  }
  return true;
}

// File names only: the files lie next to this program, where scripts/bench finds them.
std::string BaseName(const std::wstring& path) {
  const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
  return std::string(name.begin(), name.end());
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

void Report(const char* name, std::uint64_t bytes, std::uint64_t calls, double seconds, const std::wstring& digest,
            const std::wstring& hashed_file, const std::wstring& digest_file) {
  std::printf("case=%s bytes=%llu calls=%llu seconds=%.6f mbps=%.1f sha256=%s file=%s digest_file=%s\n", name,
              static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(calls), seconds,
              static_cast<double>(bytes) / seconds / 1e6, Narrow(digest).c_str(), BaseName(hashed_file).c_str(),
              BaseName(digest_file).c_str());
  std::fflush(stdout);
}

// Hashes one embedded payload from memory until about 64 MiB have passed; writes the payload once and the
// repeated bytes to files.
bool BenchPayload(const char* name, const tavlun::PayloadDescriptor& descriptor, const std::wstring& folder) {
  tavlun::LoadedPayload payload;
  std::wstring message;
  if (!tavlun::LoadPayload(descriptor, &payload, &message)) {
    std::fprintf(stderr, "%s: the embedded payload did not verify\n", name);
    return false;
  }
  const std::uint64_t calls = (kTargetBytes + payload.size - 1) / payload.size;
  std::wstring digest;
  double best = 0;
  for (int round = 0; round < kRounds; ++round) {
    const double start = Now();
    for (std::uint64_t i = 0; i < calls; ++i) {
      if (!tavlun::Sha256Memory(payload.data, payload.size, &digest, &message)) {
        std::fprintf(stderr, "%s: Sha256Memory failed\n", name);
        return false;
      }
    }
    const double seconds = Now() - start;
    if (round == 0 || seconds < best) best = seconds;
  }
  const std::wstring base = std::wstring(L"hash_bench_") + std::wstring(name, name + std::strlen(name));
  const std::wstring once = JoinPath(folder, base + L".dll");
  const std::wstring repeated = JoinPath(folder, base + L"_repeated.bin");
  if (!WriteRepeated(once, payload.data, payload.size, 1) ||
      !WriteRepeated(repeated, payload.data, payload.size, calls)) {
    std::fprintf(stderr, "%s: could not write the hashed bytes\n", name);
    return false;
  }
  Report(name, calls * payload.size, calls, best, digest, repeated, once);
  return true;
}

// Writes 64 MiB of pseudo-random bytes and hashes the file by path.
bool BenchFile(const std::wstring& folder) {
  const std::wstring path = JoinPath(folder, L"hash_bench_64mib.bin");
  std::vector<std::uint8_t> block(1u << 20);
  std::uint32_t x = 0x9E3779B9u;
  {
    tavlun::UniqueHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    for (std::uint64_t done = 0; done < kTargetBytes; done += block.size()) {
      for (auto& b : block) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
      }
      DWORD written = 0;
      if (!::WriteFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &written, nullptr) ||
          written != block.size()) {
        return false;
      }
    }
  }
  std::wstring digest;
  std::wstring message;
  double best = 0;
  for (int round = 0; round < kRounds; ++round) {
    const double start = Now();
    if (!tavlun::Sha256FilePath(path, &digest, &message)) {
      std::fprintf(stderr, "file: Sha256FilePath failed\n");
      return false;
    }
    const double seconds = Now() - start;
    if (round == 0 || seconds < best) best = seconds;
  }
  Report("file64mib", kTargetBytes, 1, best, digest, path, path);
  return true;
}

}  // namespace

int wmain() {
  const std::wstring folder = OwnFolder();
  bool ok = BenchPayload("payload32", tavlun::PayloadBuild32(), folder);
  ok = BenchPayload("payload64", tavlun::PayloadBuild64(), folder) && ok;
  ok = BenchFile(folder) && ok;
  return ok ? 0 : 1;
}
