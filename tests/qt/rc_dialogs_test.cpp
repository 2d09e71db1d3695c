// The reader of the resource script's dialog templates: what the Qt window's
// layout is generated from at build time.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "rc_dialogs.h"

namespace tessavue {
namespace {

std::string ReadScript() {
  std::ifstream in(TESSAVUE_RC_PATH);
  std::stringstream script;
  script << in.rdbuf();
  return script.str();
}

std::string ErrorOf(const std::string& script) {
  try {
    ParseRcDialogs(script);
  } catch (const RcParseError& e) {
    return e.what();
  }
  return "";
}

TEST(RcDialogsTest, ReadsTheProgramsTemplatesAndPassesOverTheOtherResources) {
  const std::vector<RcDialog> dialogs = ParseRcDialogs(ReadScript());
  std::vector<std::string> names;
  for (const RcDialog& d : dialogs) names.push_back(d.name);
  // The icon, string table, version information and manifest are no dialogs.
  EXPECT_EQ(names, (std::vector<std::string>{"IDD_TESSAVUE_DIALOG", "IDD_ABOUTBOX", "IDD_LOGIN",
                                             "IDD_SEARCH_ADDRESS"}));
  const RcDialog& main = dialogs[0];
  EXPECT_EQ(main.caption, "Quillon Tessavue");
  EXPECT_EQ(main.fontFace, "Arial");
  EXPECT_EQ(main.fontPoints, 8);
  EXPECT_EQ(std::vector<int>({main.x, main.y, main.cx, main.cy}),
            std::vector<int>({0, 0, 281, 231}));
  ASSERT_EQ(main.controls.size(), 22u);
  const RcControl& list = main.controls[0];  // CONTROL text, id, class, style, rect
  EXPECT_EQ(list.kind, "CONTROL");
  EXPECT_EQ(list.text, "Server");
  EXPECT_EQ(list.id, "IDC_DEVICE_LIST");
  EXPECT_EQ(list.className, "SysListView32");
  EXPECT_EQ(list.style, "LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP");
  const RcControl& refresh = main.controls[1];
  EXPECT_EQ(refresh.text, "Refresh");
  EXPECT_EQ(std::vector<int>({refresh.x, refresh.y, refresh.cx, refresh.cy}),
            std::vector<int>({228, 32, 45, 14}));
  // COMBOBOX id, rect, style, extended style: the style is the control's own.
  const RcControl& drive = main.controls[18];
  EXPECT_EQ(drive.id, "IDC_DRIVE_COMBO");
  EXPECT_EQ(drive.text, "");
  EXPECT_EQ(drive.style, "CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP");
  EXPECT_EQ(drive.cy, 110);
  // An icon's "text" is the icon resource's name.
  EXPECT_EQ(dialogs[1].controls[0].kind, "ICON");
  EXPECT_EQ(dialogs[1].controls[0].text, "IDR_MAINFRAME");
  EXPECT_EQ(dialogs[1].fontPoints, 9);
  EXPECT_EQ(dialogs[2].controls[3].style, "ES_PASSWORD | ES_AUTOHSCROLL");
}

TEST(RcDialogsTest, CommentsPreprocessorLinesQuotesAndNestedBlocks) {
  const auto dialogs = ParseRcDialogs(
      "#include <windows.h>\n"
      "#define X \"DIALOG\" 1, 2, 3, 4\n"
      "/* D DIALOG 0, 0, 1, 1 */\n"
      "1 VERSIONINFO\nFILEVERSION 1, 0, 0, 0\nBEGIN\n BLOCK \"a\"\n BEGIN\n"
      "  VALUE \"D DIALOG\", \"x\"\n END\nEND\n"
      "STRINGTABLE\nBEGIN\n 7 \"END\"\nEND\n"
      "D DIALOGEX 1, 2, 30, 40 // the one\n"
      "STYLE WS_POPUP|WS_CAPTION\nCAPTION \"Say \"\"hi\"\" \\\\ \\\"\"\n"
      "FONT 10, \"Tahoma\", 400, 0, 0x1\n"
      "{\n  LTEXT \"a,b\", -1, 1, 2, 3, 4\n"
      "  PUSHBUTTON \"OK\", IDOK, 5, -6, 7, 8, WS_GROUP | 0x10, WS_EX_TOPMOST\n}\n");
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].name, "D");
  EXPECT_EQ(dialogs[0].caption, "Say \"hi\" \\ \"");
  EXPECT_EQ(dialogs[0].fontFace, "Tahoma");
  EXPECT_EQ(dialogs[0].fontPoints, 10);
  ASSERT_EQ(dialogs[0].controls.size(), 2u);
  EXPECT_EQ(dialogs[0].controls[0].text, "a,b");
  EXPECT_EQ(dialogs[0].controls[0].id, "-1");
  EXPECT_EQ(dialogs[0].controls[1].y, -6);
  EXPECT_EQ(dialogs[0].controls[1].style, "WS_GROUP | 0x10");

