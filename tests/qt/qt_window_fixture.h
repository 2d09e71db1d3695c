// The real Qt window on the offscreen platform over the demo world, shown and
// active: what the window tests and the wait tests both start from.
#pragma once

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QRect>
#include <QTest>
#include <memory>

#include "demo_world.h"
#include "memory_system.h"
#include "modal_driver.h"
#include "qt_dialogs.h"
#include "utility_app.h"
#include "window_controls.h"

namespace tessavue {

class QtWindowFixture : public ::testing::Test {
 protected:
  QtWindowFixture()
      : app_(world_.network, world_.clock, world_.connections, shell_, system_, world_.resolver) {
    // Linux names no Windows version: the Connect of the non-NT family.
    system_.SetVersion(0, 6, 1, 0);
    EXPECT_TRUE(app_.protocol.InitTransport());
    SetDialogColors(kDialogBackground, kDialogText);
    window_ = std::make_unique<QtMainWindow>(app_);
    window_->InitDialog();
    window_->show();
    window_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get(), 2000));
    // The first paint has started the first search; the tests begin after it.
    for (int i = 0; i < 500 && !(w().logic().FirstSearchDone() && !w().Waiting()); ++i)
      QTest::qWait(10);
    EXPECT_TRUE(w().logic().FirstSearchDone());
  }

  QtMainWindow& w() { return *window_; }
  // The window's controls, found as a user's tools find them.
  MainWindowControls& ui() {
    if (!ui_) ui_ = std::make_unique<MainWindowControls>(*window_);
    return *ui_;
  }
  // Opens the window's context menu and chooses `entry` in it (none:
  // Escape); the menu's entries are then in modals_.menuEntries.
  void ContextMenu(QWidget& window, const QString& entry) {
    modals_.menuChoice = entry;
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5),
                           window.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&window, &menu);
  }
  void ContextMenu(const QString& entry) { ContextMenu(w(), entry); }
  void ClickRow(QtListView* list, int row) {
    QRect r = list->visualItemRect(list->topLevelItem(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
  }

  DemoWorld world_;
  MemorySystem system_;
  RecordingShell shell_;
  UtilityApp app_;
  std::unique_ptr<QtMainWindow> window_;
  std::unique_ptr<MainWindowControls> ui_;
  ModalDriver modals_;
};

}  // namespace tessavue
