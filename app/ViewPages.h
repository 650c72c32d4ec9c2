#pragma once
// The page classes of the seventeen pages of the main view, as the program
// hands them to the view (the application object's page factory).

#include <memory>

#include "ui/ViewPage.h"

// Builds the page class of an index 0..16 (null for another index).
std::unique_ptr<CViewPage> CreateViewPage(int pageIndex);
