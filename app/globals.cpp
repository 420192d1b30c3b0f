#include "app/globals.h"

#include "app/endpoints.h"
#include "platform/files.h"

namespace app {

std::unique_ptr<cipher::TextCipher> Cipher;
Text ServerName;
Text ServerVersion;
Text LocalVersion;
Text PatchFileName;
uintptr_t GraphicsToken = 0;
std::atomic<double> TotalSize{0};
Text ExtractDirectory;
Text WebsiteAddress;
std::vector<Text> RechargeReplyFields;
std::vector<Text> LotteryReplyFields;
std::array<int, 14> PrizeWeights{};

void BuildGlobals() {
  Cipher = std::make_unique<cipher::TextCipher>();
  // The address the website button opens is fixed when the launcher is built.
  WebsiteAddress = CurrentEndpoints().websiteAddress;
  RechargeReplyFields.clear();
  LotteryReplyFields.clear();
  PrizeWeights.fill(0);
}

void ReleaseGlobals() {
  Cipher.reset();
  for (Text* text : {&ServerName, &ServerVersion, &LocalVersion, &PatchFileName, &ExtractDirectory, &WebsiteAddress})
    text->clear();
  GraphicsToken = 0;
  TotalSize = 0;
  RechargeReplyFields.clear();
  LotteryReplyFields.clear();
  PrizeWeights.fill(0);
}

Text ClientPath(const Text& fileName) { return platform::RunDirectory() + "\\" + fileName; }

Text ConfigPath() { return ClientPath("zg.ini"); }

}  // namespace app
