#include "PageTextFit.h"

#include <QFontMetricsF>

#include <algorithm>

namespace velmora::pdf {

namespace {

enum Part { Left, Centre, Right };

// The room a part's neighbour may not take from it: the shorter of the two keeps its width, the longer
// gets the rest, and two long ones share alike.
double Share(double own, double other, double room) {
    if (own + other <= room)
        return own;
    if (own <= room / 2)
        return own;
    if (other <= room / 2)
        return room - other;
    return room / 2;
}

} // namespace

std::array<QString, 3> FitPageTextLine(const std::array<QString, 3>& parts, const QFontMetricsF& metrics,
                                       double width) {
    // A space's width between two parts, so that they never touch.
    const double gap = metrics.horizontalAdvance(QLatin1Char(' '));
    std::array<double, 3> natural{};
    for (int part = Left; part <= Right; ++part)
        natural[part] = parts[part].isEmpty() ? 0 : metrics.horizontalAdvance(parts[part]);
    const double left = natural[Left];
    const double right = natural[Right];
    std::array<double, 3> room{};
    if (parts[Centre].isEmpty()) {
        const double shared = parts[Left].isEmpty() || parts[Right].isEmpty() ? width : width - gap;
        room[Left] = Share(left, right, shared);
        room[Right] = Share(right, left, shared);
    } else {
        // Centred, the centre part leaves each side the same room, so the wider side part is what limits it.
        const double side = std::max(left, right);
        const double sideGaps = side > 0 ? 2 * gap : 0;
        room[Centre] = std::min(natural[Centre], std::max(width / 3, width - 2 * side - sideGaps));
        const double sideRoom = std::max(0.0, (width - room[Centre]) / 2 - (side > 0 ? gap : 0));
        room[Left] = sideRoom;
        room[Right] = sideRoom;
    }
    // Shortened in the middle, so an address keeps its end (the file's name) and a title its start.
    std::array<QString, 3> shown;
    for (int part = Left; part <= Right; ++part)
        shown[part] = natural[part] <= room[part]
                          ? parts[part]
                          : metrics.elidedText(parts[part], Qt::ElideMiddle, std::max(0.0, room[part]));
    return shown;
}

} // namespace velmora::pdf
