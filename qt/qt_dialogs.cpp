#include "qt_dialogs.h"

#include "search_address_dialog.h"

#include "login_dialog.h"

#include "dialog_layout.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QShowEvent>
#include <QTimer>

namespace tessavue {
namespace {

QColor FromColorRef(unsigned bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

unsigned gDialogBackground = kDialogBackground;
unsigned gDialogText = kDialogText;
bool gDialogColorsSet = false;

QString TextOf(const DialogControl& control) {
  return QString::fromUtf8(control.text.data(), static_cast<qsizetype>(control.text.size()));
}

QRect RectOf(const DialogUnits& du, const DialogControl& control) {
  return du.Rect(control.x, control.y, control.cx, control.cy);
}

QLabel* Static(const DialogControl& control, const DialogUnits& du, QWidget* parent) {
  const QString text = TextOf(control);
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The template's width holds its text; the line gets the height of the
  // font, whose descenders a template height of 8 units may cut.
  QRect r = RectOf(du, control);
  r.setHeight(std::max(r.height(), label->fontMetrics().height()));
  label->setGeometry(r);
  label->raise();
  return label;
}

// The label of control `id`, tied to the widget that stands for it.
QLabel* LabelFor(const DialogTemplate& dialog, std::string_view id, QWidget* buddy,
                 const DialogUnits& du, QWidget* parent) {
  QLabel* label = Static(LabelOf(dialog, id), du, parent);
  label->setBuddy(buddy);
  return label;
}

QGroupBox* Group(const DialogControl& control, const DialogUnits& du, QWidget* parent) {
  auto* group = new QGroupBox(TextOf(control), parent);
  group->setGeometry(RectOf(du, control));
  group->setFocusPolicy(Qt::NoFocus);
  // As a Windows group box: an etched frame whose top line runs through the
  // caption, the caption on the dialog's face.
  const QColor face = FromColorRef(gDialogBackground);
  group->setStyleSheet(
      QStringLiteral("QGroupBox { border: 1px solid rgba(255, 255, 255, 150); border-radius: 0px;"
                     " margin-top: %1px; }"
                     "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                     " left: 6px; padding: 0px 2px; background-color: %2; color: %3; }")
          .arg(group->fontMetrics().height() / 2)
          .arg(face.name(), FromColorRef(gDialogText).name()));
  return group;
}

template <typename Widget>
Widget* Place(Widget* widget, const DialogUnits& du, const DialogTemplate& dialog,
              std::string_view id) {
  widget->setGeometry(RectOf(du, FindControl(dialog, id)));
  return widget;
}

// A drop-down list's template height includes its open list; closed it is
// one line high.
void PlaceDropDown(QtComboBox* combo, const DialogUnits& du, const DialogTemplate& dialog,
                   std::string_view id) {
  const QRect rect = RectOf(du, FindControl(dialog, id));
  combo->setGeometry(rect.x(), rect.y(), rect.width(),
                     std::min(rect.height(), combo->sizeHint().height()));
}

QtButton* PushButton(const DialogTemplate& dialog, std::string_view id, const DialogUnits& du,
                     QWidget* parent) {
  const DialogControl& control = FindControl(dialog, id);
  auto* button = new QtButton(TextOf(control), parent);
  button->setGeometry(RectOf(du, control));
  return button;
}

// A dialog's caption, font and size, from its template.
DialogUnits StartDialog(QDialog& dialog, const DialogTemplate& layout) {
  dialog.setWindowTitle(
      QString::fromUtf8(layout.caption.data(), static_cast<qsizetype>(layout.caption.size())));
  dialog.setFont(DialogFont(layout.fontPoints));
  DialogUnits du(dialog.font());
  dialog.setFixedSize(du.Rect(0, 0, layout.cx, layout.cy).size());
  return du;
}

}  // namespace

// --- dialog units, font and colours ---

DialogUnits::DialogUnits(const QFont& font) {
  QFontMetrics fm(font);
  int cx =
      fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  baseX = std::max(1, (cx / 26 + 1) / 2);
  baseY = std::max(1, fm.height());
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
  auto sx = [this](int v) { return (v * baseX + 2) / 4; };
  auto sy = [this](int v) { return (v * baseY + 4) / 8; };
  return QRect(sx(x), sy(y), sx(width), sy(height));
}

QFont DialogFont(int points) {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(points);
  return font;
}

void SetDialogColors(unsigned background, unsigned text) {
  gDialogBackground = background;
  gDialogText = text;
  gDialogColorsSet = true;
}

void ApplyDialogColors(QWidget* dialog) {
  if (!gDialogColorsSet) return;
  QPalette p = dialog->palette();
  p.setColor(QPalette::Window, FromColorRef(gDialogBackground));
  p.setColor(QPalette::WindowText, FromColorRef(gDialogText));
  dialog->setPalette(p);
  // Buttons, lists, drop-down lists and fields keep the system's colours;
  // only the dialog's face and its texts take the program's.
  const QPalette system = QApplication::palette();
  for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const bool control = qobject_cast<QAbstractButton*>(child) ||
                         qobject_cast<QAbstractItemView*>(child) ||
                         qobject_cast<QComboBox*>(child) || qobject_cast<QLineEdit*>(child) ||
                         dynamic_cast<QtIpAddressEdit*>(child);
    if (!control) continue;
    QPalette cp = child->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
      for (auto role : {QPalette::Window, QPalette::WindowText})
        cp.setColor(group, role, system.color(group, role));
    child->setPalette(cp);
  }
  // A message box keeps its buttons in a box of their own.
  for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
    QPalette cp = button->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
      for (auto role : {QPalette::Window, QPalette::WindowText})
        cp.setColor(group, role, system.color(group, role));
    button->setPalette(cp);
  }
  dialog->setAutoFillBackground(true);
}

