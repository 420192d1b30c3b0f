// The patch update: download up.zip with five connections while a timer
// moves the download bar, extract it over the client folder on the download
// thread, record the server version in zg.ini, enable 进入游戏.
#pragma once

#include <cstdint>

#include "platform/download/download_task.h"
#include "platform/toolkit.h"

namespace update {

// Begins the patch update on the UI thread, once the controls show the waiting state.
void BeginPatchUpdate(platform::Window& mainWindow);

// The task's event routine: runs on the download component's threads, answers 0.
int DownloadEvent(int type, int64_t detail, int64_t value, int64_t further, const platform::DownloadTask& task);

// Tick of 消息等待时钟: the download bar follows the bytes downloaded so far.
void RefreshDownloadBar(platform::Window& mainWindow);

// done x 100 / total rounded to the nearest whole number, a half up; 0 while the total is unknown.
int DownloadPercent(int64_t done, double total);

}  // namespace update
