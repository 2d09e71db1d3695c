// The Qt window and its dialogs against the Windows resource script: each
// template control is a widget at the template's place, with its text, and
// no widget stands where the template has nothing.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTreeWidget>
#include <cstdio>
#include <QLabel>
#include <QPushButton>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "qt_window_fixture.h"
#include "rc_dialogs.h"

namespace tessavue {
namespace {

const RcDialog& Template(const std::string& name) {
  static const std::vector<RcDialog> dialogs = [] {
    std::ifstream in(TESSAVUE_RC_PATH);
    std::stringstream script;
    script << in.rdbuf();
    return ParseRcDialogs(script.str());
  }();
  for (const RcDialog& dialog : dialogs)
    if (dialog.name == name) return dialog;
  throw std::logic_error("no template " + name);
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The direct child standing for a static control: a label with its text, a
// group box with its title, the icon (a label without text).
QWidget* StaticWidget(QDialog& dialog, const RcControl& control) {
  for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    auto* label = qobject_cast<QLabel*>(child);
    auto* group = qobject_cast<QGroupBox*>(child);
    if (control.kind == "GROUPBOX" && group && group->title() == Q(control.text)) return child;
    if (control.kind == "ICON" && label && label->text().isEmpty()) return child;
    if (control.kind == "LTEXT" && label && label->text() == Q(control.text)) return child;
  }
  return nullptr;
}

void ExpectPlaced(const RcControl& control, QWidget* widget, const DialogUnits& du) {
  const QRect want = du.Rect(control.x, control.y, control.cx, control.cy);
  const QRect got = widget->geometry();
  if (control.kind == "LTEXT") {
    // A caption's line may be higher than the template's, for the font.
    EXPECT_EQ(got.topLeft(), want.topLeft());
    EXPECT_EQ(got.width(), want.width());
    EXPECT_GE(got.height(), want.height());
    EXPECT_EQ(qobject_cast<QLabel*>(widget)->text(), Q(control.text));
  } else if (control.kind == "ICON") {
    EXPECT_EQ(got.topLeft(), want.topLeft());
  } else if (control.kind == "COMBOBOX") {
    // Closed, a drop-down list is one line high, within its template height.
    EXPECT_EQ(QRect(got.x(), got.y(), got.width(), want.height()), want);
    EXPECT_LE(got.height(), want.height());
  } else {
    EXPECT_EQ(got, want);
  }
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    EXPECT_EQ(button->text(), Q(control.text));
  }
  if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    EXPECT_EQ(group->title(), Q(control.text));
  }
}

// Every control of `name` in `dialog`; `byId` names the widgets of the
// controls that have an identifier of their own.
void ExpectLayout(QDialog& dialog, const std::string& name,
                  const std::map<std::string, QWidget*>& byId) {
  const RcDialog& layout = Template(name);
  const DialogUnits du(dialog.font());
  EXPECT_EQ(dialog.windowTitle(), Q(layout.caption));
  EXPECT_EQ(dialog.font().family(), Q(layout.fontFace));
  EXPECT_EQ(dialog.font().pointSize(), layout.fontPoints);
  EXPECT_EQ(dialog.size(), du.Rect(0, 0, layout.cx, layout.cy).size());
  std::set<QWidget*> seen;
  for (const RcControl& control : layout.controls) {
    SCOPED_TRACE(name + " " + control.kind + " " + control.id + " \"" + control.text + "\"");
    const auto it = byId.find(control.id);
    QWidget* widget = it != byId.end() ? it->second : StaticWidget(dialog, control);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget(), &dialog);
    EXPECT_TRUE(seen.insert(widget).second) << "two controls on one widget";
    ExpectPlaced(control, widget, du);
  }
  const auto children = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  EXPECT_EQ(std::set<QWidget*>(children.begin(), children.end()), seen) << name;
}

class QtLayoutTest : public QtWindowFixture {};