// --- About box ---

QtAboutBox::QtAboutBox(QWidget* parent) : QDialog(parent) {
  const DialogTemplate& layout = rc::IDD_ABOUTBOX;
  const DialogUnits du = StartDialog(*this, layout);
  auto* icon = new QLabel(this);
  // An icon takes its own size, whatever the template says.
  icon->setGeometry(QRect(RectOf(du, FirstOfKind(layout, "ICON")).topLeft(), QSize(32, 32)));
  icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
  // No prefix processing: an ampersand shows as itself.
  Static(FirstOfKind(layout, "LTEXT"), du, this);
  auto* ok = PushButton(layout, "IDOK", du, this);
  ok->setAutoDefault(true);
  ok->setDefault(true);
  ok->setObjectName(QStringLiteral("okButton"));
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  ApplyDialogColors(this);
}

// --- Login ---

QtLoginWindow::QtLoginWindow(LoginDialogLogic& logic, QWidget* parent)
    : QDialog(parent), logic_(logic) {
  const DialogTemplate& layout = rc::IDD_LOGIN;
  const DialogUnits du = StartDialog(*this, layout);
  Static(LabelOf(layout, "IDC_USERNAME"), du, this);
  userNameEdit = Place(new QtEditControl(this), du, layout, "IDC_USERNAME");
  Static(LabelOf(layout, "IDC_PASSWORD"), du, this);
  passwordEdit = Place(new QtEditControl(this), du, layout, "IDC_PASSWORD");
  passwordEdit->setEchoMode(QLineEdit::Password);
  userNameEdit->setAccessibleName(TextOf(LabelOf(layout, "IDC_USERNAME")));
  passwordEdit->setAccessibleName(TextOf(LabelOf(layout, "IDC_PASSWORD")));
  userNameEdit->setMaxLength(kLoginTextLimit);
  passwordEdit->setMaxLength(kLoginTextLimit);
  const DialogControl& remember = FindControl(layout, "IDC_REMEMBER_PASSWORD");
  rememberBox = Place(new QtCheckBox(TextOf(remember), this), du, layout, "IDC_REMEMBER_PASSWORD");
  okButton = PushButton(layout, "IDOK", du, this);
  cancelButton = PushButton(layout, "IDCANCEL", du, this);
  userNameEdit->setObjectName(QStringLiteral("userNameEdit"));
  passwordEdit->setObjectName(QStringLiteral("passwordEdit"));
  rememberBox->setObjectName(QStringLiteral("rememberBox"));
  okButton->setObjectName(QStringLiteral("okButton"));
  cancelButton->setObjectName(QStringLiteral("cancelButton"));
  // Enter presses the focused button, else "OK".
  okButton->setAutoDefault(true);
  cancelButton->setAutoDefault(true);
  okButton->setDefault(true);
  connect(okButton, &QPushButton::clicked, this, [this] {
    ended_ = true;
    QDialog::done(logic_.OnOK());
  });
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  ApplyDialogColors(this);
  logic_.OnInitDialog(*userNameEdit, *passwordEdit, *rememberBox);
  (userNameEdit->isEnabled() ? userNameEdit : passwordEdit)->setFocus(Qt::OtherFocusReason);
}

