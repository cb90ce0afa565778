#pragma once

#include <QString>

#include <optional>

namespace velmora {

// When the process with this id started, in the platform's own units; nothing when there is no such
// process. Two processes that held the same id never share a start time.
std::optional<quint64> ProcessStartTime(qint64 pid);

// What sets this boot of this computer, and the process ids this process sees, apart from every other
// boot and every other process-id namespace: only within it does an id with its start time name one
// process. Empty when that cannot be told.
QString ProcessIdSpace();

} // namespace velmora
