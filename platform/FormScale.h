#pragma once

#include <QSize>
#include <optional>

// How large forms are drawn. They were drawn for a main window of 640×480; in a larger window
// they grow with it, up to 150 %, as far as the form still fits. A scale the user chose with the
// zoom commands takes the place of the automatic one, still only as far as the form fits.
class FormScale {
public:
    static constexpr double kSmallest = 1.0;
    static constexpr double kStep = 0.1;
    static constexpr double kAutomaticLargest = 1.5;
    static constexpr QSize kDrawnForWindow{640, 480};

    // The scale of a form of formSize pixels (at scale 1) given room pixels in a main window
    // of windowSize.
    static double forForm(QSize formSize, QSize room, QSize windowSize);
    // The largest scale at which the form fits at all.
    static double largestFitting(QSize formSize, QSize room);

    // The scale the user chose; none while the window decides.
    static std::optional<double> chosen();
    static void choose(std::optional<double> scale);
    // The next zoom step above or below scale, on whole tens of per cent.
    static double stepUp(double scale);
    static double stepDown(double scale);

    // A length in pixels at scale 1, drawn at scale.
    static int scaled(int pixels, double scale);
};
