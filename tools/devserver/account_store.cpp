#include "tools/devserver/account_store.h"

namespace devserver {

namespace {

struct FinalizeStatement {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

Statement Prepare(sqlite3* database, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(database, sql, -1, &statement, nullptr) != SQLITE_OK) {
    sqlite3_finalize(statement);
    return nullptr;
  }
  return Statement(statement);
}

// std::string::data() is never null, so an empty text binds as an empty
// blob, not as NULL.
bool BindText(sqlite3_stmt* statement, int index, const Text& text) {
  return sqlite3_bind_blob(statement, index, text.data(), static_cast<int>(text.size()),
                           SQLITE_TRANSIENT) == SQLITE_OK;
}

Text ColumnText(sqlite3_stmt* statement, int column) {
  const void* bytes = sqlite3_column_blob(statement, column);
  const int size = sqlite3_column_bytes(statement, column);
  return bytes ? Text(static_cast<const char*>(bytes), static_cast<size_t>(size)) : Text();
}

constexpr char kSchema[] =
    "CREATE TABLE IF NOT EXISTS accounts ("
    " name BLOB PRIMARY KEY NOT NULL,"
    " password BLOB NOT NULL,"
    " created TEXT NOT NULL DEFAULT CURRENT_TIMESTAMP)";

// Another devserver on the same file may hold the lock for a moment.
constexpr int kBusyTimeoutMs = 2000;

}  // namespace

std::optional<std::string> AccountStore::Open(const std::filesystem::path& path) {
  std::lock_guard lock(mutex_);
  database_.reset();
  const std::string name = path.empty() ? ":memory:" : path.string();
  sqlite3* opened = nullptr;
  const int status = sqlite3_open_v2(name.c_str(), &opened,
                                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                                     nullptr);
  // sqlite3 hands out a handle even when the open fails; it must be closed too.
  std::unique_ptr<sqlite3, CloseDatabase> database(opened);
  if (status != SQLITE_OK) {
    return "cannot open " + name + ": " + (database ? sqlite3_errmsg(database.get()) : "out of memory");
  }
  sqlite3_busy_timeout(database.get(), kBusyTimeoutMs);
  char* message = nullptr;
  if (sqlite3_exec(database.get(), kSchema, nullptr, nullptr, &message) != SQLITE_OK) {
    std::string why = message ? message : sqlite3_errmsg(database.get());
    sqlite3_free(message);
    return "cannot use " + name + ": " + why;
  }
  database_ = std::move(database);
  return std::nullopt;
}

bool AccountStore::IsOpen() const {
  std::lock_guard lock(mutex_);
  return database_ != nullptr;
}

CreateAccountResult AccountStore::Create(const Text& name, const Text& password) {
  std::lock_guard lock(mutex_);
  if (!database_) return CreateAccountResult::kFailed;
  const Statement insert =
      Prepare(database_.get(), "INSERT INTO accounts (name, password) VALUES (?1, ?2) ON CONFLICT (name) DO NOTHING");
  if (!insert || !BindText(insert.get(), 1, name) || !BindText(insert.get(), 2, password) ||
      sqlite3_step(insert.get()) != SQLITE_DONE) {
    return CreateAccountResult::kFailed;
  }
  // The mutex keeps other inserts away, so the count is this statement's.
  return sqlite3_changes(database_.get()) == 1 ? CreateAccountResult::kCreated : CreateAccountResult::kExists;
}

std::optional<Text> AccountStore::PasswordOf(const Text& name) const {
  std::lock_guard lock(mutex_);
  if (!database_) return std::nullopt;
  const Statement select = Prepare(database_.get(), "SELECT password FROM accounts WHERE name = ?1");
  if (!select || !BindText(select.get(), 1, name) || sqlite3_step(select.get()) != SQLITE_ROW) {
    return std::nullopt;
  }
  return ColumnText(select.get(), 0);
}

size_t AccountStore::Count() const {
  std::lock_guard lock(mutex_);
  if (!database_) return 0;
  const Statement count = Prepare(database_.get(), "SELECT COUNT(*) FROM accounts");
  if (!count || sqlite3_step(count.get()) != SQLITE_ROW) return 0;
  return static_cast<size_t>(sqlite3_column_int64(count.get(), 0));
}

}  // namespace devserver
