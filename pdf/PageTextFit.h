#pragma once

#include <QString>

#include <array>

class QFontMetricsF;

namespace velmora::pdf {

// One line of header or footer text as drawn across `width`: the left part from the left edge, the
// centre part centred, the right part to the right edge. A part keeps its whole text where it meets no
// other, using the room an empty or short neighbour leaves; only where two parts would meet is the longer
// one shortened, in the middle with an ellipsis. A centre part that has to be shortened keeps at least a
// third of the line. Left, centre, right in; the same, as shown, out.
std::array<QString, 3> FitPageTextLine(const std::array<QString, 3>& parts, const QFontMetricsF& metrics,
                                       double width);

} // namespace velmora::pdf
