#pragma once

#include <string>
#include <vector>

namespace tilt::store {

class PgConnection;

// The team store's schema version this program writes and reads.
inline constexpr int kStoreSchemaVersion = 2;

// Creates the schema in an empty database, or brings an older one up to date, in one
// transaction. Refuses (StoreError) a database whose schema is newer than this program's.
// Returns the version it found (0: none).
int initStore(PgConnection& connection);

// Checks, before a push or a query, that the database holds this program's schema: missing or
// newer is a StoreError that says what to do.
void requireStore(PgConnection& connection);

// The statements that let `role` push (and query) in `database`, whose team store is in
// `schema`, without the right to change the schema or anything already pushed: SELECT and
// INSERT only.
[[nodiscard]] std::vector<std::string> pushOnlyGrants(const std::string& role,
                                                      const std::string& database,
                                                      const std::string& schema);

}  // namespace tilt::store