  // The header keeps such texts intact as C++ literals.
  const std::string header = DialogLayoutHeader(dialogs);
  EXPECT_NE(header.find(R"("Say \"hi\" \\ \"")"), std::string::npos) << header;
  EXPECT_NE(header.find(R"({"PUSHBUTTON", "OK", "IDOK", "", "WS_GROUP | 0x10", 5, -6, 7, 8},)"),
            std::string::npos)
      << header;
  // A template without controls gets an empty table, not an empty array.
  const std::string empty = DialogLayoutHeader(ParseRcDialogs("E DIALOG 0, 0, 1, 1\nBEGIN\nEND\n"));
  EXPECT_NE(empty.find("E{\"E\", \"\", \"\", 0, 0, 0, 1, 1, std::span<const DialogControl>{}}"),
            std::string::npos)
      << empty;
}

TEST(RcDialogsTest, RejectsWhatItCannotPlaceAndNamesTheLine) {
  const std::string head = "D DIALOG 0, 0, 10, 10\nBEGIN\n";
  struct Case {
    std::string script, message;
  };
  for (const Case& c : std::vector<Case>{
           {head + "  PUSHBUTTON \"OK\", IDOK, 1, 2, 3, 4\n", "missing END of D"},
           {"D DIALOG 0, 0, 10, 10\nCAPTION \"x\"\n", "missing BEGIN of D"},
           {head + "  PUSHBUTTON \"OK\", IDOK, 1, 2, W, 4\nEND\n",
            "line 3: expected a number, not 'W'"},
           {head + "  PUSHBUTTON \"OK\", IDOK, 1, 2, 3 + 4, 4\nEND\n", "line 3: expected ','"},
           {head + "  PUSHBUTTON \"OK\", IDOK, 1, 2, 0x1G, 4\nEND\n", "line 3: not a number: 0x1G"},
           {head + "  PUSHBUTTON \"OK\" IDOK, 1, 2, 3, 4\nEND\n", "line 3: expected ','"},
           {head + "  PUSHBUTTON \"OK\", IDOK, 1, 2, 3\nEND\n", "line 4: expected ','"},
           {head + "  SLIDER \"x\", 5, 1, 2, 3, 4\nEND\n", "unknown control statement SLIDER"},
           {head + "  EDITTEXT 5, 1, 2, 3, 4, ES_LEFT, 0, 9\nEND\n", "too many arguments"},
           {head + "  LTEXT \"open, -1, 1, 2, 3, 4\nEND\n", "line 3: unterminated string"},
           {head + "  LTEXT \"a\", 7, 1, 2, 3, 4\n  LTEXT \"b\", 7, 1, 2, 3, 4\nEND\n",
            "line 4: 7 used twice in D"},
           {head + "END\n" + head + "END\n", "line 4: dialog D defined twice"},
           {"D DIALOG 0, 0, 10, 10\nMENU IDR_MENU\nBEGIN\nEND\n", "unknown dialog option MENU"},
           {"STRINGTABLE\nBEGIN\n 1 \"x\"\n", "line 2: BEGIN without END"},
           {"END\n", "line 1: END without BEGIN"},
           {"/* never closed\nD DIALOG 0, 0, 1, 1\n", "line 1: unterminated comment"},
       }) {
    const std::string error = ErrorOf(c.script);
    EXPECT_NE(error.find(c.message), std::string::npos)
        << c.script << "\n-> \"" << error << "\", want \"" << c.message << "\"";
  }
  // Static texts may share IDC_STATIC (and -1) as often as they like.
  EXPECT_EQ(ErrorOf(head + "  LTEXT \"a\", IDC_STATIC, 1, 2, 3, 4\n"
                           "  LTEXT \"b\", IDC_STATIC, 1, 2, 3, 4\n  ICON 1, -1, 1, 2, 3, 4\n"
                           "  ICON 1, -1, 1, 2, 3, 4\nEND\n"),
            "");
}

}  // namespace
}  // namespace tessavue
