// The game accounts the account gateway creates, in SQLite: a file that a
// demo keeps between runs, or an in-memory database for tests.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/text.h"

namespace devserver {

using platform::Text;

enum class CreateAccountResult { kCreated, kExists, kFailed };

// Names and passwords are GBK byte strings stored as blobs, so they compare
// byte for byte (case-sensitive, no collation) and come back unchanged.
// Passwords are kept as received: this is a development server whose
// accounts are throwaway, and its operator may want to read them back.
// Thread-safe: one connection behind one mutex.
class AccountStore {
 public:
  AccountStore() = default;
  AccountStore(const AccountStore&) = delete;
  AccountStore& operator=(const AccountStore&) = delete;

  // Opens (creating when missing) the database at path; an empty path opens
  // a private in-memory one. An error text when it cannot.
  std::optional<std::string> Open(const std::filesystem::path& path);
  bool IsOpen() const;

  // Creates the account unless one of that name exists. kFailed when the
  // store is not open or the database fails (disk full, locked too long).
  CreateAccountResult Create(const Text& name, const Text& password);
  // nullopt when there is no such account (or the store fails).
  std::optional<Text> PasswordOf(const Text& name) const;
  size_t Count() const;

 private:
  struct CloseDatabase {
    void operator()(sqlite3* database) const { sqlite3_close_v2(database); }
  };

  mutable std::mutex mutex_;
  std::unique_ptr<sqlite3, CloseDatabase> database_;
};

}  // namespace devserver
