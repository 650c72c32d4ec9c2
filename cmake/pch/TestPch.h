// GoogleTest, compiled once for every test program that links no widget
// library (see brantle_test_pch in cmake/Brantle.cmake).
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
