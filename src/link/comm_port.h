#pragma once

#include <functional>
#include <string_view>

namespace tilt::link {

class DeviceLink;
class JobScope;

// Opens the job's link on its port unless it is open already (an open link keeps its port even
// if the selection changed meanwhile). Failures go to the error handler as "OpenCommPort" with
// the caller's screen.
void openCommPort(const JobScope& job);

// Closes the job's link if it is open. Failures go to the error handler as "CloseCommPort" with
// the caller's screen.
void closeCommPort(const JobScope& job);

// Closes the link without a report: for a caller that has told the user of the failure that ends
// its exchange already, or leaves that to the next open. A port that will not close has failed
// already, or will at its next open.
void closeQuietly(DeviceLink& link);

// One exchange with the device: opens the port (a failure is reported by the open), runs
// `exchange`, reports a failure it throws under `procedure` and closes the port. `procedure` is
// read when the failure comes, so an exchange may name the step it is in; the screen is the one
// of that moment. False when the port did not open or the exchange failed; both have been
// reported.
[[nodiscard]] bool exchangeOnPort(const JobScope& job, const std::string_view& procedure,
                                  const std::function<void()>& exchange);

}  // namespace tilt::link
