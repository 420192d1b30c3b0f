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

// The bytes of an --account-reply value: \r, \n, \t, \0, \\ and \xHH stand
// for their bytes, so a script can ask for "1\r\n" or a zero byte.
std::optional<std::string> Unescape(std::string_view text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case 'r': bytes += '\r'; break;
      case 'n': bytes += '\n'; break;
      case 't': bytes += '\t'; break;
      case '0': bytes += '\0'; break;
      case '\\': bytes += '\\'; break;
      case 'x': {
        unsigned value = 0;
        const std::string_view digits = text.substr(i + 1, 2);
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (digits.size() != 2 || error != std::errc() || end != digits.data() + 2) return std::nullopt;
        bytes += static_cast<char>(value);
        i += 2;
        break;
      }
      default: return std::nullopt;
    }
  }
  return bytes;
}

constexpr std::string_view kFlags[] = {"--no-ranges", "--verbose", "--help"};
constexpr std::string_view kValueOptions[] = {
    "--root",        "--update-port", "--page-port",  "--account-port", "--database",
    "--account-reply", "--drop-after", "--stall-after", "--truncate-at",  "--fault-path",
    "--ports-file",
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
    } else if (option == "--update-port" || option == "--page-port" || option == "--account-port") {
      const std::optional<uint16_t> port = ParseNumber<uint16_t>(value);
      if (!port) return bad("a port from 0 to 65535");
      (option == "--update-port"  ? options.updatePort
       : option == "--page-port" ? options.pagePort
                                 : options.accountPort) = *port;
    } else if (option == "--database") {
      if (value.empty()) return bad("a file name");
      options.databasePath = std::string(value);
    } else if (option == "--account-reply") {
      std::optional<std::string> reply = Unescape(value);
      if (!reply) return bad("a text with \\r \\n \\t \\0 \\\\ \\xHH escapes only");
      options.accountReplies.push_back(std::move(*reply));
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
127.0.0.1, with byte ranges, and the account gateway, until SIGINT or SIGTERM.

  --root DIR           folder of the served files
  --update-port N      update host port (default 8089; 0: any free port)
  --page-port N        announcement page port (default 80; 0: any free port);
                       skipped with a warning when it cannot be bound
  --account-port N     account gateway port (default 52001; 0: any free port);
                       skipped with a warning when it cannot be bound
  --database FILE      SQLite file of the accounts, created when missing
                       (default: in memory, gone when the server stops)
  --ports-file FILE    write the ports chosen, as update_port=N, page_port=N
                       and account_port=N lines (0: not listening), once
                       listening
  --verbose            one line on stderr per request

The account gateway answers a registration "1|account|password" (enciphered
with the gateway key) with 1 for a new account, 0 for an existing one and -1
for a request it cannot act on.

Faults, for testing clients:
  --drop-after N       close the connection after N bytes of each body
  --no-ranges          answer 200 with the whole body even to a Range request
  --stall-after N[:MS] pause each body after N bytes for MS milliseconds
                       (without MS: until the server stops)
  --truncate-at N      serve files as if they ended at byte N while announcing
                       their full size, then close
  --fault-path PATH    apply the faults to PATH only (e.g. /up.zip)
  --account-reply TEXT answer the next account gateway request with TEXT
                       instead (no account is created); repeat for later
                       requests in order; "" sends nothing; \r \n \t \0
                       \\ and \xHH stand for their bytes
)";
}

}  // namespace devserver
