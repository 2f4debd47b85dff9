#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;
struct pg_cancel;

namespace tilt::store {

// Something the team store could not do, in words a user can act on: what happened, the server
// (never its password) and what to do. `code` is the server's SQLSTATE, when it gave one.
class StoreError : public std::runtime_error {
  public:
    StoreError(const std::string& message, std::string code = {})
        : std::runtime_error(message), code_(std::move(code)) {}
    [[nodiscard]] const std::string& code() const { return code_; }

  private:
    std::string code_;
};

// The server asked for a password and none was found (not in the connection, PGPASSWORD or
// ~/.pgpass): a window may ask the user for one and connect again.
class PasswordNeeded : public StoreError {
  public:
    PasswordNeeded(const std::string& message, std::string server)
        : StoreError(message), server_(std::move(server)) {}
    // "host:port/database as user", to ask the password for.
    [[nodiscard]] const std::string& server() const { return server_; }

  private:
    std::string server_;
};

// A connection string (a postgresql:// URI or "key=value" words) as it may be shown: the
// password, wherever it is given, left out.
[[nodiscard]] std::string withoutPassword(std::string_view connection);

// One result of a statement; a text value by row and column.
class PgResult {
  public:
    explicit PgResult(pg_result* result);
    ~PgResult();
    PgResult(PgResult&& other) noexcept;
    PgResult& operator=(PgResult&&) = delete;
    PgResult(const PgResult&) = delete;

    [[nodiscard]] int rows() const;
    [[nodiscard]] bool isNull(int row, int column) const;
    [[nodiscard]] std::string text(int row, int column) const;
    [[nodiscard]] std::int64_t integer(int row, int column) const;

  private:
    pg_result* result_;
};

// A connection to the team store's PostgreSQL server through libpq: the connection string, or
// with an empty one the usual PG* environment variables and ~/.pgpass, as every PostgreSQL client
// does. Every statement goes with bound parameters. Failures become StoreError naming the server.
class PgConnection {
  public:
    // `password`, when given, goes to the server beside the connection string, never into it.
    // A server that does not answer is given up after 10 s, unless the connection or
    // PGCONNECT_TIMEOUT says otherwise. Throws StoreError, or PasswordNeeded when the server
    // wants a password none gave.
    // A stop asked for gives the connection up (StoreError) within a tenth of a second.
    explicit PgConnection(const std::string& connection, const std::string& password = {},
                          std::stop_token stop = {});
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // "host:port/database as user", for messages.
    [[nodiscard]] const std::string& server() const { return server_; }

    // Asks the server to cancel the statement it runs, and any this connection runs after, from
    // any thread: each then fails (StoreError) and the transaction is rolled back.
    void cancel();

    // Runs `sql` with text parameters ($1, $2...; nothing: NULL); throws StoreError.
    PgResult exec(const std::string& sql,
                  const std::vector<std::optional<std::string>>& params = {});

    // COPY ... FROM STDIN: `fill` is called with a function that sends a chunk of COPY text.
    void copyIn(const std::string& sql,
                const std::function<void(const std::function<void(std::string_view)>&)>& fill);
    // COPY ... TO STDOUT: every row (one text line, with its newline) goes to `row`. COPY takes
    // no parameters: a statement reads its values from settings made with bound parameters
    // first (set_config), never from text put into it.
    void copyOut(const std::string& sql, const std::function<void(std::string_view)>& row);

  private:
    enum class Reached { Yes, Stopped, TimedOut };  // Yes: connected, or failed with libpq's words
    Reached waitUntilConnected(const std::stop_token& stop);
    void waitForResult();
    void sendCancel() const;
    [[noreturn]] void fail(const std::string& doing, pg_result* result = nullptr);
    // libpq's or the server's words without the password, wherever they might quote it.
    [[nodiscard]] std::string withoutSecrets(std::string text) const;

    pg_conn* conn_ = nullptr;
    pg_cancel* cancel_ = nullptr;
    std::atomic<bool> cancelled_ = false;
    std::string server_;
    std::string connection_;              // shown only without its password
    std::vector<std::string> passwords_;  // never shown
};

}  // namespace tilt::store
