// The text-fit check of both views: every text on every page, as built in and as the install
// run and the picker change them, measured by the view test's own `misfits` once the view has
// caught up with the change.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "ui/form2.h"

inline void ExpectEveryTextFits(setup::TForm1& form, ui::TForm2& picker,
                                const std::function<std::vector<std::string>()>& misfits) {
  const std::vector<std::pair<const char*, std::function<void()>>> states = {
      {"built-in texts", [] {}},
      {"finished install",
       [&form] {
         form.Label8.Caption = form.MessageLine(setup::Msg::kInstallationFinished);
         form.Mess.Caption = form.MessageLine(setup::Msg::kCopyingFiles);
       }},
      {"longest step",
       [&form] { form.Mess.Caption = form.MessageLine(setup::Msg::kCreatingGroup); }},
      {"picked folder", [&picker] { picker.dirtreeChange("C:\\Program Files\\Common Files"); }},
  };
  for (const auto& [name, change] : states) {
    change();
    form.Ui().ProcessMessages();
    EXPECT_EQ(misfits(), std::vector<std::string>{}) << name;
  }
}
