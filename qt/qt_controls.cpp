#include "qt_controls.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QDateTime>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpressionValidator>
#include <QScrollBar>

namespace tessavue {

QString ToQt(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromQt(const QString& text) {
  QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QtButton::QtButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  // Enter is handled by the dialog as Windows does it (the focused button,
  // else the dialog ends); no button is Qt's default button.
  setAutoDefault(false);
}

// --- list view ---

QtListView::QtListView(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  // A report view scrolls by whole rows: the scroll position is the first
  // visible row.
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setColumnCount(0);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  header()->setSectionsClickable(false);
  header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // The selection stays shown when the list does not have the focus.
  QPalette p = palette();
  for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
    p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
  setPalette(p);
  connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
    // A mouse press changes the selection too; the click notification that
    // follows it speaks for the mouse.
    if (!mouseDown_ && onSelectionChange) onSelectionChange();
  });
}

void QtListView::SetFullRowSelect() {
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setAllColumnsShowFocus(true);
}

int QtListView::InsertColumn(int index, const std::string& heading, int widthPixels) {
  int count = columnCount();
  if (index < 0) return -1;
  if (index > count) index = count;
  QTreeWidgetItem* headerItem = this->headerItem();
  QStringList labels;
  for (int i = 0; i < count; ++i) labels << headerItem->text(i);
  std::vector<int> widths;
  widths.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) widths.push_back(header()->sectionSize(i));
  labels.insert(index, ToQt(heading));
  widths.insert(widths.begin() + index, widthPixels);
  setColumnCount(count + 1);
  setHeaderLabels(labels);
  for (int i = 0; i <= count; ++i) header()->resizeSection(i, widths[static_cast<std::size_t>(i)]);
  return index;
}

int QtListView::InsertItem(int row, const std::string& text) {
  if (row < 0) return -1;
  int count = topLevelItemCount();
  if (row > count) row = count;
  auto* item = new QTreeWidgetItem();
  item->setText(0, ToQt(text));
  insertTopLevelItem(row, item);
  return row;
}

bool QtListView::SetItemText(int row, int column, const std::string& text) {
  QTreeWidgetItem* item = topLevelItem(row);
  if (!item || column < 0 || column >= std::max(columnCount(), 1)) return false;
  item->setText(column, ToQt(text));
  return true;
}

std::string QtListView::GetItemText(int row, int column) const {
  QTreeWidgetItem* item = topLevelItem(row);
  if (!item || column < 0 || column >= columnCount()) return {};
  return FromQt(item->text(column));
}

void QtListView::DeleteAllItems() { clear(); }

int QtListView::GetTopIndex() const {
  if (topLevelItemCount() == 0) return 0;
  return std::min(verticalScrollBar()->value(), topLevelItemCount() - 1);
}

unsigned QtListView::GetItemState(int row, unsigned mask) const {
  QTreeWidgetItem* item = topLevelItem(row);
  if (!item) return 0;
  unsigned state = item->isSelected() ? kListItemSelected : 0;
  return state & mask;
}

bool QtListView::viewportEvent(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) mouseDown_ = true;
  bool handled = QTreeWidget::viewportEvent(event);
  if (type == QEvent::MouseButtonRelease) {
    mouseDown_ = static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton;
    if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && onClick) onClick();
  }
  return handled;
}

namespace {

// The longest a held key goes without a repeat: the delay before the first
// repeat (X's default is 660 ms) and some. A release that never reached the
// list (thrown away during a wait) stops counting after it.
constexpr qint64 kKeyRepeatGapMillis = 1000;

qint64 NowMillis() { return QDateTime::currentMSecsSinceEpoch(); }

}  // namespace

