#pragma once

#include <QStringList>
#include <functional>
#include <stop_token>
#include <string>

namespace tilt {
class RecordingsLibrary;
}

namespace tilt::library {

// A file the import left out, and the line that tells the user so (it names the file and why).
struct RefusedFile {
    std::string file;
    std::string message;
};

struct ImportCounts {
    int imported = 0;
    int known = 0;  // already in the library: a file of the same SHA-256
    int refused = 0;
    bool stopped = false;  // a stop was asked for before every file was seen
};

// Adds data files to the library: each file named, and the .tlg files in each folder named and
// in its folders. A file whose SHA-256 the library holds already is passed over; a foreign or
// damaged file, or a path that does not exist, goes to `refused` as it is met, and the others
// are imported. Stops between two files when `stop` is asked. Throws LibraryError when the
// library cannot record, so that nothing is counted as imported that was not.
[[nodiscard]] ImportCounts importDataFiles(RecordingsLibrary& library, const QStringList& paths,
                                           const std::function<void(const RefusedFile&)>& refused,
                                           std::stop_token stop = {});

// "Imported 2 data files, 1 already in the library, 1 refused."
[[nodiscard]] std::string importSummary(const ImportCounts& counts);

}  // namespace tilt::library