void QtLoginWindow::done(int result) {
  if (ended_) {
    QDialog::done(result);
    return;
  }
  // "Cancel", Escape and the close box: the credentials stay as they were.
  ended_ = true;
  QDialog::done(logic_.OnCancel());
}

QtSearchAddressWindow::QtSearchAddressWindow(AddressPrompts& logic, QWidget* parent)
    : QDialog(parent), logic_(logic) {
  const DialogTemplate& layout = rc::IDD_SEARCH_ADDRESS;
  const DialogUnits du = StartDialog(*this, layout);
  Static(LabelOf(layout, "IDC_SEARCH_ADDRESS"), du, this);
  addressField = Place(new QtIpAddressEdit(this), du, layout, "IDC_SEARCH_ADDRESS");
  addressField->SetAccessibleLabel(TextOf(LabelOf(layout, "IDC_SEARCH_ADDRESS")));
  Static(LabelOf(layout, "IDC_SEARCH_PREFIX"), du, this);
  prefixField = Place(new QtEditControl(this), du, layout, "IDC_SEARCH_PREFIX");
  prefixField->setAccessibleName(QStringLiteral("Subnet prefix length"));
  okButton = PushButton(layout, "IDOK", du, this);
  cancelButton = PushButton(layout, "IDCANCEL", du, this);
  addressField->setObjectName(QStringLiteral("addressField"));
  prefixField->setObjectName(QStringLiteral("prefixField"));
  okButton->setObjectName(QStringLiteral("okButton"));
  cancelButton->setObjectName(QStringLiteral("cancelButton"));
  okButton->setAutoDefault(true);
  cancelButton->setAutoDefault(true);
  okButton->setDefault(true);
  connect(okButton, &QPushButton::clicked, this, [this] {
    // A refused address: the logic has said why, and the dialog stays.
    const int result = logic_.OnOK();
    if (result == 0) {
      addressField->field(0)->setFocus(Qt::OtherFocusReason);
      return;
    }
    ended_ = true;
    QDialog::done(result);
  });
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  ApplyDialogColors(this);
  logic_.OnInitDialog(*addressField);
  logic_.OnInitPrefix(*prefixField);
  addressField->field(0)->setFocus(Qt::OtherFocusReason);
}

void QtSearchAddressWindow::done(int result) {
  if (ended_) {
    QDialog::done(result);
    return;
  }
  ended_ = true;
  QDialog::done(logic_.OnCancel());
}

// --- main window ---

QtMainWindow::QtMainWindow(UtilityApp& app, QWidget* parent) : QDialog(parent), app_(app) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  CreateControls(StartDialog(*this, rc::IDD_TESSAVUE_DIALOG));
  logic_ = std::make_unique<MainDialog>(
      app_.protocol, app_.drives, app_.services(), *this,
      MainDialogControls{*configurationButton, *disconnectButton, *connectButton, *dhcpCombo,
                         *driveCombo, *shareList, *deviceList, *refreshButton, *ipAddress,
                         *netmaskAddress, *gatewayAddress});
  ConnectHandlers();
  ApplyDialogColors(this);
}

