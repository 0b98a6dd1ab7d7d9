// Small helpers the window's tabs share to build their controls: every
// control carries its control name as objectName, the stable handle tests
// and readers use.
#pragma once

#include <QCheckBox>
#include <QDate>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "core/texts.h"
#include "records/logo.h"

namespace tarrow {

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

inline QLabel* MakeLabel(const QString& text, const char* name) {
  return Named(new QLabel(text), name);
}

inline QPushButton* MakeButton(const QString& text, const char* name) {
  return Named(new QPushButton(text), name);
}

inline QCheckBox* MakeCheck(const QString& text, const char* name) {
  return Named(new QCheckBox(text), name);
}

inline QSpinBox* MakeSpin(int lowest, int highest, int value, const char* name) {
  QSpinBox* spin = Named(new QSpinBox, name);
  spin->setRange(lowest, highest);
  spin->setValue(value);
  spin->setMinimumWidth(70);
  spin->setMaximumWidth(110);
  return spin;
}

inline QGroupBox* MakeGroup(const QString& title, const char* name = "") {
  QGroupBox* group = new QGroupBox(title);
  if (*name != 0) group->setObjectName(QString::fromLatin1(name));
  return group;
}

// A copy of the program's RGB picture that owns its pixels.
inline QImage ImageOf(const RgbImage& image) {
  const QImage view(image.pixels.data(), image.width, image.height, image.width * 3,
                    QImage::Format_RGB888);
  return view.copy();
}

inline DateTime FromQDate(const QDate& date) {
  return DateFromCivil(date.year(), date.month(), date.day());
}

inline QDate ToQDate(DateTime value) {
  const CivilDateTime civil = CivilFromDateTime(value);
  return QDate(civil.year, civil.month, civil.day);
}

}  // namespace tarrow
