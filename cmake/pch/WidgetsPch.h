// Headers nearly every widget source includes, compiled once for the whole
// build (see brantle_widgets_pch in cmake/Brantle.cmake).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include <QtWidgets/QtWidgets>
