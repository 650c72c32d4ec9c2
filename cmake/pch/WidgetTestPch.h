// The widget headers and GoogleTest, compiled once for every test program
// that links the widget libraries (see brantle_test_pch in cmake/Brantle.cmake).
#pragma once

#include "WidgetsPch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
