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
#include "shell/CourierMessages.h"
#include "print/TemplatePrinterList.h"

// The proforma-invoice cell map and the label layout of the printing
// templates live in print/.
#include "print/InvoiceCellMap.h"
#include "print/LabelLayout.h"
#include "print/PrintContext.h"
#include "print/PrintDoors.h"

