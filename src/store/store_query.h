#pragma once

#include <cstdint>
#include <string>

namespace tilt::view {
class ExportSink;
}

namespace tilt::store {

class PgConnection;

// The samples of logger `serial` from `from` to `to` (ISO 8601 times as the dated export prints
// them, both inclusive), across recordings, in time order, into `sink` as the dated export gives
// them: the notes, the columns (time, seconds, the channels present, button), the rows. Returns
// the rows. Throws StoreError; a time that is no ISO 8601 time is refused before the server is
// asked (tilt::Error).
long querySamples(PgConnection& connection, std::int64_t serial, const std::string& from,
                  const std::string& to, view::ExportSink& sink);

}  // namespace tilt::store
