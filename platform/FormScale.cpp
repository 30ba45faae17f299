#include "platform/FormScale.h"

#include <algorithm>
#include <cmath>

namespace {

std::optional<double> userChoice;

// Scales are compared on whole per cents, so 1.1 computed twice is one scale.
double onPercents(double scale) {
    return std::round(scale * 100.0) / 100.0;
}

} // namespace

double FormScale::largestFitting(QSize formSize, QSize room) {
    if (formSize.isEmpty())
        return kSmallest;
    const double across = double(room.width()) / formSize.width();
    const double down = double(room.height()) / formSize.height();
    return std::min(across, down);
}

double FormScale::forForm(QSize formSize, QSize room, QSize windowSize) {
    const double window = largestFitting(kDrawnForWindow, windowSize);
    const double wanted = userChoice ? *userChoice : std::min(kAutomaticLargest, window);
    return std::max(kSmallest, std::min(wanted, largestFitting(formSize, room)));
}

std::optional<double> FormScale::chosen() {
    return userChoice;
}

void FormScale::choose(std::optional<double> scale) {
    userChoice = scale ? std::optional(std::max(kSmallest, onPercents(*scale))) : std::nullopt;
}

double FormScale::stepUp(double scale) {
    return onPercents(std::floor(onPercents(scale) / kStep + 1e-6) * kStep + kStep);
}

double FormScale::stepDown(double scale) {
    return onPercents(std::ceil(onPercents(scale) / kStep - 1e-6) * kStep - kStep);
}

int FormScale::scaled(int pixels, double scale) {
    return int(std::lround(pixels * scale));
}