// The controls of the main window's template, where the template puts them.
void QtMainWindow::CreateControls(const DialogUnits& du) {
  const DialogTemplate& layout = rc::IDD_TESSAVUE_DIALOG;
  // The group boxes go first so that the controls inside them lie on top.
  for (const DialogControl& control : layout.controls)
    if (control.kind == "GROUPBOX") Group(control, du, this);

  // The controls in the template's tab order.
  deviceList = Place(new QtListView(this), du, layout, "IDC_DEVICE_LIST");
  refreshButton = PushButton(layout, "IDC_REFRESH", du, this);
  configurationButton = PushButton(layout, "IDC_CONFIGURATION", du, this);
  ipAddress = Place(new QtIpAddressEdit(this), du, layout, "IDC_IPADDRESS");
  netmaskAddress = Place(new QtIpAddressEdit(this), du, layout, "IDC_NETMASK");
  gatewayAddress = Place(new QtIpAddressEdit(this), du, layout, "IDC_GATEWAY");
  applyButton = PushButton(layout, "IDC_APPLY", du, this);
  shareList = Place(new QtListView(this), du, layout, "IDC_SHARE_LIST");
  connectButton = PushButton(layout, "IDC_CONNECT", du, this);
  disconnectButton = PushButton(layout, "IDC_DISCONNECT", du, this);
  exitButton = PushButton(layout, "IDC_EXIT", du, this);
  // A label is tied to its control (the label relation, which Linux screen
  // readers read for a drop-down list, whose name there is its text).
  LabelFor(layout, "IDC_IPADDRESS", ipAddress, du, this);
  LabelFor(layout, "IDC_NETMASK", netmaskAddress, du, this);
  LabelFor(layout, "IDC_GATEWAY", gatewayAddress, du, this);
  driveCombo = new QtComboBox(true, this);
  dhcpCombo = new QtComboBox(true, this);
  PlaceDropDown(driveCombo, du, layout, "IDC_DRIVE_COMBO");
  PlaceDropDown(dhcpCombo, du, layout, "IDC_DHCP_COMBO");
  LabelFor(layout, "IDC_DHCP_COMBO", dhcpCombo, du, this);
  LabelFor(layout, "IDC_DRIVE_COMBO", driveCombo, du, this);
  aboutButton = PushButton(layout, "IDC_ABOUT", du, this);
  NameControls();
}

// What a screen reader says for each control: its label, or (the list
// views, which have none) the template's window text; the buttons speak
// their captions.
void QtMainWindow::NameControls() {
  const DialogTemplate& layout = rc::IDD_TESSAVUE_DIALOG;
  deviceList->setAccessibleName(TextOf(FindControl(layout, "IDC_DEVICE_LIST")));
  shareList->setAccessibleName(TextOf(FindControl(layout, "IDC_SHARE_LIST")));
  ipAddress->SetAccessibleLabel(TextOf(LabelOf(layout, "IDC_IPADDRESS")));
  netmaskAddress->SetAccessibleLabel(TextOf(LabelOf(layout, "IDC_NETMASK")));
  gatewayAddress->SetAccessibleLabel(TextOf(LabelOf(layout, "IDC_GATEWAY")));
  dhcpCombo->setAccessibleName(TextOf(LabelOf(layout, "IDC_DHCP_COMBO")));
  driveCombo->setAccessibleName(TextOf(LabelOf(layout, "IDC_DRIVE_COMBO")));

  // Object names, for style sheets and for tools that find a control.
  const std::pair<QWidget*, const char*> named[] = {{deviceList, "deviceList"},
                                                    {refreshButton, "refreshButton"},
                                                    {configurationButton, "configurationButton"},
                                                    {ipAddress, "ipAddress"},
                                                    {netmaskAddress, "netmaskAddress"},
                                                    {gatewayAddress, "gatewayAddress"},
                                                    {applyButton, "applyButton"},
                                                    {shareList, "shareList"},
                                                    {connectButton, "connectButton"},
                                                    {disconnectButton, "disconnectButton"},
                                                    {exitButton, "exitButton"},
                                                    {driveCombo, "driveCombo"},
                                                    {dhcpCombo, "dhcpCombo"},
                                                    {aboutButton, "aboutButton"}};
  for (const auto& [control, name] : named) control->setObjectName(QLatin1String(name));
}

