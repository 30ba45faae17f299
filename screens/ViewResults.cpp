#include "screens/ViewResults.h"

#include "app/CMainFrame.h"
#include "app/Screens.h"
#include "platform/ListView.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/ViewRec.h"

namespace {
constexpr int kLastNameColumn = 2;
constexpr int kNameWidth = 256;
constexpr int kScrollBarRoom = 15;
} // namespace

ViewResults::ViewResults() : FormView(kViewResultsForm) {
    letListGrow(IDC_RESULTS_LIST);
    onCommandAndClick(ID_RESULTS_DISPLAY, IDC_RESULTS_DISPLAY, [this] { displaySelected(); });
    onCommandAndClick(ID_RESULTS_CLOSE, IDC_RESULTS_CLOSE, [this] { close(); });
    connect(resultsList(), &ListView::rowDoubleClicked, this, [this] { displaySelected(); });
}

ListView* ViewResults::resultsList() const {
    return control<ListView>(IDC_RESULTS_LIST);
}

void ViewResults::ShowResults() {
    ListView* list = resultsList();
    list->deleteAllRows();
    while (list->columnCountNow() > 0)
        list->deleteColumn(0);
    if (resultIds.empty()) {
        list->insertColumn(0, "Results", 560);
        list->addRow({"0 Matches found."});
        hasResults = false;
        return;
    }
    list->insertColumn(0, "Patient ID#", 70);
    list->insertColumn(1, "First Name", kNameWidth);
    list->insertColumn(2, "Last Name", kNameWidth);
    // The name lists may be longer than the ids; a shorter one leaves its cells empty.
    auto cell = [](const std::vector<std::string>& texts, size_t i) {
        return i < texts.size() ? QString::fromStdString(texts[i]) : QString();
    };
    std::vector<QStringList> rows;
    rows.reserve(resultIds.size());
    for (size_t i = 0; i < resultIds.size(); ++i)
        rows.push_back({QString::fromStdString(resultIds[i]), cell(resultFirstNames, i),
                        cell(resultLastNames, i)});
    list->addRows(std::move(rows));
    list->setFlexibleColumn(kLastNameColumn, kScrollBarRoom);
    enableControl(IDC_RESULTS_DISPLAY, true);
    hasResults = true;
}

void ViewResults::displaySelected() {
    // The placeholder row of an empty list is no patient, whichever way the command came.
    if (!hasResults)
        return;
    const int row = resultsList()->firstSelectedRow();
    if (row < 0) {
        MessageBox(this, "No selected record", "Error", MsgIcon::Information);
        return;
    }
    const std::string id = resultsList()->cellText(row, 0).toStdString();
    if (!CMainFrame::OpenViewRec())
        return;
    if (auto* rec = CMainFrame::ScreenView<ViewRec>(SCREEN_VIEW_REC)) {
        rec->patientId = id;
        rec->LoadPatient();
    }
    CMainFrame::CloseViewResults();
}

void ViewResults::close() {
    CMainFrame::ReturnToMainMenu(SCREEN_VIEW_RESULTS);
}
