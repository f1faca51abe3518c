#include "form/main_form.h"

#include <algorithm>

namespace tapvero::form {

using namespace detail;

Control control_of(const storage::SettingField& setting) {
  return std::ranges::find(kSettingControls, setting, &SettingControl::setting)->control;
}

const widgets::FormSpec& main_form() {
  static const widgets::FormSpec form{
      .controls = kControls, .default_font = kDefaultFont, .page_background = kPageBackground, .escape_closes = true};
  return form;
}

widgets::Color stability_color(float stability) {
  constexpr double kEpsilon = 0.0000001;
  if (stability - 70.0 > kEpsilon) return kGreen;
  if (stability - 40.0 > kEpsilon) return kYellow;
  return kRed;
}

}  // namespace tapvero::form
