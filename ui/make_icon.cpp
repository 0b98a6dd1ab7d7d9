// Writes the program's emblem as a PNG, for the desktop entry's icon.
//   tarrow-icon OUT.png SIDE
#include <QImage>
#include <cstdlib>
#include <iostream>

#include "records/logo.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: tarrow-icon OUT.png SIDE\n";
    return 2;
  }
  const tarrow::RgbImage logo = tarrow::Logo(std::atoi(argv[2]));
  const QImage image(logo.pixels.data(), logo.width, logo.height, logo.width * 3,
                     QImage::Format_RGB888);
  if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::cerr << "tarrow-icon: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
