#include "tools/devserver/command_line.h"

#include <charconv>
#include <limits>
#include <optional>

namespace devserver {

namespace {

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// "N" or "N:MS".
bool ParseStall(std::string_view text, Faults& faults) {
  const size_t colon = text.find(':');
  const std::optional<uint64_t> after = ParseNumber<uint64_t>(text.substr(0, colon));
  if (!after) return false;
  faults.stallAfter = after;
  faults.stallFor.reset();
  if (colon != std::string_view::npos) {
    const std::optional<uint32_t> ms = ParseNumber<uint32_t>(text.substr(colon + 1));
    if (!ms) return false;
    faults.stallFor = std::chrono::milliseconds(*ms);
  }
  return true;
}

constexpr std::string_view kFlags[] = {"--no-ranges", "--verbose", "--help"};
constexpr std::string_view kValueOptions[] = {
    "--root",      "--update-port", "--page-port",  "--drop-after",
    "--stall-after", "--truncate-at", "--fault-path", "--ports-file",
};

bool IsOneOf(std::string_view option, std::span<const std::string_view> options) {
  for (std::string_view known : options) {
    if (option == known) return true;
  }
  return false;
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string_view> args) {
  CommandLine line;
  Options& options = line.options;
  auto fail = [&line](std::string message) {
    line.error = std::move(message);
    return line;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    std::string_view option = args[i];
    std::optional<std::string_view> inlineValue;
    if (const size_t equals = option.find('='); option.starts_with("--") && equals != option.npos) {
      inlineValue = option.substr(equals + 1);
      option = option.substr(0, equals);
    }
    const bool isFlag = IsOneOf(option, kFlags);
    if (!isFlag && !IsOneOf(option, kValueOptions)) {
      return fail("unknown option \"" + std::string(args[i]) + "\"");
    }
    if (isFlag && inlineValue) return fail(std::string(option) + " takes no value");
    std::string_view value;
    if (!isFlag) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return fail(std::string(option) + " needs a value");
      }
    }
    auto bad = [&](std::string_view what) {
      return fail(std::string(option) + ": " + std::string(what) + ", not \"" + std::string(value) + "\"");
    };

    if (option == "--root") {
      if (value.empty()) return bad("a folder");
      options.root = std::string(value);
    } else if (option == "--update-port" || option == "--page-port") {
      const std::optional<uint16_t> port = ParseNumber<uint16_t>(value);
      if (!port) return bad("a port from 0 to 65535");
      (option == "--update-port" ? options.updatePort : options.pagePort) = *port;
    } else if (option == "--drop-after") {
      options.faults.dropAfter = ParseNumber<uint64_t>(value);
      if (!options.faults.dropAfter) return bad("a byte count");
    } else if (option == "--stall-after") {
      if (!ParseStall(value, options.faults)) return bad("N or N:MS");
    } else if (option == "--truncate-at") {
      options.faults.truncateAt = ParseNumber<uint64_t>(value);
      if (!options.faults.truncateAt) return bad("a byte count");
    } else if (option == "--fault-path") {
      if (!value.starts_with("/")) return bad("a path such as /up.zip");
      options.faults.path = std::string(value);
    } else if (option == "--ports-file") {
      if (value.empty()) return bad("a file name");
      line.portsFile = std::string(value);
    } else if (option == "--no-ranges") {
      options.faults.refuseRanges = true;
    } else if (option == "--verbose") {
      line.verbose = true;
    } else if (option == "--help") {
      line.help = true;
      return line;
    }
  }
  if (options.root.empty()) return fail("--root DIR is required");
  return line;
}

std::string_view UsageText() {
  return R"(usage: devserver --root DIR [options]

Serves the files of DIR (bb.txt, up.zip, gg.txt, jp.txt, ...) over HTTP on
127.0.0.1, with byte ranges, until SIGINT or SIGTERM.

  --root DIR           folder of the served files
  --update-port N      update host port (default 8089; 0: any free port)
  --page-port N        announcement page port (default 80; 0: any free port);
                       skipped with a warning when it cannot be bound
  --ports-file FILE    write the ports chosen, as update_port=N and
                       page_port=N lines (0: not listening), once listening
  --verbose            one line on stderr per request

Faults, for testing clients:
  --drop-after N       close the connection after N bytes of each body
  --no-ranges          answer 200 with the whole body even to a Range request
  --stall-after N[:MS] pause each body after N bytes for MS milliseconds
                       (without MS: until the server stops)
  --truncate-at N      serve files as if they ended at byte N while announcing
                       their full size, then close
  --fault-path PATH    apply the faults to PATH only (e.g. /up.zip)
)";
}

}  // namespace devserver
