// kasumido-screenshot OUTDIR
//
// Shows the download window filled through its DownloadView as a run would fill it (a
// phase caption, a few analysed titles, a transfer in the status bar, the buttons of a
// running download) and the version dialog, and saves what they draw as
// OUTDIR/download-window.png and OUTDIR/about-dialog.png. The window keeps its
// placement in a temporary folder, never in a host's SHV.INI. Exit code 0 on success.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>
#include <string>

#include "kasumido/texts.h"
#include "platform/qt/views/about_dialog.h"
#include "platform/qt/views/download_window.h"

namespace {

using kasumido::DownloadView;
using kasumido::RunButton;

std::string Sjis(const char* utf8) {
  QStringEncoder encoder("windows-31j");
  const QByteArray bytes = encoder(QString::fromUtf8(utf8));
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// What a run shows while it reads the bunko listing of this month.
void FillLikeARun(DownloadView& view) {
  view.SetPhaseCaption(kasumido::texts::kCaptionBunkoThisMonth);
  view.ClearTitles();
  for (const char* title : {"霞の向こうの図書館", "星見坂の猫と七つの季節", "白夜行路 上",
                            "ソフトな表紙の物語", "月影の庭で待つひと"}) {
    view.AddTitle(Sjis(title));
  }
  view.SetStatusText("GetKasumido2.html: 18432 Bytes");
  view.SetStatusHint("http://127.0.0.1:8080/bunko/bk_detail.php?pcd=200905000123");
  view.SetButtonEnabled(RunButton::kPlay, false);
  view.SetButtonEnabled(RunButton::kSkip, true);
  view.SetButtonEnabled(RunButton::kStop, true);
  view.SetButtonEnabled(RunButton::kPause, true);
}

// Lets the windows be mapped and painted before they are grabbed.
void Settle(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Save(QWidget& widget, const QDir& folder, const char* name) {
  const QString path = folder.filePath(QString::fromLatin1(name));
  if (widget.grab().save(path, "PNG")) return true;
  std::fprintf(stderr, "kasumido-screenshot: cannot write %s\n", path.toLocal8Bit().constData());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  if (argc != 2) {
    std::fprintf(stderr, "usage: kasumido-screenshot OUTDIR\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.exists() && !QDir().mkpath(out.path())) {
    std::fprintf(stderr, "kasumido-screenshot: cannot create %s\n", argv[1]);
    return 1;
  }
  // The program folder lies inside a temporary folder, so SHV.INI (in its parent) does too.
  QTemporaryDir host_dir;
  const QString program_dir = host_dir.filePath(QStringLiteral("plugin"));
  QDir().mkpath(program_dir);
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  kasumido::DownloadWindow window(program_dir.toStdString(), self);
  FillLikeARun(window);
  window.show();
  Settle(300);
  bool ok = Save(window, out, "download-window.png");

  window.ShowAboutForm();
  Settle(300);
  ok = Save(*window.AboutForm(), out, "about-dialog.png") && ok;
  return ok ? 0 : 1;
}
