#include "app/globals.h"

#include "app/endpoints.h"
#include "platform/files.h"
#include "qr/symbol_tables.h"

namespace app {

std::unique_ptr<cipher::TextCipher> Cipher;
std::unique_ptr<platform::Downloader> Downloader;
platform::DownloadTask DownloadTask;
Text ServerName;
Text ServerVersion;
Text LocalVersion;
Text PatchFileName;
uintptr_t GraphicsToken = 0;
std::atomic<double> TotalSize{0};
std::atomic<PatchState> CurrentPatchState{PatchState::NotNeeded};
Text ExtractDirectory;
Text WebsiteAddress;
std::vector<Text> RechargeReplyFields;
std::vector<Text> LotteryReplyFields;
std::array<int, 14> PrizeWeights{};

void BuildGlobals() {
  Cipher = std::make_unique<cipher::TextCipher>();
  // The address the website button opens is fixed when the launcher is built.
  WebsiteAddress = CurrentEndpoints().websiteAddress;
  Downloader = std::make_unique<platform::Downloader>();
  DownloadTask = platform::DownloadTask();
  RechargeReplyFields.clear();
  LotteryReplyFields.clear();
  PrizeWeights.fill(0);
  qr::CreateSymbolTables();  // last: the QR encoder's tables
}

void ReleaseGlobals() {
  // The download goes first: its thread may still be completing a patch,
  // which enciphers the new version with the cipher.
  Downloader.reset();
  Cipher.reset();
  DownloadTask = platform::DownloadTask();
  for (Text* text : {&ServerName, &ServerVersion, &LocalVersion, &PatchFileName, &ExtractDirectory, &WebsiteAddress})
    text->clear();
  GraphicsToken = 0;
  TotalSize = 0;
  CurrentPatchState = PatchState::NotNeeded;
  RechargeReplyFields.clear();
  LotteryReplyFields.clear();
  PrizeWeights.fill(0);
  qr::ReleaseSymbolTables();
}

Text ClientPath(const Text& fileName) { return platform::RunDirectory() + "\\" + fileName; }

Text ConfigPath() { return ClientPath("zg.ini"); }

}  // namespace app
