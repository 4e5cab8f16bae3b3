#include "ui/qt/download_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

#include "about/about_content.h"
#include "kasumido/texts.h"
#include "ui/qt/about_dialog.h"
#include "ui/qt/glyphs.h"
#include "ui/qt/live_grab.h"
#include "ui/qt/main_icon.h"
#include "ui/qt/qt_text.h"

namespace kasumido {
namespace {

// The window's first geometry and its least size, in Qt widget geometry (client area).
constexpr QRect kFirstGeometry(168, 102, 368, 237);
constexpr QSize kMinimumSize(250, 150);
constexpr int kPanel1Height = 41;
constexpr int kPanel2Height = 26;
constexpr int kStatusBarHeight = 24;

std::size_t Index(RunButton button) { return static_cast<std::size_t>(button); }

std::vector<ScreenRect> AvailableScreens() {
  std::vector<ScreenRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect area = screen->availableGeometry();
    screens.push_back({area.x(), area.y(), area.x() + area.width(), area.y() + area.height()});
  }
  return screens;
}

QToolButton* MakeSpeedButton(QWidget* panel, const char* name, int left, Glyph glyph) {
  auto* button = new QToolButton(panel);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(left, 8, 23, 22);
  button->setIcon(MakeGlyph(glyph));
  button->setIconSize(QSize(kGlyphSize, kGlyphSize));
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

}  // namespace

DownloadWindow::DownloadWindow(std::string program_dir, std::string program_path)
    : program_path_(std::move(program_path)), placement_(program_dir) {
  setObjectName(QStringLiteral("FormDLL"));
  setWindowTitle(QStringFromSjis(texts::kWindowCaption));
  setWindowIcon(MainIcon());
  setFont(WindowFont());
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Button));
  setPalette(colours);
  setGeometry(kFirstGeometry);
  setMinimumSize(kMinimumSize);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(MakePanel1());
  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName(QStringLiteral("Memo1"));
  memo_->setReadOnly(true);
  memo_->setUndoRedoEnabled(false);
  layout->addWidget(memo_, 1);
  layout->addWidget(MakePanel2());
  status_bar_ = new QStatusBar(this);
  status_bar_->setObjectName(QStringLiteral("StatusBar1"));
  status_bar_->setFixedHeight(kStatusBarHeight);
  status_text_ = new QLabel(status_bar_);
  status_text_->setObjectName(QStringLiteral("StatusText"));
  status_bar_->addWidget(status_text_, 1);
  layout->addWidget(status_bar_);

  RestorePlacement();
}

DownloadWindow::~DownloadWindow() {
  if (!placement_saved_) SavePlacement();
}

QWidget* DownloadWindow::MakePanel1() {
  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setFixedHeight(kPanel1Height);
  phase_label_ = new QLabel(panel);
  phase_label_->setObjectName(QStringLiteral("Panel1Caption"));
  phase_label_->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(phase_label_);

  QToolButton* url = MakeSpeedButton(panel, "SpeedButtonURL", 304, Glyph::kHomePage);
  url->setToolTip(QStringFromSjis(texts::kHintOpenHomePage));
  connect(url, &QToolButton::clicked, this, [this] { RunHook(OnUrlClick, OnUnhandledException); });
  QToolButton* about = MakeSpeedButton(panel, "SpeedButtonAbout", 328, Glyph::kAbout);
  connect(about, &QToolButton::clicked, this, [this] {
    ShowAboutForm();
    RunHook(OnAboutClick, OnUnhandledException);
  });
  return panel;
}

QWidget* DownloadWindow::MakePanel2() {
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel2"));
  panel->setFixedHeight(kPanel2Height);
  run_buttons_[Index(RunButton::kPlay)] = MakeRunButton(panel, "ButtonPlay", 8, texts::kButtonPlay,
                                                        Glyph::kPlay, &DownloadWindow::OnPlayClick);
  run_buttons_[Index(RunButton::kSkip)] = MakeRunButton(panel, "ButtonSkip", 97, texts::kButtonSkip,
                                                        Glyph::kSkip, &DownloadWindow::OnSkipClick);
  run_buttons_[Index(RunButton::kStop)] = MakeRunButton(
      panel, "ButtonStop", 184, texts::kButtonStop, Glyph::kStop, &DownloadWindow::OnStopClick);
  run_buttons_[Index(RunButton::kPause)] = MakeRunButton(
      panel, "ButtonPause", 272, texts::kButtonPause, Glyph::kPause, &DownloadWindow::OnPauseClick);
  run_buttons_[Index(RunButton::kPlay)]->setEnabled(false);
  for (std::size_t i = 0; i + 1 < run_buttons_.size(); ++i) {
    setTabOrder(run_buttons_[i], run_buttons_[i + 1]);
  }
  return panel;
}

