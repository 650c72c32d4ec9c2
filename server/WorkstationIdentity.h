#pragma once
// Workstation identity sent with the login: the hardware address of a
// network adapter and a 32-character machine mark made from that address,
// the serial number of the program's volume and the processor signature.
// Nothing on the client compares them; they only have to stay the same from
// one start to the next on one machine.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

using MacAddress = std::array<uint8_t, 6>;

// The Ethernet address of the first network adapter (by interface name) that
// is not a loopback and has an address other than all zeros; adapters backed
// by a device are taken before virtual ones.  6 when one was found, else -1
// and `out` is left untouched.
int ReadMacAddress(MacAddress& out);

// The same search over a folder laid out like /sys/class/net (one sub-folder
// per interface holding "address", "flags" and, for a device, "device").
int MacFromNetFolder(std::string_view netFolder, MacAddress& out);

// A stable 32-bit number for the file system holding the path (its file
// system id folded to 32 bits, or its device number where the file system
// reports no id); 0 when it cannot be read.
uint32_t VolumeSerial(std::string_view rootPath);

// Processor identification leaf 1: EDX into bytes 0-3 and EAX into bytes
// 4-7, little-endian.  Zeros on processors without that instruction.
// Always returns 8.
int ReadCpuSignature(std::array<uint8_t, 8>& out);

// The mark of the given parts: "000...0" (32 zeros) when there is no adapter
// address (mac == nullptr) or the serial is 0; otherwise the MD5 of the
// 20-byte block mac[0..5], serial bytes 0 and 1, two zeros, cpu[0..7],
// serial bytes 2 and 3, as 32 lower-case hexadecimal digits.
std::string MachineMarkFromParts(const MacAddress* mac, uint32_t serial,
                                 const std::array<uint8_t, 8>& cpu);

// The mark of this machine for the volume holding rootPath.
std::string MachineMark(std::string_view rootPath);

// "%02X%02X-%02X%02X-%02X%02X\r\n%s": the address, a line break and the mark,
// as shown to the operator.
std::string WorkstationIdentityText(const MacAddress& mac, std::string_view mark);
