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

}  // namespace tapvero::form
