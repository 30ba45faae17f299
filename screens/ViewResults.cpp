#include "screens/ViewResults.h"

#include "platform/ListView.h"
#include "platform/MessageBox.h"
#include "res/Forms.h"
#include "res/resource.h"
#include "screens/AccessNote.h"
#include "screens/Navigator.h"
#include "screens/StoreFailure.h"
#include "store/PatientNameList.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QTimer>

#include <algorithm>

namespace {
constexpr int kLastNameColumn = 2;
constexpr int kNameWidth = 256;
constexpr int kScrollBarRoom = 15;
constexpr int kTypingPauseMs = 1000;
} // namespace

ViewResults::ViewResults() : FormView(kViewResultsForm), searchPause(new QTimer(this)) {
    searchPause->setSingleShot(true);
    searchPause->setInterval(kTypingPauseMs);
    connect(searchPause, &QTimer::timeout, this, [this] { noteSearch(); });
    letListGrow(IDC_RESULTS_LIST);
    onCommandAndClick(ID_RESULTS_DISPLAY, IDC_RESULTS_DISPLAY, [this] { displaySelected(); });
    onCommandAndClick(ID_RESULTS_CLOSE, IDC_RESULTS_CLOSE, [this] { close(); });
    connect(resultsList(), &ListView::rowDoubleClicked, this, [this] { displaySelected(); });
    connect(searchBox(), &QLineEdit::textChanged, this, [this] { search(); });
    connect(searchBox(), &QLineEdit::returnPressed, this, [this] { displaySelected(); });
    searchBox()->installEventFilter(this);
}

QLineEdit* ViewResults::searchBox() const {
    return control<QLineEdit>(IDC_RESULTS_SEARCH);
}

// Up and Down in the search box move through the list, so that Enter opens the row chosen
// without leaving the box.
bool ViewResults::eventFilter(QObject* watched, QEvent* event) {
    if (watched != searchBox() || event->type() != QEvent::KeyPress || !hasResults)
        return FormView::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Up && key != Qt::Key_Down)
        return false;
    ListView* list = resultsList();
    const int row = list->firstSelectedRow() + (key == Qt::Key_Down ? 1 : -1);
    list->selectRow(std::clamp(row, 0, list->rowCountNow() - 1));
    return true;
}

// Every change to the box searches at once; an empty box lists every patient, as the list
// came at first.
void ViewResults::search() {
    const std::string typed = searchBox()->text().trimmed().toStdString();
    PatientNameList patients;
    if (!(typed.empty() ? patients.FetchAll() : patients.Search(typed))) {
        StoreFailure::show(this, "Error fetching patients list");
        return;
    }
    resultIds = std::move(patients.m_ids);
    resultFirstNames = std::move(patients.m_firstNames);
    resultLastNames = std::move(patients.m_lastNames);
    ShowResults();
    if (hasResults)
        resultsList()->selectRow(0);
    showFound(typed.empty() ? 0 : patients.m_found);
    searched = typed;
    searchPause->start();
}

// What was typed, and how many patients the list then showed.
void ViewResults::noteSearch() {
    searchPause->stop();
    AccessNote::enter(this, {Access::Search, "", "", std::nullopt,
                             {{"typed", searched}, {"listed", std::to_string(resultIds.size())}}});
}

void ViewResults::searchFor(const std::string& text) {
    searchBox()->setText(QString::fromStdString(text));
}

// Says how many were found when the list shows only the first of them.
void ViewResults::showFound(long long found) {
    const QLocale english(QLocale::English);
    const long long shown = static_cast<long long>(resultIds.size());
    setControlText(IDC_RESULTS_COUNT,
                   found > shown ? QString("%1 of %2 patients; type more to narrow")
                                       .arg(english.toString(shown), english.toString(found))
                                 : QString());
}

ListView* ViewResults::resultsList() const {
    return control<ListView>(IDC_RESULTS_LIST);
}

void ViewResults::showPatients(PatientNameList& patients) {
    resultIds = std::move(patients.m_ids);
    resultFirstNames = std::move(patients.m_firstNames);
    resultLastNames = std::move(patients.m_lastNames);
    ShowResults();
    searched.clear();
    noteSearch();
}

void ViewResults::ShowResults() {
    ListView* list = resultsList();
    list->deleteAllRows();
    while (list->columnCountNow() > 0)
        list->deleteColumn(0);
    enableControl(IDC_RESULTS_DISPLAY, !resultIds.empty());
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
    if (searchPause->isActive())
        noteSearch();
    if (Navigator::instance().showPatient(id))
        Navigator::instance().leave(*this);
}

void ViewResults::close() {
    Navigator::instance().returnToMainMenu(*this);
}