TEST_F(QtLayoutTest, MainWindowHasEveryControlOfItsTemplateWhereTheTemplatePutsIt) {
  ExpectLayout(w(), "IDD_TESSAVUE_DIALOG",
               {{"IDC_DEVICE_LIST", ui().deviceList},
                {"IDC_REFRESH", ui().refreshButton},
                {"IDC_CONFIGURATION", ui().configurationButton},
                {"IDC_IPADDRESS", ui().ipAddress},
                {"IDC_NETMASK", ui().netmaskAddress},
                {"IDC_GATEWAY", ui().gatewayAddress},
                {"IDC_APPLY", ui().applyButton},
                {"IDC_SHARE_LIST", ui().shareList},
                {"IDC_CONNECT", ui().connectButton},
                {"IDC_DISCONNECT", ui().disconnectButton},
                {"IDC_EXIT", ui().exitButton},
                {"IDC_DRIVE_COMBO", ui().driveCombo},
                {"IDC_DHCP_COMBO", ui().dhcpCombo},
                {"IDC_ABOUT", ui().aboutButton}});
  // A screen reader names each control as Windows does: by the label just
  // before it in the template, a list view by its window text.
  EXPECT_EQ(ui().dhcpCombo->accessibleName(), "DHCP Client :");
  EXPECT_EQ(ui().driveCombo->accessibleName(), "Network Drive :");
  EXPECT_EQ(ui().deviceList->accessibleName(), "Server");
  EXPECT_EQ(ui().shareList->accessibleName(), "Link Info");
  for (auto* label : w().findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
    EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
}

struct NoLogin : LoginDialogLogic {
  void OnInitDialog(EditControl&, EditControl&, CheckBox&) override {}
  int OnOK() override { return 1; }
  int OnCancel() override { return 2; }
};

struct NoAddress : AddressPrompts {
  void OnInitDialog(IpAddressControl&) override {}
  int OnOK() override { return 1; }
  int OnCancel() override { return 2; }
};

TEST_F(QtLayoutTest, DialogsHaveEveryControlOfTheirTemplates) {
  NoLogin loginLogic;
  QtLoginWindow login(loginLogic, &w());
  ExpectLayout(login, "IDD_LOGIN",
               {{"IDC_USERNAME", LoginWindowControls(login).userNameEdit},
                {"IDC_PASSWORD", LoginWindowControls(login).passwordEdit},
                {"IDC_REMEMBER_PASSWORD", LoginWindowControls(login).rememberBox},
                {"IDOK", LoginWindowControls(login).okButton},
                {"IDCANCEL", LoginWindowControls(login).cancelButton}});
  EXPECT_EQ(LoginWindowControls(login).userNameEdit->accessibleName(), "User name :");
  EXPECT_EQ(LoginWindowControls(login).passwordEdit->accessibleName(), "Password :");
  EXPECT_EQ(LoginWindowControls(login).rememberBox->text(), "Remember password");

  NoAddress addressLogic;
  QtSearchAddressWindow search(addressLogic, &w());
  ExpectLayout(search, "IDD_SEARCH_ADDRESS",
               {{"IDC_SEARCH_ADDRESS", SearchAddressWindowControls(search).addressField},
                {"IDC_SEARCH_PREFIX", SearchAddressWindowControls(search).prefixField},
                {"IDOK", SearchAddressWindowControls(search).okButton},
                {"IDCANCEL", SearchAddressWindowControls(search).cancelButton}});

  QtAboutBox about(&w());
  ExpectLayout(about, "IDD_ABOUTBOX",
               {{"IDOK", about.findChild<QPushButton*>(QStringLiteral("okButton"))}});
}

// Every caption of `dialog` (static texts, push buttons, group box titles,
// list column headings) measured with its widget's font against the room the
// widget leaves for it; each is printed with its sizes.
void ExpectCaptionsWhole(QDialog& dialog, const char* name) {
  int checked = 0;
  auto check = [&](const QString& text, int needed, int room) {
    ++checked;
    std::printf("%s: \"%s\" needs %d, has %d\n", name, text.toUtf8().constData(), needed, room);
    EXPECT_LE(needed, room) << name << ": \"" << text.toStdString() << "\" is cut";
  };
  for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const QFontMetrics fm(child->font());
    QStyle* style = child->style();
    if (auto* label = qobject_cast<QLabel*>(child); label && !label->text().isEmpty()) {
      check(label->text(), fm.horizontalAdvance(label->text()), label->contentsRect().width());
    } else if (auto* button = qobject_cast<QPushButton*>(child)) {
      // The room inside the button's frame, where the style draws its text.
      QStyleOptionButton option;
      option.initFrom(button);
      option.text = button->text();
      check(button->text(), fm.horizontalAdvance(button->text()),
            style->subElementRect(QStyle::SE_PushButtonContents, &option, button).width());
    } else if (auto* group = qobject_cast<QGroupBox*>(child)) {
      QStyleOptionGroupBox option;
      option.initFrom(group);
      option.text = group->title();
      option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
      const QRect title =
          style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
      check(group->title(), fm.horizontalAdvance(group->title()),
            std::min(title.width(), group->width() - title.x()));
    } else if (auto* list = qobject_cast<QTreeWidget*>(child)) {
      QHeaderView* header = list->header();
      const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
      for (int i = 0; i < header->count(); ++i) {
        const QString heading = list->headerItem()->text(i);
        check(heading, QFontMetrics(header->font()).horizontalAdvance(heading) + 2 * margin,
              header->sectionSize(i));
      }
    }
  }
  EXPECT_GT(checked, 0) << name;
}

TEST_F(QtLayoutTest, EveryCaptionAndHeadingIsWhole) {
  ExpectCaptionsWhole(w(), "main window");
  NoLogin loginLogic;
  QtLoginWindow login(loginLogic, &w());
  ExpectCaptionsWhole(login, "Login");
  NoAddress addressLogic;
  QtSearchAddressWindow search(addressLogic, &w());
  ExpectCaptionsWhole(search, "Search at address");
  QtAboutBox about(&w());
  ExpectCaptionsWhole(about, "About box");
}

}  // namespace
}  // namespace tessavue
