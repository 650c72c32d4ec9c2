#pragma once
// The configuration file (ZizTolvane.ini) that points a program folder at
// the local stand-in server.

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "common/TextCodec.h"

namespace testsupport {

// The text of ZizTolvane.ini for the stand-in (or a scripted server) on
// `port` on the loopback, in the language ("00", "01") and for the
// workstation id given.
inline std::string StandInConfigText(int port, std::string_view language,
                                     std::string_view workstation) {
  return GbkFromWide(u"<配置开始>") + "\r\nHOST=127.0.0.1\r\nAPI=/brantle/api\r\nLAN=" +
         std::string(language) + "\r\nWCID=" + std::string(workstation) + "\r\nPORT=" +
         std::to_string(port) + "\r\n" + GbkFromWide(u"<配置结束>") + "\r\n";
}

// Writes (replacing) ZizTolvane.ini with that text in `folder`.
inline void WriteStandInConfig(const std::filesystem::path& folder, int port,
                               std::string_view language, std::string_view workstation) {
  std::ofstream(folder / "ZizTolvane.ini", std::ios::binary | std::ios::trunc)
      << StandInConfigText(port, language, workstation);
}

}  // namespace testsupport
