#include "screens/VitalChartsView.h"

#include "platform/FileDialog.h"
#include "platform/FormBuilder.h"
#include "platform/MessageBox.h"
#include "platform/PrintDialog.h"
#include "prescription/Letterhead.h"
#include "prescription/PrintJob.h"
#include "prescription/RecordPrinting.h"
#include "prescription/VitalChartsPrintout.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/MeasureChart.h"
#include "screens/Navigator.h"
#include "screens/StoreFailure.h"
#include "store/ComplaintList.h"
#include "store/PatientDetails.h"
#include "store/VisitMeasurementList.h"

#include <QBuffer>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPrinter>

namespace {

constexpr int kColumns = 3;
// A page's picture: two charts across, three down, each this large, its note below it.
constexpr int kPageColumns = 2;
constexpr QSize kPageChart(900, 620);
constexpr int kPageGap = 40; // between charts side by side, so that their dates never meet
constexpr int kPageNote = 40;
constexpr int kPageFontPixels = 22;

} // namespace

VitalChartsView::VitalChartsView() : FormView(kVitalChartsForm) {
    letListGrow(IDC_CHARTS_AREA);
    auto* grid = new QGridLayout(area());
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(4);
    onClicked(IDC_CHARTS_SAVE, [this] { savePicture(); });
    onCommandAndClick(ID_FILE_PRINT, IDC_CHARTS_PRINT, [this] { print(); });
    onClicked(IDC_CHARTS_CLOSE, [this] { close(); });
}

QWidget* VitalChartsView::area() const {
    return controlWidget(IDC_CHARTS_AREA);
}

void VitalChartsView::showPatient(const std::string& id) {
    patientId = id;
    clearCharts();
    PatientDetails details;
    if (!details.Fetch(patientId)) {
        StoreFailure::show(this, "Error fetching patient information");
        return;
    }
    firstName = details.m_firstName;
    lastName = details.m_lastName;
    patientLine = firstName + " " + lastName + ", born " + details.m_dob.format("%d/%m/%Y") +
                  ", record number " + patientId;
    setControlText(IDC_CHARTS_PATIENT, QString::fromStdString(patientLine));
    VisitMeasurementList visits;
    if (!visits.Fetch(patientId)) {
        StoreFailure::show(this, "Error fetching complaints list");
        return;
    }
    showCharts(VitalCharts::of(visits));
}

void VitalChartsView::clearCharts() {
    for (QWidget* chart : charts)
        delete chart;
    for (QWidget* note : notes)
        delete note;
    charts.clear();
    notes.clear();
    shown.clear();
}

void VitalChartsView::showCharts(std::vector<VitalCharts::Chart> measures) {
    auto* grid = static_cast<QGridLayout*>(area()->layout());
    const QFont font = FormBuilder::formFont(scale());
    const MeasureChart::Span span = MeasureChart::spanOf(measures);
    for (size_t i = 0; i < measures.size(); ++i) {
        auto* chart = new MeasureChart(measures[i], span, area());
        // Drawn as small as the window asks rather than pushed out of it.
        chart->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        chart->setMinimumSize(1, 1);
        chart->setFonts(font);
        connect(chart, &MeasureChart::visitChosen, this,
                [this](const std::string& visit) { openVisit(visit); });
        auto* note = new QLabel(QString::fromStdString(measures[i].notNumbersNote()), area());
        note->setWordWrap(true);
        note->setVisible(!note->text().isEmpty());
        const int row = int(i) / kColumns * 2, column = int(i) % kColumns;
        grid->addWidget(chart, row, column);
        grid->addWidget(note, row + 1, column);
        // Each chart an equal share of the room, whatever its texts.
        grid->setRowStretch(row, 1);
        grid->setColumnStretch(column, 1);
        charts.push_back(chart);
        notes.push_back(note);
    }
    shown = std::move(measures);
}

// The charts' own texts follow the zoom as the form's do.
void VitalChartsView::laidOut() {
    const QFont font = FormBuilder::formFont(scale());
    for (MeasureChart* chart : charts)
        chart->setFonts(font);
}

void VitalChartsView::openVisit(const std::string& visitId) {
    ComplaintList visit;
    if (!visit.FetchDetails(visitId)) {
        StoreFailure::show(this, "Error fetching complaint details, cannot edit complaint");
        return;
    }
    if (Navigator::instance().showVisit(patientId, visitId, visit))
        Navigator::instance().leave(*this);
}

// What the screen shows, as a PNG file written whole or not at all.
void VitalChartsView::savePicture() {
    const std::string offered = RecordPrinting::offeredPath(
        RecordPrinting::safeFileName(lastName + "_" + firstName + "_vital_signs.png"));
    const std::optional<std::string> chosen =
        FileDialog::choose(this, {FileRequest::Save, "png", "PNG Images (*.png)", offered});
    if (!chosen)
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    area()->grab().save(&buffer, "PNG");
    if (const auto failure = PrintJob::writeFile(*chosen, png)) {
        MessageBox(this,
                   *failure + ". The picture was not saved to " + *chosen +
                       "; any earlier file of that name is as it was.",
                   "Error", MsgIcon::Stop);
        return;
    }
    RecordPrinting::rememberFolder(*chosen);
    MessageBox(this, "The picture was saved to " + *chosen + ".", "Confirmation",
               MsgIcon::Information);
}

void VitalChartsView::print() {
    std::optional<ClinicInfo> header;
    if (!Letterhead::fetch(this, header))
        return;
    QPrinter printer(QPrinter::HighResolution);
    if (!PrintDialog::run(this, printer))
        return;
    const VitalChartsPrintout printout(std::move(header), patientLine, pagePicture());
    PrintJob::printOrTell(
        this, printer, [&printout](PrintDevice& device) { printout.print(device); },
        "The charts were not printed to");
}

// Drawn afresh at the page's proportions, in type large enough to read on paper.
QImage VitalChartsView::pagePicture() const {
    const int rows = (int(shown.size()) + kPageColumns - 1) / kPageColumns;
    const QSize cell(kPageChart.width() + kPageGap, kPageChart.height() + kPageNote);
    QImage picture(cell.width() * kPageColumns, cell.height() * rows, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    const MeasureChart::Span span = MeasureChart::spanOf(shown);
    QFont font = FormBuilder::formFont();
    font.setPixelSize(kPageFontPixels);
    painter.setFont(font);
    for (size_t i = 0; i < shown.size(); ++i) {
        const QPoint at(int(i) % kPageColumns * cell.width(),
                        int(i) / kPageColumns * cell.height());
        MeasureChart chart(shown[i], span);
        chart.setFonts(font);
        chart.resize(kPageChart);
        // As a widget, so that the hidden chart is laid out at its size first.
        chart.QWidget::render(&painter, at + QPoint(kPageGap / 2, 0));
        painter.drawText(QRect(at + QPoint(0, kPageChart.height()), QSize(cell.width(), kPageNote)),
                         Qt::AlignCenter, QString::fromStdString(shown[i].notNumbersNote()));
    }
    return picture;
}

void VitalChartsView::close() {
    const std::string patient = patientId;
    if (Navigator::instance().showPatient(patient))
        Navigator::instance().leave(*this);
}
