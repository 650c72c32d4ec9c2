#include "server/WorkstationIdentity.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "common/Md5.h"

namespace fs = std::filesystem;

namespace {

class NetFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("brantle-net-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  void AddInterface(const std::string& name, const std::string& address,
                    const std::string& flags) {
    fs::create_directories(dir_ / name);
    std::ofstream(dir_ / name / "address") << address << "\n";
    std::ofstream(dir_ / name / "flags") << flags << "\n";
  }
  fs::path dir_;
};

TEST_F(NetFolder, FirstUsableInterfaceInNameOrder) {
  AddInterface("wlan0", "aa:bb:cc:dd:ee:ff", "0x1003");
  AddInterface("lo", "00:00:00:00:00:00", "0x9");
  AddInterface("eth1", "02:fc:00:00:00:01", "0x1003");
  AddInterface("dummy", "00:00:00:00:00:00", "0x1003");  // all zeros: skipped
  AddInterface("bad", "not an address", "0x1003");
  MacAddress mac{};
  ASSERT_EQ(6, MacFromNetFolder(dir_.string(), mac));
  EXPECT_EQ((MacAddress{0x02, 0xfc, 0x00, 0x00, 0x00, 0x01}), mac);
}

TEST_F(NetFolder, DeviceAdaptersComeBeforeVirtualOnes) {
  // A container bridge sorts before the card but is made anew with a new
  // address; the card (with its "device" entry) gives the stable address.
  AddInterface("br-5f2c", "02:42:ac:11:00:01", "0x1003");
  AddInterface("docker0", "02:42:ac:11:00:02", "0x1003");
  AddInterface("enp3s0", "00:1b:21:3a:4f:10", "0x1003");
  AddInterface("wlp2s0", "00:1b:21:3a:4f:20", "0x1003");
  fs::create_directories(dir_ / "enp3s0" / "device");
  fs::create_directories(dir_ / "wlp2s0" / "device");
  MacAddress mac{};
  ASSERT_EQ(6, MacFromNetFolder(dir_.string(), mac));
  EXPECT_EQ((MacAddress{0x00, 0x1b, 0x21, 0x3a, 0x4f, 0x10}), mac);

  // Devices without a usable address are passed over for the virtual ones.
  AddInterface("enp3s0", "00:00:00:00:00:00", "0x1003");
  AddInterface("wlp2s0", "", "0x1003");
  ASSERT_EQ(6, MacFromNetFolder(dir_.string(), mac));
  EXPECT_EQ((MacAddress{0x02, 0x42, 0xac, 0x11, 0x00, 0x01}), mac);
}

TEST_F(NetFolder, OnlySixByteAddressesCount) {
  // An InfiniBand adapter has a 20-byte address: its first six bytes are no
  // Ethernet address.
  AddInterface("ib0", "80:00:02:08:fe:80:00:00:00:00:00:00:00:02:c9:03:00:0a:1b:2c", "0x1003");
  AddInterface("ib1", "aa:bb:cc:dd:ee:ff:", "0x1003");
  AddInterface("wlan0", "02:fc:00:00:00:01", "0x1003");
  MacAddress mac{};
  ASSERT_EQ(6, MacFromNetFolder(dir_.string(), mac));
  EXPECT_EQ((MacAddress{0x02, 0xfc, 0x00, 0x00, 0x00, 0x01}), mac);
}

TEST_F(NetFolder, LoopbackFlagSkipsEvenWithAnAddress) {
  AddInterface("a0", "11:22:33:44:55:66", "0x9");
  AddInterface("b0", "AA:BB:CC:DD:EE:0F", "0x1003");
  MacAddress mac{};
  ASSERT_EQ(6, MacFromNetFolder(dir_.string(), mac));
  EXPECT_EQ((MacAddress{0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x0F}), mac);
}

TEST_F(NetFolder, NoAdapterLeavesTheFieldAlone) {
  AddInterface("lo", "00:00:00:00:00:00", "0x9");
  MacAddress mac{1, 2, 3, 4, 5, 6};
  EXPECT_EQ(-1, MacFromNetFolder(dir_.string(), mac));
  EXPECT_EQ((MacAddress{1, 2, 3, 4, 5, 6}), mac);
  EXPECT_EQ(-1, MacFromNetFolder((dir_ / "missing").string(), mac));
}

TEST(MachineMark, DigestOfTheBlockInItsOrder) {
  MacAddress mac{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
  std::array<uint8_t, 8> cpu{0xA0, 0xA1, 0xA2, 0xA3, 0xB0, 0xB1, 0xB2, 0xB3};
  uint32_t serial = 0x89ABCDEF;
  const uint8_t block[20] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0xEF, 0xCD, 0x00, 0x00,
                             0xA0, 0xA1, 0xA2, 0xA3, 0xB0, 0xB1, 0xB2, 0xB3, 0xAB, 0x89};
  std::string mark = MachineMarkFromParts(&mac, serial, cpu);
  EXPECT_EQ(Md5HexDigest(block, sizeof block), mark);
  EXPECT_EQ(32u, mark.size());
  // The upper half of the serial matters (bytes 18 and 19).
  EXPECT_NE(mark, MachineMarkFromParts(&mac, 0x0000CDEF, cpu));
}

TEST(MachineMark, ZerosWithoutAdapterOrSerial) {
  MacAddress mac{1, 2, 3, 4, 5, 6};
  std::array<uint8_t, 8> cpu{};
  EXPECT_EQ(std::string(32, '0'), MachineMarkFromParts(nullptr, 1234, cpu));
  EXPECT_EQ(std::string(32, '0'), MachineMarkFromParts(&mac, 0, cpu));
}

TEST(MachineMark, StableOnThisMachine) {
  std::string folder = fs::current_path().string();
  EXPECT_EQ(MachineMark(folder), MachineMark(folder));
  EXPECT_EQ(32u, MachineMark(folder).size());
  EXPECT_NE(0u, VolumeSerial(folder));
  EXPECT_EQ(0u, VolumeSerial("/no/such/folder/here"));
  std::array<uint8_t, 8> a{}, b{};
  EXPECT_EQ(8, ReadCpuSignature(a));
  ReadCpuSignature(b);
  EXPECT_EQ(a, b);
}

TEST(WorkstationIdentityText, AddressThenMark) {
  MacAddress mac{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};
  EXPECT_EQ("0A1B-2C3D-4E5F\r\nabc", WorkstationIdentityText(mac, "abc"));
}

}  // namespace
