#pragma once
// The import pages' services over the application object (pages 6 and 7).

#include <memory>

#include "import/ImportServices.h"

class CViewHost;

// Null when the host has no application.
std::unique_ptr<CImportServices> MakeImportServices(CViewHost* host);