void QtMainWindow::ConnectHandlers() {
  connect(refreshButton, &QPushButton::clicked, this, [this] { logic_->OnRefresh(); });
  connect(configurationButton, &QPushButton::clicked, this, [this] { logic_->OnConfiguration(); });
  connect(applyButton, &QPushButton::clicked, this, [this] { logic_->OnApply(); });
  connect(connectButton, &QPushButton::clicked, this, [this] { logic_->OnConnect(); });
  connect(disconnectButton, &QPushButton::clicked, this, [this] { logic_->OnDisconnect(); });
  connect(exitButton, &QPushButton::clicked, this, [this] { logic_->OnExit(); });
  connect(aboutButton, &QPushButton::clicked, this, [this] { logic_->OnAbout(); });
  deviceList->onClick = [this] { logic_->OnDeviceListClick(); };
  deviceList->onSelectionChange = [this] { logic_->OnDeviceListSelectionChange(); };
  firstSearchTimer_ = new QTimer(this);
  firstSearchTimer_->setSingleShot(true);
  connect(firstSearchTimer_, &QTimer::timeout, this, [this] {
    if (!destroyed_) logic_->OnWindowShown();
  });
  dhcpCombo->onSelChange = [this] { logic_->OnDhcpModeChange(); };
}

QtMainWindow::~QtMainWindow() {
  if (waitDepth_ == 0) return;
  qApp->removeEventFilter(this);
  QApplication::restoreOverrideCursor();
}

void QtMainWindow::InitDialog() {
  if (initialised_) return;
  initialised_ = true;
  logic_->OnInitDialog();
}

int QtMainWindow::Run() {
  // The window shows with its drive list; the first search starts once it
  // is painted, or after a second where the window system never has it
  // painted (started minimised).
  InitDialog();
  firstSearchTimer_->start(1000);
  return exec();
}

void QtMainWindow::SystemCommand(unsigned commandId) { logic_->OnSysCommand(commandId); }

void QtMainWindow::MessageBox(const std::string& text, const std::string& caption,
                              MessageIcon icon) {
  QMessageBox::Icon qtIcon = icon == MessageIcon::Stop          ? QMessageBox::Critical
                             : icon == MessageIcon::Exclamation ? QMessageBox::Warning
                                                                : QMessageBox::Information;
  QMessageBox box(qtIcon, ToQt(caption), ToQt(text), QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  ApplyDialogColors(&box);
  box.exec();
}

int QtMainWindow::RunLoginDialog(LoginDialogLogic& dialog) {
  QtLoginWindow login(dialog, this);
  return login.exec();
}

void QtMainWindow::RunAboutDialog() {
  QtAboutBox about(this);
  about.exec();
}

bool QtMainWindow::AddSystemMenuAbout(const std::string& text) {
  // Linux window managers keep their window menus to themselves: the entry
  // goes into the window's own context menu instead.
  aboutMenuText_ = ToQt(text);
  return true;
}

bool QtMainWindow::AddSystemMenuEntry(const std::string& text, unsigned commandId) {
  menuEntries_.emplace_back(ToQt(text), commandId);
  return true;
}

int QtMainWindow::RunSearchAtAddressDialog(AddressPrompts& dialog) {
  QtSearchAddressWindow window(dialog, this);
  return window.exec();
}

void QtMainWindow::DestroyWindow() { done(0); }

// --- timers ---

void QtMainWindow::StartTimer(int timerId, int milliseconds, bool repeating,
                              TimerHandler& handler) {
  QTimer*& timer = timers_[timerId];
  if (timer == nullptr) timer = new QTimer(this);
  timer->disconnect();
  timer->setSingleShot(!repeating);
  connect(timer, &QTimer::timeout, this, [&handler, timerId] { handler.TimerFired(timerId); });
  timer->start(milliseconds);
}

void QtMainWindow::StopTimer(int timerId) {
  auto found = timers_.find(timerId);
  if (found != timers_.end()) found->second->stop();
}

bool QtMainWindow::SelectionKeyHeld() const { return deviceList->KeyHeld(); }

// --- waits ---

namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Close: return true;
    default: return false;
  }
}

}  // namespace

