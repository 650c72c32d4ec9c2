// The loads start-up runs through the application object.  Each belongs to
// the part of the program that owns its data; until that part is written its
// load here does nothing and the data keeps its defaults (an empty list), as
// a failed load would leave it.

#include <fstream>

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
void CBrantleClientApp::LoadAirlines() {}
void CBrantleClientApp::LoadZoneFiles() {}
void CBrantleClientApp::LoadWeChatTemplates() {}
int CBrantleClientApp::LoadAddressLibrary() { return 0; }
void CBrantleClientApp::InitPlaceDictionary() {}
void CBrantleClientApp::DetectExcel() {}

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
