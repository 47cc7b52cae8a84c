// The Windows resource script is written from the same template tables as the
// terminal UI lays out; the committed script must be exactly what they give.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/dialog_templates.h"
#include "app/resource_tables.h"
#include "tools/lib/dialog_script.h"

namespace {

TEST(DialogScript, CommittedScriptIsWrittenFromTheTables) {
  std::ifstream in(QUILLON_SOURCE_DIR "/resources/dialogs.rc", std::ios::binary);
  ASSERT_TRUE(in) << "resources/dialogs.rc is missing";
  std::stringstream committed;
  committed << in.rdbuf();
  std::size_t count = 0;
  const ui::StringResource* strings = app::StringTable(&count);
  EXPECT_EQ(committed.str(), tools::DialogScript(app::AllDialogTemplates(), strings, count))
      << "the template tables changed: run make_rc resources/dialogs.rc";
}

TEST(DialogScript, QuotesAndBackslashesInTextsAreEscaped) {
  const ui::TemplateControl controls[] = {
      {7, ui::ControlKind::StaticText, u"Path \"C:\\x\"", 1, 2, 3, 4},
  };
  const ui::DialogTemplate t{5, u"A \"B\"", 10, 20, controls, 1, 0};
  const ui::StringResource strings[] = {{9, u"a\\b"}};
  const std::string script = tools::DialogScript({&t}, strings, 1);
  EXPECT_NE(script.find("CAPTION \"A \"\"B\"\"\""), std::string::npos) << script;
  EXPECT_NE(script.find("\"Path \"\"C:\\\\x\"\"\", 7, 1, 2, 3, 4"), std::string::npos) << script;
  EXPECT_NE(script.find("9, \"a\\\\b\""), std::string::npos) << script;
}

}  // namespace
