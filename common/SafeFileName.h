#pragma once
// File names made from record texts (waybill, transfer, reference and
// customs numbers, postcodes, template names chosen by the operator).
//
// Every writer that puts such a text into a file name passes it through one
// of these first, so that a number holding "/", "\" or ".." can neither leave
// the folder it is written to nor make the write fail:
//   - "/" and "\" (path separators), the characters Windows reserves in file
//     names (" % & * : < > ? |) and control characters become "_";
//   - leading dots become "_" (no hidden file, no "." or "..");
//   - an empty text becomes "_".
// The GBK form keeps double-byte characters whole: their second byte may be
// 0x5C or 0x7C and is not a separator.

#include <string>
#include <string_view>

std::string SafeFileName(std::string_view gbkText);
std::u16string SafeFileNameW(std::u16string_view text);
