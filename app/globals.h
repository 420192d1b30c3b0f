// The launcher's process-wide state: built by the entry point in a fixed
// order, released by the exit routine. Texts are GBK and start empty.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "cipher/text_cipher.h"
#include "platform/download/download_task.h"
#include "platform/download/downloader.h"
#include "platform/text.h"

namespace app {

using platform::Text;

extern std::unique_ptr<cipher::TextCipher> Cipher;  // every Encrypt and Decrypt goes through it
extern std::unique_ptr<platform::Downloader> Downloader;  // the one download component
extern platform::DownloadTask DownloadTask;  // the settings handed to it
extern Text ServerName;      // deciphered "name" of zg.ini: title and first column of the server row
extern Text ServerVersion;   // the body of /bb.txt
extern Text LocalVersion;    // deciphered "本地版本" of zg.ini
extern Text PatchFileName;   // "补丁名称" of zg.ini, then "up.zip"
extern uintptr_t GraphicsToken;
extern std::atomic<double> TotalSize;  // the patch archive's size, written by the download thread

// Where the patch of this run stands; applied and failed are final.
enum class PatchState { NotNeeded, Downloading, Extracting, Applied, Failed };
extern std::atomic<PatchState> CurrentPatchState;
extern Text ExtractDirectory;
extern Text WebsiteAddress;  // the address the website button opens (built in; may be empty)
extern std::vector<Text> RechargeReplyFields;
extern std::vector<Text> LotteryReplyFields;
extern std::array<int, 14> PrizeWeights;

// The entry point's step 2: the global objects in their order.
void BuildGlobals();

// The exit routine: releases what BuildGlobals made, in order. Changes no file.
void ReleaseGlobals();

// The paths of the client folder's files: run directory + "\" + name.
Text ClientPath(const Text& fileName);
Text ConfigPath();  // zg.ini

}  // namespace app
