#include "update/patch_update.h"

#include <cmath>
#include <memory>

#include "app/endpoints.h"
#include "app/globals.h"
#include "app/version_line.h"
#include "platform/download/downloader.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/zip/zip_extractor.h"
#include "update/version_record.h"

namespace update {
namespace {

using platform::Gbk;

// The main window the completion sequence changes. The download thread holds
// it weakly: a window that is gone is not touched.
std::weak_ptr<platform::Window> patchedWindow;

std::string Trimmed(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// Extraction and completion, on the thread that delivers the task's end.
void ExtractAndComplete() {
  auto window = patchedWindow.lock();
  if (!window) return;
  platform::Window& w = *window;
  app::CurrentPatchState = app::PatchState::Extracting;

  app::ExtractDirectory = platform::RunDirectory();
  platform::ZipExtractor ZIP压缩1;
  ZIP压缩1.onProgress = [&w](int percent) { w["解压进度条"].SetPosition(percent); };
  // A launcher that is closing stops between two entries: every file is whole,
  // the version is not recorded, and the exit is not held up by the patch.
  ZIP压缩1.shouldStop = platform::ProcessEnding;
  // The archive lies in the run directory, where it was downloaded.
  ZIP压缩1.Extract(app::ClientPath(app::PatchFileName), app::ExtractDirectory);

  // The extraction bar reaches its end only when every entry was written.
  platform::Control& extractionBar = w["解压进度条"];
  if (extractionBar.GetPosition() != extractionBar.GetMaximum()) {
    app::CurrentPatchState = app::PatchState::Failed;
    return;
  }

  RecordLocalVersion(app::Cipher->Encrypt(app::ServerVersion, cipher::ConfigKey));
  w["版本更新提示"].SetText(app::ReadyVersionLine(app::ServerVersion, app::ServerVersion));
  platform::DeleteFileAt(app::ClientPath(app::PatchFileName));
  w["下载进度条"].SetVisible(false);
  w["解压进度条"].SetVisible(false);
  w["进入游戏"].SetEnabled(true);
  w["网页公告"].SetHeight(230);
  app::CurrentPatchState = app::PatchState::Applied;
}

}  // namespace

void BeginPatchUpdate(platform::Window& mainWindow) {
  patchedWindow = mainWindow.weak_from_this();
  app::CurrentPatchState = app::PatchState::Downloading;

  // A file the operator names in zg.ini goes before the download starts.
  app::PatchFileName = platform::ReadProfileValue(app::ConfigPath(), "server", Gbk("补丁名称"));
  if (!app::PatchFileName.empty()) platform::DeleteFileAt(app::ClientPath(app::PatchFileName));
  app::PatchFileName = "up.zip";

  const app::Endpoints& hosts = app::CurrentEndpoints();
  platform::DownloadTask& task = app::DownloadTask;
  task.kind = platform::kDownloadTaskKind;
  task.address = Trimmed(app::HttpAddress(hosts.updateHost, hosts.updatePort, "/up.zip"));
  // Stored in the run directory, not the working directory: the archive is
  // downloaded, extracted and deleted in one folder, so a stale up.zip
  // elsewhere can never be taken for the new one.
  task.localFile = app::ClientPath(app::PatchFileName);
  task.connections = 5;
  task.connectTimeoutMs = 5000;
  task.sendTimeoutMs = 5000;
  task.receiveTimeoutMs = 10000;
  task.stopWaitMs = 1000;
  task.receiveBlock = 1024;
  task.eventRoutine = DownloadEvent;
  app::Downloader->AddTask(task);
}

int DownloadEvent(int type, int64_t detail, int64_t value, int64_t further, const platform::DownloadTask& task) {
  switch (type) {
    case platform::kDownloadSizeKnown:
      app::TotalSize = double(value);
      break;
    case platform::kDownloadEnded:
      ExtractAndComplete();
      break;
    default:  // a file of that name exists, and other notices: 0 lets the component go on
      break;
  }
  return 0;
}

int DownloadPercent(int64_t done, double total) {
  if (total == 0) return 0;
  return int(std::floor(double(done) * 100.0 / total + 0.5));
}

void RefreshDownloadBar(platform::Window& mainWindow) {
  const int64_t done = app::Downloader ? app::Downloader->BytesDownloaded() : 0;
  mainWindow["下载进度条"].SetPosition(DownloadPercent(done, app::TotalSize));
}

}  // namespace update
