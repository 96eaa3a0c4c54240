// One SQLite connection to a machine's registry database, with the thin wrappers
// the store needs. Every SQLite failure becomes a RegistryError with the Windows
// code a registry call would report. Internal to the platform library.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace trv::registry {

class Connection;

// A prepared statement borrowed from the connection's cache; reset on destruction.
class Statement {
 public:
  Statement(Connection& connection, sqlite3_stmt* stmt) : connection_(connection), stmt_(stmt) {}
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, std::int64_t value);
  Statement& Bind(int index, std::string_view bytes);  // as a BLOB
  // Runs one step: true while there is a row.
  bool Step();
  // Runs to completion (statements without rows).
  void Run();

  std::int64_t Int(int column) const;
  std::string Bytes(int column) const;
  bool IsNull(int column) const;

 private:
  Connection& connection_;
  sqlite3_stmt* stmt_;
};

class Connection {
 public:
  // Opens (creating when needed) the database at `path`, in WAL mode with a busy
  // time-out, and makes sure its tables exist.
  explicit Connection(std::string path);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& path() const { return path_; }
  // `sql` must be a string literal: statements are cached by its address.
  Statement Prepare(const char* sql);
  void Execute(const char* sql);
  std::int64_t LastInsertId() const;
  // Throws the RegistryError for a SQLite result code that is not success.
  void Check(int result) const;

 private:
  void Configure();
  void CreateSchema();
  std::int64_t SchemaVersion();

  std::string path_;
  sqlite3* db_ = nullptr;
  std::unordered_map<const char*, sqlite3_stmt*> statements_;
};

}  // namespace trv::registry
