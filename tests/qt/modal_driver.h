// Answers the modal dialogs a Qt window opens during a test, as a user
// would, and notes what they showed.
#pragma once

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "qt_dialogs.h"
#include "window_controls.h"

namespace tessavue {

struct Shown {
  std::string kind;  // "message", "login", "about"
  std::string caption;
  std::string text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool userNameEnabled = false;
  std::string userName;
};

class ModalDriver {
 public:
  ModalDriver() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
  }
  // What to do with the next "Login" dialog.
  std::deque<std::function<void(QtLoginWindow&)>> logins;
  std::vector<Shown> shown;
  // What the "Search at address" dialog is given, one press of a button
  // each time it is in front: the address typed, then OK; "cancel" presses
  // Cancel. With none left, Cancel.
  std::deque<QString> addresses;
  // The entry chosen in the next popup menu; the menu's entries are noted.
  QString menuChoice;
  std::vector<std::string> menuEntries;

  static std::function<void(QtLoginWindow&)> Type(const QString& user, const QString& password) {
    return [user, password](QtLoginWindow& w) {
      auto* userName = Child<QtEditControl>(w, "userNameEdit");
      if (userName->isEnabled()) {
        userName->clear();
        QTest::keyClicks(userName, user);
      }
      QTest::keyClicks(Child<QtEditControl>(w, "passwordEdit"), password);
      QTest::mouseClick(Child<QtButton>(w, "okButton"), Qt::LeftButton);
    };
  }
  static std::function<void(QtLoginWindow&)> Cancel() {
    return [](QtLoginWindow& w) {
      QTest::mouseClick(Child<QtButton>(w, "cancelButton"), Qt::LeftButton);
    };
  }

 private:
  void Poll() {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
      QAction* chosen = nullptr;
      menuEntries.clear();
      for (QAction* a : menu->actions()) {
        menuEntries.push_back(a->text().toStdString());
        if (a->text() == menuChoice) chosen = a;
      }
      // Later, from outside this poll: the command may open a dialog.
      QTimer::singleShot(0, menu, [menu, chosen] {
        if (chosen) menu->setActiveAction(chosen);
        QTest::keyClick(menu, chosen ? Qt::Key_Return : Qt::Key_Escape);
      });
      return;
    }
    QWidget* w = QApplication::activeModalWidget();
    if (auto* search = dynamic_cast<QtSearchAddressWindow*>(w)) {
      if (!search->isVisible() || search->property("pressing").toBool()) return;
      shown.push_back({"search", search->windowTitle().toStdString(), {}, {}, false, {}});
      QString typed = addresses.empty() ? QStringLiteral("cancel") : addresses.front();
      if (!addresses.empty()) addresses.pop_front();
      search->setProperty("pressing", true);
      // The press comes from a timer of its own, so that this one still
      // answers the warning that OK may bring up.
      QTimer::singleShot(0, search, [search, typed] {
        if (typed == QStringLiteral("cancel")) {
          QTest::mouseClick(Child<QtButton>(*search, "cancelButton"), Qt::LeftButton);
          return;
        }
        auto* addressField = Child<QtIpAddressEdit>(*search, "addressField");
        auto* prefixField = Child<QtEditControl>(*search, "prefixField");
        addressField->ClearAddress();
        // "a.b.c.d/nn": the prefix typed into its own field.
        const QStringList address = typed.split('/');
        prefixField->clear();
        if (address.size() > 1) QTest::keyClicks(prefixField, address[1]);
        const QStringList parts = address[0].split('.');
        for (int i = 0; i < 4 && i < parts.size(); ++i) addressField->field(i)->setText(parts[i]);
        QTest::mouseClick(Child<QtButton>(*search, "okButton"), Qt::LeftButton);
        search->setProperty("pressing", false);
      });
      return;
    }
    // Each dialog is answered once (a new one may lie at the old address).
    if (!w || !w->isVisible() || w->property("answered").toBool()) return;
    w->setProperty("answered", true);
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
      shown.push_back({"message",
                       box->windowTitle().toStdString(),
                       box->text().toStdString(),
                       box->icon(),
                       false,
                       {}});
      box->button(QMessageBox::Ok)->click();
    } else if (auto* login = dynamic_cast<QtLoginWindow*>(w)) {
      auto* userName = Child<QtEditControl>(*login, "userNameEdit");
      shown.push_back({"login",
                       login->windowTitle().toStdString(),
                       {},
                       QMessageBox::NoIcon,
                       userName->isEnabled(),
                       userName->text().toStdString()});
      auto action = logins.empty() ? Cancel() : logins.front();
      if (!logins.empty()) logins.pop_front();
      action(*login);
    } else if (auto* about = dynamic_cast<QtAboutBox*>(w)) {
      std::string texts;
      for (auto* label : about->findChildren<QLabel*>()) texts += label->text().toStdString();
      shown.push_back(
          {"about", about->windowTitle().toStdString(), texts, QMessageBox::NoIcon, false, {}});
      QTest::mouseClick(about->findChild<QPushButton*>("okButton"), Qt::LeftButton);
    }
  }
  QTimer timer_;
};

}  // namespace tessavue
