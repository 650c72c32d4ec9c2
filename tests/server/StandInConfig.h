#pragma once
// The configuration file (ZizTolvane.ini) that points a program folder at
// the local stand-in server.

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "common/TextCodec.h"

namespace testsupport {

// Writes (replacing) ZizTolvane.ini in `folder` for the stand-in on `port`,
// in the language ("00", "01") and for the workstation id given.
inline void WriteStandInConfig(const std::filesystem::path& folder, int port,
                               std::string_view language, std::string_view workstation) {
  std::ofstream(folder / "ZizTolvane.ini", std::ios::binary | std::ios::trunc)
      << GbkFromWide(u"<配置开始>") << "\r\nHOST=127.0.0.1\r\nAPI=/brantle/api\r\nLAN=" << language
      << "\r\nWCID=" << workstation << "\r\nPORT=" << port << "\r\n"
      << GbkFromWide(u"<配置结束>") << "\r\n";
}

}  // namespace testsupport
