#pragma once

#include "platform/FormView.h"
#include "store/VitalCharts.h"

#include <QImage>
#include <string>
#include <vector>

class MeasureChart;
class QLabel;

// The charts of one patient's vital signs over time, one per measure, filling the room the
// window gives them. A point double-clicked opens its visit; the charts can be saved as a
// picture or printed under the clinic's letterhead. Close leads back to the patient's record.
class VitalChartsView : public FormView {
public:
    VitalChartsView();

    // Fills the screen for that patient; failures are shown to the user.
    void showPatient(const std::string& id);

    std::string patientId;
    // The charts shown, in the order of the measures, and under each what was left out.
    std::vector<MeasureChart*> charts;
    std::vector<QLabel*> notes;

    // The charts laid out for a page: two across, three down, with their notes.
    QImage pagePicture() const;

protected:
    void laidOut() override;

private:
    void showCharts(std::vector<VitalCharts::Chart> measures);
    void clearCharts();
    void openVisit(const std::string& visitId);
    void savePicture();
    void print();
    void close();
    QWidget* area() const;

    std::string firstName;
    std::string lastName;
    std::string patientLine;
    std::vector<VitalCharts::Chart> shown;
};
