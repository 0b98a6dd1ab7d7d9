// The main of the window tests: a QApplication on the offscreen platform (a
// test machine has no screen), then GoogleTest.
#include <gtest/gtest.h>

#include <QApplication>

#include "core/deal_number.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  tarrow::BuildNumberingTables();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
