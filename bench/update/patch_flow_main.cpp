// The whole patch flow of the launcher, headless, against an in-process
// devserver: start-up, five-connection download of up.zip, extraction into
// the client folder, the version record. Prints the time it took and the
// process's peak memory, which must not grow with the archive's size.
//
// usage: patch_flow ARCHIVE WORK_DIR
//   ARCHIVE   a patch archive (made by patch_flow_bench.py)
//   WORK_DIR  an empty folder; client/ and server/ are made in it
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/endpoints.h"
#include "app/entry.h"
#include "app/globals.h"
#include "cipher/text_cipher.h"
#include "platform/headless/driver.h"
#include "tools/devserver/server.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: patch_flow ARCHIVE WORK_DIR\n");
    return 2;
  }
  const fs::path work = argv[2];
  const fs::path client = work / "client", server = work / "server";
  fs::create_directories(client);
  fs::create_directories(server);
  std::error_code linked;
  fs::create_hard_link(argv[1], server / "up.zip", linked);  // no copy of a large file
  if (linked) fs::copy_file(argv[1], server / "up.zip", fs::copy_options::overwrite_existing);
  std::ofstream(server / "bb.txt") << "2.0";
  const cipher::TextCipher cipher;
  std::ofstream(client / "zg.ini", std::ios::binary)
      << "[server]\r\nname=" << cipher.Encrypt("bench", cipher::ConfigKey) << "\r\n"
      << platform::Gbk("本地版本") << "=" << cipher.Encrypt("1.0", cipher::ConfigKey) << "\r\n";

  devserver::Options options;
  options.root = server;
  options.updatePort = 0;
  options.pagePort = 0;
  options.accountPort = 0;
  devserver::Server host(options);
  if (auto error = host.Start()) {
    std::fprintf(stderr, "devserver: %s\n", error->c_str());
    return 1;
  }
  app::Endpoints endpoints = app::BuiltInEndpoints();
  endpoints.updatePort = host.UpdatePort();
  endpoints.pagePort = host.PagePort();
  app::SetEndpoints(endpoints);

  namespace headless = platform::headless;
  headless::Reset();
  headless::SetRunDirectory(client.string());
  headless::SetWorkingDirectory(client.string());
  const auto start = std::chrono::steady_clock::now();
  app::Launch();
  const bool done = headless::RunUntil(
      [] {
        const auto state = app::CurrentPatchState.load();
        return state == app::PatchState::Applied || state == app::PatchState::Failed;
      },
      30 * 60 * 1000);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const bool applied = done && app::CurrentPatchState == app::PatchState::Applied;
  headless::Reset();
  host.Stop();

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("patch %s in %.2f s, peak memory %.1f MiB\n", applied ? "applied" : "FAILED", seconds,
              double(usage.ru_maxrss) / 1024.0);
  return applied ? 0 : 1;
}
