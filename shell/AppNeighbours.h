#pragma once
// The printing and courier-message objects the application object
// owns for the whole run, in the least form start-up and shut-down need.
// Their own folders give them their work; the application only builds them,
// loads their settings and releases them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "print/PrintFields.h"
#include "print/TemplatePrinterList.h"

// Courier message definitions (settings and message texts of WeChat_Mess.txt).
class CWeChatMessages {
 public:
  // Takes the text of the definitions file (GBK, or UTF-16LE after FF FE).
  void LoadConfig(std::string_view fileText) { text_.assign(fileText); }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

// The proforma-invoice cell map and the label layout of the printing
// templates live in print/.
#include "print/InvoiceCellMap.h"
#include "print/LabelLayout.h"
#include "print/PrintContext.h"
#include "print/PrintDoors.h"

