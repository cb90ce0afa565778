#pragma once

#include <QtGlobal>

#include <optional>

namespace velmora {

// When the process with this id started, in the platform's own units; nothing when there is no such
// process. Two processes that held the same id never share a start time.
std::optional<quint64> ProcessStartTime(qint64 pid);

} // namespace velmora
