#include "server/WorkstationIdentity.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include "common/Md5.h"

namespace {

constexpr unsigned kInterfaceLoopback = 0x8;  // IFF_LOOPBACK

std::string ReadFirstLine(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  if (in) std::getline(in, line);
  return line;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "aa:bb:cc:dd:ee:ff" into 6 bytes; false for anything else.
bool ParseMac(std::string_view text, MacAddress& mac) {
  if (text.size() != 17) return false;
  for (size_t i = 0; i < 6; ++i) {
    int hi = HexValue(text[i * 3]);
    int lo = HexValue(text[i * 3 + 1]);
    if (hi < 0 || lo < 0) return false;
    if (i < 5 && text[i * 3 + 2] != ':') return false;
    mac[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  return true;
}

}  // namespace

int MacFromNetFolder(std::string_view netFolder, MacAddress& out) {
  std::error_code ec;
  std::vector<std::filesystem::path> interfaces;
  for (const auto& entry : std::filesystem::directory_iterator(netFolder, ec)) {
    interfaces.push_back(entry.path());
  }
  if (ec) return -1;
  std::sort(interfaces.begin(), interfaces.end(),
            [](const auto& a, const auto& b) { return a.filename() < b.filename(); });
  // Adapters backed by a device (a "device" entry) come first: bridges,
  // container and tunnel interfaces are made and remade with new addresses,
  // which would change the mark.  Without any, the others serve.
  for (bool needDevice : {true, false}) {
    for (const auto& dir : interfaces) {
      std::error_code error;
      if (needDevice && !std::filesystem::exists(dir / "device", error)) continue;
      std::string flags = ReadFirstLine(dir / "flags");
      if (!flags.empty()) {
        unsigned long value = std::strtoul(flags.c_str(), nullptr, 0);
        if (value & kInterfaceLoopback) continue;
      }
      MacAddress mac{};
      if (!ParseMac(ReadFirstLine(dir / "address"), mac)) continue;
      if (std::all_of(mac.begin(), mac.end(), [](uint8_t b) { return b == 0; })) continue;
      out = mac;
      return 6;
    }
  }
  return -1;
}

int ReadMacAddress(MacAddress& out) { return MacFromNetFolder("/sys/class/net", out); }

uint32_t VolumeSerial(std::string_view rootPath) {
  std::string path(rootPath);
  struct statvfs info {};
  if (statvfs(path.c_str(), &info) != 0) return 0;
  uint64_t fsid = static_cast<uint64_t>(info.f_fsid);
  if (fsid == 0) {
    // Some file systems report no id: the device number stands in.
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0) return 0;
    fsid = static_cast<uint64_t>(file.st_dev);
  }
  return static_cast<uint32_t>(fsid ^ (fsid >> 32));
}

int ReadCpuSignature(std::array<uint8_t, 8>& out) {
  out.fill(0);
#if defined(__x86_64__) || defined(__i386__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
    for (int i = 0; i < 4; ++i) {
      out[i] = static_cast<uint8_t>(edx >> (8 * i));
      out[4 + i] = static_cast<uint8_t>(eax >> (8 * i));
    }
  }
#endif
  return 8;
}

std::string MachineMarkFromParts(const MacAddress* mac, uint32_t serial,
                                 const std::array<uint8_t, 8>& cpu) {
  if (mac == nullptr || serial == 0) return std::string(32, '0');
  uint8_t block[20] = {};
  std::copy(mac->begin(), mac->end(), block);
  block[6] = static_cast<uint8_t>(serial);
  block[7] = static_cast<uint8_t>(serial >> 8);
  std::copy(cpu.begin(), cpu.end(), block + 10);
  block[18] = static_cast<uint8_t>(serial >> 16);
  block[19] = static_cast<uint8_t>(serial >> 24);
  return Md5HexDigest(block, sizeof block);
}

std::string MachineMark(std::string_view rootPath) {
  MacAddress mac{};
  if (ReadMacAddress(mac) != 6) return std::string(32, '0');
  uint32_t serial = VolumeSerial(rootPath);
  std::array<uint8_t, 8> cpu{};
  ReadCpuSignature(cpu);
  return MachineMarkFromParts(&mac, serial, cpu);
}

std::string WorkstationIdentityText(const MacAddress& mac, std::string_view mark) {
  char head[32];
  std::snprintf(head, sizeof head, "%02X%02X-%02X%02X-%02X%02X\r\n", mac[0], mac[1],
                mac[2], mac[3], mac[4], mac[5]);
  return std::string(head) + std::string(mark);
}
