#pragma once

namespace velmora {

// Progress of one row in the current (or last) batch run. NotReached: the run was stopped before it.
enum class RowState { Waiting, Converting, Converted, ConvertedWithWarnings, Failed, NotReached };

} // namespace velmora
