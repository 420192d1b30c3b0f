// The record of settings the launcher hands to the download component, and
// the events the component raises through it.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/text.h"

namespace platform {

struct DownloadTask;

// Receives a task's events on one of the component's threads; the answer
// matters only to kDownloadFileExists.
using DownloadEventRoutine =
    std::function<int(int type, int64_t detail, int64_t value, int64_t further, const DownloadTask& task)>;

// The kind the component gives every task it is handed.
inline constexpr int kDownloadTaskKind = 4096;

// The largest receive block: bytes asked for in one receive.
inline constexpr int kMaxReceiveBlock = 20480;

// The twenty settings of one task, in their order, with their defaults.
struct DownloadTask {
  int kind = 1;                          // 4096 marks a download task
  Text address;                          // http://host:port/path
  Text localFile;                        // the file to write
  Text userName = "anonymous";           // FTP log-in (not used over HTTP)
  Text password = "guest@example.com";   // FTP log-in (not used over HTTP)
  int connections = 1;                   // simultaneous connections the task may use
  int speedLimit = 0;                    // bytes per second; 0: no limit
  int connectTimeoutMs = 20000;          // time allowed to open a connection
  int sendTimeoutMs = 20000;             // time allowed to send a request
  int receiveTimeoutMs = 20000;          // time allowed to wait for data
  int stopWaitMs = 1000;                 // how long a stopping task waits for its connections
  int receiveBlock = kMaxReceiveBlock;   // bytes asked for in one receive
  int sendBlock = 1024;                  // bytes per send when uploading (not used)
  int reserved = 0;
  DownloadEventRoutine eventRoutine;     // receives the task's events; may be empty
  Text extraText;                        // not used
  int ftpTransferType = 1;               // 3: binary or text by binaryKinds (FTP only)
  Text binaryKinds = ".exe|.rar|.zip|.gif|.jpg|.mp3|.rm";  // endings sent as binary, "|"-separated
  Text proxy;                            // empty: a direct connection
  Text referrer;                         // empty: the address cut before its last "/"
};

// ---- events ---------------------------------------------------------------------------

// The size of the file is known. detail: connections the task uses; value: the size.
inline constexpr int kDownloadSizeKnown = 3;
// The task has ended, whether or not the file was fetched. detail: a
// DownloadOutcome; value: bytes downloaded; further: the HTTP status of the
// server's first answer (0 when none came). Raised once per task, except for a
// task stopped by Downloader::Destroy, which raises nothing more.
inline constexpr int kDownloadEnded = 4;
// A file with the local file's name exists, before anything is fetched.
// Answer 0: the download replaces it; any other answer keeps it and ends the task.
inline constexpr int kDownloadFileExists = 18;

// How a task ended: the detail of kDownloadEnded.
enum class DownloadOutcome : int {
  kComplete = 0,      // the local file holds exactly the announced size
  kNoResponse = 1,    // no answer came: host unreachable, refused or silent
  kHttpError = 2,     // the server answered with a status that carries no file
  kIncomplete = 3,    // the connections ended short and resuming did not make up for it
  kFileError = 4,     // the local file could not be created, written or checked
  kBadAddress = 5,    // not an http:// address
  kKeptExisting = 6,  // the local file existed and the event routine chose to keep it
};

}  // namespace platform
