// Which control of the window shows each field of the settings record: the
// objectName it carries (its control name, the stable handle tests and
// readers use) and, for the on/off options, the check box's caption.  The
// tabs make their controls with these.  Every field has one row here
// (checked when compiling), and a test finds each one's control in the
// window.
//
//   const SwitchControl& ltc = ControlOf(Switch::kShowLtc);
//   QCheckBox* box = MakeCheck(ltc.caption, ltc.objectName);   // "Show LTC", "CBShowL"
//   QSpinBox* spin = MakeSpin(1, 32, 1, ControlName(NumberSetting::kThreads));  // "SENprocs"
#pragma once

#include <array>

#include "files/settings.h"

namespace tarrow {

struct SwitchControl {
  Switch which;
  const char* objectName;  // of the check box
  const char* caption;     // its text
};

// Every on/off option's check box, in the order the window makes them.
inline constexpr std::array<SwitchControl, 8> kSwitchControls = {{
    {Switch::kShowDistributions, "CBShowD", "Show Distributions"},
    {Switch::kShowDealNumbers, "CBShowN", "Show Deal Numbers"},
    {Switch::kShowLtc, "CBShowL", "Show LTC"},
    {Switch::kShowAnalysis, "CBShowDD", "Show Analysis"},
    {Switch::kAllTricks, "CBAllTricks", "All Tricks"},
    {Switch::kShowPar, "CBShowPar", "Show Par"},
    {Switch::kAutoFillDescription, "CBAuto", " Auto Fill Description with Filename"},
    {Switch::kFlipPages, "CBFlip", "Flip Pages"},
}};

template <typename Which>
struct FieldControl {
  Which which;
  const char* objectName;
};

inline constexpr std::array<FieldControl<NumberSetting>, 4> kNumberControls = {{
    {NumberSetting::kThreads, "SENprocs"},
    {NumberSetting::kQueenAdjustment, "RGLTC"},  // the group of its radio buttons
    {NumberSetting::kBoardsInPlay, "SELast"},
    {NumberSetting::kMonitor, "RGMon"},  // the group of its radio buttons
}};

inline constexpr std::array<FieldControl<TextSetting>, 3> kTextControls = {{
    {TextSetting::kOutputDirectory, "LDir"},
    {TextSetting::kSite, "LESite"},
    {TextSetting::kPrinterName, "LPrinter"},
}};

inline constexpr std::array<FieldControl<ListSetting>, 2> kListControls = {{
    {ListSetting::kClubs, "CBClub"},
    {ListSetting::kEvents, "CBEvent"},
}};

constexpr const SwitchControl& ControlOf(Switch which) {
  return RowOf(kSwitchControls, which);
}

// A field's control name: the objectName of the control showing it.
constexpr const char* ControlName(Switch which) {
  return ControlOf(which).objectName;
}
constexpr const char* ControlName(NumberSetting which) {
  return RowOf(kNumberControls, which).objectName;
}
constexpr const char* ControlName(TextSetting which) {
  return RowOf(kTextControls, which).objectName;
}
constexpr const char* ControlName(ListSetting which) {
  return RowOf(kListControls, which).objectName;
}

namespace internal {

// Every row of `fields` has one control row, and no control row is spare.
template <typename Fields, typename Controls>
constexpr bool EachFieldHasOneControl(const Fields& fields, const Controls& controls) {
  for (const auto& field : fields) {
    if (RowOf(controls, field.which).which != field.which) return false;
  }
  return fields.size() == controls.size();
}

}  // namespace internal

static_assert(internal::EachFieldHasOneControl(kSwitchFields, kSwitchControls));
static_assert(internal::EachFieldHasOneControl(kNumberFields, kNumberControls));
static_assert(internal::EachFieldHasOneControl(kTextFields, kTextControls));
static_assert(internal::EachFieldHasOneControl(kListFields, kListControls));

}  // namespace tarrow
