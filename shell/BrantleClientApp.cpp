#include "shell/BrantleClientApp.h"

#include "server/ServerLink.h"
#include "shell/SingleInstance.h"

// Services whose classes live in other folders, built in the order the
// application needs them and destroyed in reverse.
struct CBrantleClientApp::Services {
  CServerLink link;
};

CBrantleClientApp theApp;

CBrantleClientApp::CBrantleClientApp() : services_(std::make_unique<Services>()) {}

CBrantleClientApp::~CBrantleClientApp() = default;

CServerLink& CBrantleClientApp::Link() { return services_->link; }

void CBrantleClientApp::SetProgramFolder(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder.push_back('/');
  programFolder_ = std::move(folder);
}

double KilogramsToPounds(double kilograms) { return kilograms * 2.2046226218487757; }
