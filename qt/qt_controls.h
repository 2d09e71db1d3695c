// Qt Widgets behind the control interfaces of controls.h. Each one
// behaves like the Windows common control the window logic was written for:
// a report list view with single selection that stays visible, a drop-down
// list that may be sorted and may have no selection, an IP-address field of
// four octets, a single-line edit.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>

#include "controls.h"

class QLabel;

namespace tessavue {

// Text crosses between the logic (8-bit, as the devices send it) and Qt as
// Latin-1, so that every byte comes back as it went in.
QString ToQt(const std::string& text);
std::string FromQt(const QString& text);

class QtButton : public QPushButton, public Button {
 public:
  QtButton(const QString& caption, QWidget* parent);
  void Enable(bool enabled) override { setEnabled(enabled); }
  bool IsEnabled() const override { return QWidget::isEnabled(); }
};

class QtCheckBox : public QCheckBox, public CheckBox {
 public:
  QtCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {}
  void Enable(bool enabled) override { setEnabled(enabled); }
  bool IsEnabled() const override { return QWidget::isEnabled(); }
  void SetCheck(bool checked) override { setChecked(checked); }
  bool GetCheck() const override { return isChecked(); }
  void Show(bool shown) override { setVisible(shown); }
  bool IsShown() const override { return !isHidden(); }
};

class QtListView : public QTreeWidget, public ListView {
 public:
  explicit QtListView(QWidget* parent);

  void Enable(bool enabled) override { setEnabled(enabled); }
  bool IsEnabled() const override { return QWidget::isEnabled(); }
  void SetFullRowSelect() override;
  int InsertColumn(int index, const std::string& heading, int widthPixels) override;
  int InsertItem(int row, const std::string& text) override;
  bool SetItemText(int row, int column, const std::string& text) override;
  std::string GetItemText(int row, int column) const override;
  void DeleteAllItems() override;
  int GetItemCount() const override { return topLevelItemCount(); }
  int GetTopIndex() const override;
  unsigned GetItemState(int row, unsigned mask) const override;
  void SetFocus() override { QWidget::setFocus(Qt::OtherFocusReason); }
  void Redraw() override { viewport()->update(); }
  void SetRedraw(bool on) override { setUpdatesEnabled(on); }

  // Called after a mouse click anywhere in the list, once the click has
  // changed the selection (the list's click notification).
  std::function<void()> onClick;
  // Called when the selected row changes other than by the mouse (the
  // keyboard: arrows, Home/End, the page keys, type-ahead).
  std::function<void()> onSelectionChange;
  // A key was pressed in the list and is still held (its repeat runs).
  bool KeyHeld() const;

 protected:
  bool viewportEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  bool mouseDown_ = false;
  int heldKey_ = 0;
  qint64 heldKeyMillis_ = 0;
};

class QtComboBox : public QComboBox, public ComboBox {
 public:
  QtComboBox(bool sorted, QWidget* parent);

  void Enable(bool enabled) override { setEnabled(enabled); }
  bool IsEnabled() const override { return QWidget::isEnabled(); }
  void ResetContent() override { clear(); }
  int AddString(const std::string& text) override;
  int GetCount() const override { return count(); }
  int GetCurSel() const override { return currentIndex(); }
  void SetCurSel(int index) override;
  std::string GetLBText(int index) const override;

  // Called when the user picks an item (not when the program sets one).
  std::function<void()> onSelChange;

 private:
  bool sorted_;
};

// Four octet fields with dots between them. A field takes digits only and
// at most 255 (a larger number becomes 255); three digits or a dot move on
// to the next field, Backspace in an empty field goes back.
class QtIpAddressEdit : public QFrame, public IpAddressControl {
 public:
  explicit QtIpAddressEdit(QWidget* parent);

  void Enable(bool enabled) override { setEnabled(enabled); }
  bool IsEnabled() const override { return QWidget::isEnabled(); }
  bool IsBlank() const override;
  int GetAddress(std::uint8_t fields[4]) const override;
  void SetAddress(const std::uint8_t fields[4]) override;
  void ClearAddress() override;

  QLineEdit* field(int index) const { return fields_[index]; }
  // The name a screen reader gives the control and each of its fields.
  void SetAccessibleLabel(const QString& label);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void OnEdited(int index);
  void FocusField(int index, bool atEnd);

  QLineEdit* fields_[4] = {};
  QLabel* dots_[3] = {};
};

class QtEditControl : public QLineEdit, public EditControl {
 public:
  explicit QtEditControl(QWidget* parent) : QLineEdit(parent) {}
  void Enable(bool enabled) override { setEnabled(enabled); }
  bool IsEnabled() const override { return QWidget::isEnabled(); }
  void SetText(const std::string& text) override { setText(ToQt(text)); }
  std::string GetText() const override { return FromQt(text()); }
  void SetLimitText(int characters) override { setMaxLength(characters); }
};

}  // namespace tessavue
