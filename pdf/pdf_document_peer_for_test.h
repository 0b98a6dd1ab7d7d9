// What only the tests of the PDF writer read: a real as the writer spells it
// and a document's page size in drawing units.
//
//   EXPECT_EQ(testing::PdfRealText(842 - 0.24 * 238), "784.88");
//   EXPECT_EQ(testing::PdfDocumentPeer::PageWidthUnits(doc), 2479);  // A4 at 300
#pragma once

#include <cmath>
#include <string>

#include "pdf/pdf_document.h"
#include "pdf/pdf_objects.h"

namespace tarrow::testing {

inline std::string PdfRealText(double value) {
  std::string out;
  AppendPdfReal(out, value);
  return out;
}

struct PdfDocumentPeer {
  // The size of the pages added from now on, in drawing units: 2479 x 3508
  // for A4 portrait at 300 units per inch.
  static int PageWidthUnits(const TPdfDocument& doc) {
    return int(std::lround(doc.pageWidthPt_ * double(doc.resolution_) / 72));
  }
  static int PageHeightUnits(const TPdfDocument& doc) {
    return int(std::lround(doc.pageHeightPt_ * double(doc.resolution_) / 72));
  }
};

}  // namespace tarrow::testing
