// The print jobs of the application object: doors into print/.
#include "shell/BrantleClientApp.h"

int CBrantleClientApp::PrintWaybill(int32_t, int, int, int, std::u16string_view) { return 0; }

int CBrantleClientApp::PrintLabels(std::vector<int32_t>&, int, int, int&, int&, int, int) {
  return 0;
}

int CBrantleClientApp::PrintProformaInvoice(int32_t, int, int, int) { return 0; }
