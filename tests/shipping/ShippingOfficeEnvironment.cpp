// The one office environment of the shipping office tests: a home, a
// profile and one suite held for every case of the program.
#include <gtest/gtest.h>

#include "../office/OfficeTestEnv.h"

namespace {

::testing::Environment* const kEnvironment = ::testing::AddGlobalTestEnvironment(
    new officetest::OfficeEnvironment(officetest::OfficeEnvironment::kHoldSuite));

}  // namespace