QPushButton* DownloadWindow::MakeRunButton(QWidget* panel, const char* name, int left,
                                           std::string_view caption, Glyph glyph,
                                           std::function<void()> DownloadWindow::*hook) {
  auto* button = new QPushButton(MakeGlyph(glyph), QStringFromSjis(caption), panel);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(left, 1, 81, 25);
  button->setIconSize(QSize(kGlyphSize, kGlyphSize));
  connect(button, &QPushButton::clicked, this,
          [this, hook] { RunHook(this->*hook, OnUnhandledException); });
  return button;
}

void DownloadWindow::SetPhaseCaption(std::string_view caption) {
  phase_caption_ = caption;
  phase_label_->setText(QStringFromSjis(caption));
}

void DownloadWindow::ClearTitles() {
  memo_->clear();
  has_titles_ = false;
}

void DownloadWindow::AddTitle(std::string_view title) {
  QString text = QStringFromSjis(title);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
  QTextCursor cursor(memo_->document());
  cursor.movePosition(QTextCursor::End);
  if (has_titles_) cursor.insertBlock();
  cursor.insertText(text);
  has_titles_ = true;
  memo_->verticalScrollBar()->setValue(memo_->verticalScrollBar()->maximum());
}

int DownloadWindow::TitleCount() const { return has_titles_ ? memo_->document()->blockCount() : 0; }

void DownloadWindow::SetStatusText(std::string_view text) {
  status_text_->setText(QStringFromSjis(text));
}

void DownloadWindow::SetStatusHint(std::string_view hint) {
  const QString text = QStringFromSjis(hint);
  status_bar_->setToolTip(text);
  status_text_->setToolTip(text);
}

void DownloadWindow::SetButtonEnabled(RunButton button, bool enabled) {
  run_buttons_[Index(button)]->setEnabled(enabled);
}

bool DownloadWindow::ButtonEnabled(RunButton button) const {
  return run_buttons_[Index(button)]->isEnabled();
}

void DownloadWindow::CloseView() { close(); }

void DownloadWindow::ShowAboutForm() {
  if (about_form_ == nullptr) {
    about_form_ =
        new AboutDialog(ReadAboutContent(program_path_), AboutRole::kOpenedFromWindow, this);
    about_form_->OnOpenLink = [this](const std::string& url) {
      if (OnOpenLink) OnOpenLink(url);
    };
    about_form_->OnUnhandledException = [this](const std::exception& error) {
      ReportException(error, OnUnhandledException);
    };
  }
  about_form_->show();
  about_form_->raise();
  about_form_->activateWindow();
}

bool DownloadWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) PostActivation();
  return QWidget::event(event);
}

void DownloadWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!shown_once_) {
    shown_once_ = true;
    GrabLaterIfAsked(*this, kGrabWindowVariable);
    PostActivation();
  }
}

void DownloadWindow::closeEvent(QCloseEvent* event) {
  RunHook(OnClose, OnUnhandledException);
  if (isVisible()) SavePlacement();
  event->accept();
}

void DownloadWindow::PostActivation() {
  QTimer::singleShot(0, this, [this] { RunHook(OnActivate, OnUnhandledException); });
}

void DownloadWindow::RestorePlacement() {
  placement_.SetActive(true);
  const std::optional<WindowPlacement> saved = placement_.Restore(AvailableScreens());
  if (!saved) return;
  const ScreenRect& normal = saved->normal;
  setGeometry(normal.left, normal.top, normal.Width(), normal.Height());
  // A window saved minimised or hidden comes back normal: the run must be seen.
  if (saved->show == ShowCommand::kMaximized) setWindowState(Qt::WindowMaximized);
}

void DownloadWindow::SavePlacement() {
  placement_saved_ = true;
  const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
  WindowPlacement placement;
  placement.normal = {normal.x(), normal.y(), normal.x() + normal.width(),
                      normal.y() + normal.height()};
  placement.show = isMaximized()   ? ShowCommand::kMaximized
                   : isMinimized() ? ShowCommand::kMinimized
                                   : ShowCommand::kNormal;
  placement.visible = isVisible();
  // A file that cannot be written keeps its old placement; the run is not disturbed.
  (void)placement_.Save(placement);
}

}  // namespace kasumido
