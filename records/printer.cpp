#include "records/printer.h"

namespace tarrow {

std::string SelectStoredPrinter(Printer& printer, std::string_view storedName) {
  const std::vector<std::string> names = printer.Printers();
  if (!storedName.empty() && storedName != kDefaultPrinterName) {
    for (size_t i = 0; i < names.size(); ++i) {
      // Names are stored cut to 64 characters; a longer listed name matches its cut.
      if (std::string_view(names[i]).substr(0, kPrinterNameLimit) == storedName) {
        printer.SetPrinterIndex(int(i));
        return names[i].substr(0, kPrinterNameLimit);
      }
    }
  }
  printer.SetPrinterIndex(-1);
  return std::string(kDefaultPrinterName);
}

std::string CurrentPrinterName(Printer& printer) {
  const int index = printer.PrinterIndex();
  const std::vector<std::string> names = printer.Printers();
  if (index < 0 || size_t(index) >= names.size()) return std::string(kDefaultPrinterName);
  return names[size_t(index)].substr(0, kPrinterNameLimit);
}

}  // namespace tarrow
