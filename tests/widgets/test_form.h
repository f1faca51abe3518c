// A small window of the toolkit tests' own: a tab control of two pages, a
// group box on the first with an edit box and a check box in it, buttons
// (one disabled) and a read-only multi-line box beside it, a button on the
// second page, and a label and a hidden button on the window itself.
#pragma once

#include <array>

#include "widgets/form.h"

namespace tapvero::widgets::test {

enum : ControlId { kTab = 1, kGroup, kNumber, kCheck, kButtonA, kOffButton, kLog, kButtonB, kLabel, kHiddenButton, kLetter };

inline constexpr std::array<TabPage, 2> kPages{{{u"one", u"the first"}, {u"two", u"the second"}}};

// clang-format off
inline constexpr ControlSpec kControls[] = {
    {.id = kMainWindow, .kind = Kind::kWindow,   .geometry = {0, 0, 500, 300},      .caption = u"Toolkit test"},
    {.id = kTab,        .kind = Kind::kTab,      .geometry = {8, 8, 380, 250},      .pages = kPages},
    {.id = kGroup,      .kind = Kind::kGroupBox, .container = kTab,   .page = 0, .geometry = {10, 30, 200, 90}, .caption = u"group"},
    {.id = kNumber,     .kind = Kind::kEdit,     .container = kGroup, .page = 0, .geometry = {8, 20, 80, 20},   .caption = u"20", .flags = kIntegerOnly},
    {.id = kCheck,      .kind = Kind::kCheckBox, .container = kGroup, .page = 0, .geometry = {100, 20, 60, 20}, .caption = u"check"},
    {.id = kButtonA,    .kind = Kind::kButton,   .container = kTab,   .page = 0, .geometry = {10, 140, 60, 24}, .caption = u"A"},
    {.id = kOffButton,  .kind = Kind::kButton,   .container = kTab,   .page = 0, .geometry = {80, 140, 60, 24}, .caption = u"off", .flags = kDisabled},
    {.id = kLog,        .kind = Kind::kEdit,     .container = kTab,   .page = 0, .geometry = {220, 30, 150, 120}, .flags = kMultiLine | kReadOnlyInput},
    {.id = kButtonB,    .kind = Kind::kButton,   .container = kTab,   .page = 1, .geometry = {10, 40, 60, 24},  .caption = u"B"},
    {.id = kLabel,      .kind = Kind::kLabel,    .geometry = {400, 10, 60, 20},     .caption = u"label"},
    {.id = kHiddenButton, .kind = Kind::kButton,   .geometry = {400, 40, 60, 24},     .caption = u"hidden", .flags = kHidden},
    {.id = kLetter,     .kind = Kind::kEdit,     .geometry = {400, 80, 40, 20},     .caption = u"a", .max_length = 1},
};
// clang-format on

inline constexpr FormSpec kForm{.controls = kControls, .default_font = {12, 400, u"SimSun"}, .escape_closes = true};

}  // namespace tapvero::widgets::test