void QtListView::keyPressEvent(QKeyEvent* event) {
  heldKey_ = event->key();
  heldKeyMillis_ = NowMillis();
  // As a Windows list view: with no row selected, the first arrow key
  // selects the first row rather than the one after it.
  const bool arrow = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
  if (arrow && event->modifiers() == Qt::NoModifier && selectedItems().isEmpty() &&
      topLevelItemCount() > 0) {
    setCurrentItem(topLevelItem(0));
    event->accept();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void QtListView::keyReleaseEvent(QKeyEvent* event) {
  // A repeat comes as a release and a press, both marked as repeats.
  if (!event->isAutoRepeat() && event->key() == heldKey_) heldKey_ = 0;
  QTreeWidget::keyReleaseEvent(event);
}

void QtListView::focusOutEvent(QFocusEvent* event) {
  heldKey_ = 0;
  mouseDown_ = false;
  QTreeWidget::focusOutEvent(event);
}

bool QtListView::KeyHeld() const {
  return heldKey_ != 0 && NowMillis() - heldKeyMillis_ < kKeyRepeatGapMillis;
}

// --- combo box ---

namespace {

// What a screen reader reads of a drop-down list: its label as its name and
// the chosen item as its value. Qt's own interface on Linux gives the chosen
// item as the name too, so a list with a choice ("D:") would be announced by
// it and never by its label.
class ComboBoxAccessible : public QAccessibleWidget {
 public:
  explicit ComboBoxAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return combo()->currentText();
    return QAccessibleWidget::text(t);
  }
  // The open list of items, as Qt's own interface has it.
  int childCount() const override { return combo()->view() ? 1 : 0; }
  QAccessibleInterface* child(int index) const override {
    return index == 0 && combo()->view() ? QAccessible::queryAccessibleInterface(combo()->view())
                                         : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child && child->object() == combo()->view() ? 0 : -1;
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    s.expanded = combo()->view() && combo()->view()->isVisible();
    return s;
  }
  QStringList actionNames() const override {
    return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name == showMenuAction() || name == pressAction()) {
      combo()->showPopup();
    } else {
      QAccessibleWidget::doAction(name);
    }
  }

 private:
  QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* ComboBoxAccessibleFactory(const QString& className, QObject* object) {
  if (className != QLatin1String("QComboBox")) return nullptr;
  auto* combo = dynamic_cast<QtComboBox*>(object);
  return combo ? new ComboBoxAccessible(combo) : nullptr;
}

}  // namespace

QtComboBox::QtComboBox(bool sorted, QWidget* parent) : QComboBox(parent), sorted_(sorted) {
  static const bool factoryInstalled = [] {
    QAccessible::installFactory(ComboBoxAccessibleFactory);
    return true;
  }();
  (void)factoryInstalled;
  setEditable(false);
  connect(this, &QComboBox::activated, this, [this](int) {
    if (onSelChange) onSelChange();
  });
}

int QtComboBox::AddString(const std::string& text) {
  QString item = ToQt(text);
  int index = count();
  if (sorted_) {
    for (int i = 0; i < count(); ++i) {
      if (QString::compare(itemText(i), item, Qt::CaseInsensitive) > 0) {
        index = i;
        break;
      }
    }
  }
  // A drop-down list gains no selection by being filled.
  bool hadSelection = currentIndex() >= 0;
  insertItem(index, item);
  if (!hadSelection) setCurrentIndex(-1);
  return index;
}

void QtComboBox::SetCurSel(int index) {
  setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

std::string QtComboBox::GetLBText(int index) const {
  if (index < 0 || index >= count()) return {};
  return FromQt(itemText(index));
}

// --- IP address field ---

QtIpAddressEdit::QtIpAddressEdit(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  setFocusPolicy(Qt::StrongFocus);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 1, 2, 1);
  layout->setSpacing(0);
  static const QRegularExpression kDigits(QStringLiteral("[0-9]{0,3}"));
  for (int i = 0; i < 4; ++i) {
    auto* edit = new QLineEdit(this);
    edit->setFrame(false);
    edit->setAlignment(Qt::AlignCenter);
    edit->setMaxLength(3);
    edit->setValidator(new QRegularExpressionValidator(kDigits, edit));
    edit->installEventFilter(this);
    edit->setObjectName(QStringLiteral("octet%1").arg(i));
    connect(edit, &QLineEdit::textEdited, this, [this, i](const QString&) { OnEdited(i); });
    fields_[i] = edit;
    layout->addWidget(edit, 1);
    if (i < 3) {
      auto* dot = new QLabel(QStringLiteral("."), this);
      dot->setForegroundRole(QPalette::Text);
      dot->setAlignment(Qt::AlignCenter);
      dots_[i] = dot;
      layout->addWidget(dot, 0);
    }
  }
  setFocusProxy(fields_[0]);
  // As the Windows control: Tab enters at the first field and leaves from any
  // field; the dot and the arrow keys move between the fields.
  for (int i = 1; i < 4; ++i) fields_[i]->setFocusPolicy(Qt::ClickFocus);
}

void QtIpAddressEdit::SetAccessibleLabel(const QString& label) {
  setAccessibleName(label);
  for (int i = 0; i < 4; ++i) {
    fields_[i]->setAccessibleName(label);
    fields_[i]->setAccessibleDescription(QStringLiteral("field %1 of 4").arg(i + 1));
  }
}

bool QtIpAddressEdit::IsBlank() const {
  for (auto* f : fields_)
    if (!f->text().isEmpty()) return false;
  return true;
}

int QtIpAddressEdit::GetAddress(std::uint8_t fields[4]) const {
  int filled = 0;
  for (int i = 0; i < 4; ++i) {
    QString t = fields_[i]->text();
    if (t.isEmpty()) {
      fields[i] = 0;
      continue;
    }
    ++filled;
    fields[i] = static_cast<std::uint8_t>(std::min(t.toInt(), 255));
  }
  return filled;
}

void QtIpAddressEdit::SetAddress(const std::uint8_t fields[4]) {
  for (int i = 0; i < 4; ++i) fields_[i]->setText(QString::number(fields[i]));
}

void QtIpAddressEdit::ClearAddress() {
  for (auto* f : fields_) f->clear();
}

void QtIpAddressEdit::OnEdited(int index) {
  QLineEdit* edit = fields_[index];
  QString text = edit->text();
  if (!text.isEmpty() && text.toInt() > 255) edit->setText(QStringLiteral("255"));
  if (edit->text().size() == 3 && edit->cursorPosition() == 3 && index < 3)
    FocusField(index + 1, false);
}

void QtIpAddressEdit::FocusField(int index, bool atEnd) {
  QLineEdit* edit = fields_[index];
  edit->setFocus(Qt::OtherFocusReason);
  if (atEnd)
    edit->end(false);
  else
    edit->selectAll();
}

bool QtIpAddressEdit::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QFrame::eventFilter(watched, event);
  int index = -1;
  for (int i = 0; i < 4; ++i)
    if (watched == fields_[i]) index = i;
  if (index < 0) return QFrame::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  QLineEdit* edit = fields_[index];
  switch (key->key()) {
    case Qt::Key_Period:
    case Qt::Key_Space:
      // A dot ends the field (when it has something) and moves to the next.
      if (!edit->text().isEmpty() && index < 3) FocusField(index + 1, false);
      return true;
    case Qt::Key_Backspace:
      if (edit->cursorPosition() == 0 && !edit->hasSelectedText() && index > 0) {
        FocusField(index - 1, true);
        return true;
      }
      break;
    case Qt::Key_Left:
      if (edit->cursorPosition() == 0 && index > 0) {
        FocusField(index - 1, true);
        return true;
      }
      break;
    case Qt::Key_Right:
      if (edit->cursorPosition() == edit->text().size() && index < 3) {
        fields_[index + 1]->setFocus(Qt::OtherFocusReason);
        fields_[index + 1]->home(false);
        return true;
      }
      break;
    default: break;
  }
  return QFrame::eventFilter(watched, event);
}

void QtIpAddressEdit::changeEvent(QEvent* event) {
  // Greyed out as a whole, like the Windows control.
  if (event->type() == QEvent::EnabledChange)
    setBackgroundRole(isEnabled() ? QPalette::Base : QPalette::Button);
  QFrame::changeEvent(event);
}

}  // namespace tessavue
