#include "ui/qt/about_dialog.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "ui/qt/link_label.h"
#include "ui/qt/live_grab.h"
#include "ui/qt/main_icon.h"
#include "ui/qt/qt_text.h"

namespace kasumido {
namespace {

constexpr int kClientWidth = 334;
constexpr int kClientHeight = 204;
const QColor kBackground(240, 251, 255);
const QColor kNavy(0, 0, 128);

}  // namespace

AboutDialog::AboutDialog(const AboutContent& content, AboutRole role, QWidget* parent)
    : QDialog(parent), role_(role) {
  setObjectName(QStringLiteral("AboutForm"));
  setWindowTitle(QStringFromSjis(content.caption));
  setWindowIcon(MainIcon());
  setFixedSize(kClientWidth, kClientHeight);
  setFont(WindowFont());
  QPalette colours = palette();
  colours.setColor(QPalette::Window, kBackground);
  colours.setColor(QPalette::WindowText, kNavy);
  setPalette(colours);
  setAutoFillBackground(true);

  image_main_ = new QLabel(this);
  image_main_->setObjectName(QStringLiteral("ImageMain"));
  image_main_->setGeometry(8, 8, 64, 64);
  image_sub_ = new QLabel(this);
  image_sub_->setObjectName(QStringLiteral("ImageSub"));
  image_sub_->setGeometry(232, 16, 32, 32);
  image_sub_->hide();
  DrawIcon();

  AddLabel("LabelTitle", 80, 8, content.title);
  AddLabel("LabelVersion", 80, 32, content.version);
  AddLabel("LabelCopyLeft", 80, 56, content.copy_left);
  AddLabel("Label2", 8, 76, content.latest_version_note);
  AddLink("Label3", 32, 96, content.home_page, content.link_hint);
  AddLabel("Label1", 8, 120, content.contact_note);
  AddLink("Label4", 32, 144, content.board, content.link_hint);

  btn_cancel_ = new QPushButton(QStringFromSjis(content.ok_caption), this);
  btn_cancel_->setObjectName(QStringLiteral("BtnCancel"));
  btn_cancel_->setGeometry(127, 169, 75, 25);
  btn_cancel_->setDefault(true);
  btn_cancel_->setFocus();
  connect(btn_cancel_, &QPushButton::clicked, this, &QWidget::close);
}

QLabel* AboutDialog::AddLabel(const char* name, int left, int top, const std::string& text) {
  auto* label = new QLabel(QStringFromSjis(text), this);
  label->setObjectName(QString::fromLatin1(name));
  label->move(left, top);
  label->adjustSize();
  return label;
}

LinkLabel* AboutDialog::AddLink(const char* name, int left, int top, const std::string& url,
                                const std::string& hint) {
  auto* link = new LinkLabel(this);
  link->setObjectName(QString::fromLatin1(name));
  link->setText(QStringFromSjis(url));
  link->setToolTip(QStringFromSjis(hint));
  link->move(left, top);
  link->adjustSize();
  link->OnClick = [this, url] {
    RunHook(
        [this, &url] {
          if (OnOpenLink) OnOpenLink(url);
        },
        OnUnhandledException);
  };
  return link;
}

void AboutDialog::DrawIcon() {
  const QPixmap icon = MainIconPixmap();
  if (icon.isNull()) return;
  QPixmap surface(image_sub_->size());
  surface.fill(Qt::transparent);
  QPainter painter(&surface);
  painter.drawPixmap(0, 0, icon);
  painter.end();
  image_sub_->setPixmap(surface);
  image_main_->setPixmap(
      surface.scaled(image_main_->size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

void AboutDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!shown_once_) {
    shown_once_ = true;
    GrabLaterIfAsked(*this, kGrabAboutVariable);
  }
}

void AboutDialog::done(int result) {
  QDialog::done(result);
  RunHook(OnClose, OnUnhandledException);
  if (role_ == AboutRole::kMainWindow) QCoreApplication::quit();
}

void AboutDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    btn_cancel_->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace kasumido