void QtMainWindow::WaitBegins() {
  if (waitDepth_++ > 0) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  qApp->installEventFilter(this);
}

void QtMainWindow::KeepAlive() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool QtMainWindow::Waiting() const { return waitDepth_ > 0; }

void QtMainWindow::WaitEnds() {
  if (waitDepth_ == 0 || --waitDepth_ > 0) return;
  // What the user did during the wait was held back by the window system;
  // it arrives now, while the filter still throws it away.
  ++waitDepth_;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  --waitDepth_;
  qApp->removeEventFilter(this);
  QApplication::restoreOverrideCursor();
}

bool QtMainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (waitDepth_ > 0 && watched->isWidgetType() && IsUserInput(event->type()) &&
      static_cast<QWidget*>(watched)->window() == this) {
    event->ignore();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void QtMainWindow::closeEvent(QCloseEvent* event) {
  // Not while a handler runs (it may be asking the user something).
  if (!logic_->MayClose()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void QtMainWindow::done(int result) {
  // Enter and Escape end the window as the close box does: not while a
  // handler runs.
  if (!destroyed_ && !logic_->MayClose()) return;
  if (!destroyed_) {
    destroyed_ = true;
    logic_->OnDestroy();
  }
  QDialog::done(result);
}

// The Windows program rebuilds the drive list and the share list on every
// WM_PAINT, so that mappings made outside it show up. A Qt paintEvent is no
// place for that (it comes at any moment and must only draw), so the same
// work runs when the window is shown, activated or restored from being
// minimised: the moments at which the Windows window gets painted anew after
// the user has been elsewhere.
void QtMainWindow::Repaint() {
  if (initialised_ && !destroyed_) logic_->RescanDrives();
}

bool QtMainWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) Repaint();
  const bool firstPaint = event->type() == QEvent::Paint && initialised_ && !searchQueued_;
  const bool result = QDialog::event(event);
  if (firstPaint) {
    // The window's first picture goes to the screen as this paint ends; the
    // first search follows it.
    searchQueued_ = true;
    firstSearchTimer_->start(0);
  }
  return result;
}

void QtMainWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) Repaint();
}

void QtMainWindow::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) {
    auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if ((change->oldState() & Qt::WindowMinimized) && !isMinimized()) Repaint();
  }
}

void QtMainWindow::keyPressEvent(QKeyEvent* event) {
  // As in a Windows dialog: Enter presses the focused push button, and
  // anywhere else ends the dialog (IDOK); Escape ends it too.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
      if (button->isEnabled()) button->click();
    } else {
      accept();
    }
    return;
  }
  QDialog::keyPressEvent(event);
}

void QtMainWindow::contextMenuEvent(QContextMenuEvent* event) {
  if (aboutMenuText_.isEmpty()) return;
  QMenu menu(this);
  QAction* about = menu.addAction(aboutMenuText_);
  about->setData(kIdmAboutBox);
  for (const auto& [text, command] : menuEntries_) menu.addAction(text)->setData(command);
  if (QAction* chosen = menu.exec(event->globalPos())) SystemCommand(chosen->data().toUInt());
}

// --- start-up ---

void QtAppPlatform::SetDialogColors(unsigned background, unsigned text) {
  tessavue::SetDialogColors(background, text);
}

void QtAppPlatform::RunMainDialog(UtilityApp& app) {
  QtMainWindow window(app);
  window.Run();
}

}  // namespace tessavue
