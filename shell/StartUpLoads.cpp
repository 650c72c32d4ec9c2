// The loads start-up runs through the application object.  Each belongs to
// the part of the program that owns its data; until that part is written its
// load here does nothing and the data keeps its defaults (an empty list), as
// a failed load would leave it.

#include <fstream>

#include "common/TextCodec.h"
#include "refdata/AirlineTable.h"
#include "shell/BrantleClientApp.h"

void CBrantleClientApp::BuildPrintFields() {}
void CBrantleClientApp::LoadDictionaries() {}
void CBrantleClientApp::LoadUserEnvironment() {}
void CBrantleClientApp::LoadServiceKinds() {}
void CBrantleClientApp::LoadDefaultTemplates() {}
void CBrantleClientApp::BuildColumnCatalog() {}
void CBrantleClientApp::LoadBagDefaults() {}
void CBrantleClientApp::LoadStaff() {}
void CBrantleClientApp::LoadPrinterAssignments() {}
void CBrantleClientApp::LoadSoundResources() {}
void CBrantleClientApp::RefreshClientList() {}
void CBrantleClientApp::RefreshDestinations() {}
void CBrantleClientApp::LoadZoneFiles() {}
int CBrantleClientApp::LoadAddressLibrary() { return 0; }
void CBrantleClientApp::InitPlaceDictionary() {}
void CBrantleClientApp::DetectExcel() {}

// The courier message definitions: the server's copy of WeChat_Mess.txt
// when it is newer, then whatever local copy there is.
void CBrantleClientApp::LoadWeChatTemplates() {
  FileRequest request;
  request.grade = 255;
  request.kind = GbkFromWide(u"系统配置");
  request.title = "WeChat_Mess.txt";
  request.fileName = "WeChat_Mess.txt";
  request.localPath = ProgramFolder() + "DATA_SYS/WeChat_Mess.txt";
  Link().DownloadFile(request);
  std::ifstream in(request.localPath, std::ios::binary);
  if (!in) return;
  std::string text(65535, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  weChatMessages_.LoadConfig(text);
}

int CBrantleClientApp::LoadScaleSettings() {
  ScaleSettings& settings = scaleReader_.settings;
  settings = ScaleSettings{};
  std::ifstream in(ProgramFolder() + "balanceset.ini", std::ios::binary);
  if (!in) return 0;
  std::string block(84, '\0');
  in.read(block.data(), static_cast<std::streamsize>(block.size()));
  block.resize(static_cast<size_t>(in.gcount()));
  settings.raw = block;
  return 1;
}

// The server airlines, read at once; airports and flights wait for the
// master air waybill screens.
void CBrantleClientApp::LoadAirlines() { Airlines().LoadAirlines(); }
