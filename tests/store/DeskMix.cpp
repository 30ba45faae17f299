#include "DeskMix.h"

#include "store/store.h"

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

namespace {

// Half the patients a desk looks up are among the newest this many: the ones the clinic is
// busy with today, where desks meet.
constexpr long long recentPatients = 50;

long long micros(DeskMix::Clock::time_point moment)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(moment.time_since_epoch()).count();
}

std::vector<std::string> visitTexts(const std::string& treatment)
{
    std::vector<std::string> texts(ComplaintRecord::textCount, "Normal.");
    texts[visitText("complaint")] = "Cough and fever for three days, worse at night.";
    texts[visitText("temp")] = "38.2";
    texts[visitText("bp")] = "130/85";
    texts[visitText("diagnosis")] = "Acute bronchitis.";
    texts[visitText("treatment")] = treatment;
    return texts;
}

// Every field, empty ones at the end too.
std::vector<std::string> split(const std::string& line)
{
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == '\t')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

std::string logPath(const std::string& folder, int desk)
{
    return folder + "/desk-" + std::to_string(desk) + ".log";
}

// A desk's process: waits at the gate, works, and exits 0 once its log is complete.
[[noreturn]] void runDesk(int desk, std::chrono::milliseconds length, long long highestPatient,
                          const std::string& folder, int gate)
{
    char go = 0;
    if (read(gate, &go, 1) != 1)
        _exit(2);
    try {
        std::FILE* log = std::fopen(logPath(folder, desk).c_str(), "w");
        if (log == nullptr)
            _exit(3);
        DeskMix(desk, highestPatient, log).workUntil(DeskMix::Clock::now() + length);
        _exit(std::fclose(log) == 0 ? 0 : 4);
    } catch (...) {
        _exit(5);
    }
}

} // namespace

DeskMix::DeskMix(int desk, long long highestPatient, std::FILE* log)
    : m_desk(desk), m_highestPatient(highestPatient), m_log(log), m_random(std::random_device{}())
{}

void DeskMix::workUntil(Clock::time_point end)
{
    while (Clock::now() < end) {
        const std::string patient = choosePatient();
        if (!patient.empty())
            workOn(patient, end);
    }
    std::fputs("end\n", m_log);
}

template <typename Operation> DeskMix::Timed DeskMix::timed(Operation&& operation)
{
    const Clock::time_point start = Clock::now();
    const bool done = operation();
    const Clock::time_point end = Clock::now();
    return {done, done ? FailureKind::None : LastFailure::kind(), micros(start), micros(end)};
}

void DeskMix::log(const char* operation, const Timed& timed, const std::string& patient,
                  const std::vector<std::string>& values)
{
    std::fprintf(m_log, "%s\t%d\t%lld\t%lld\t%s", operation, static_cast<int>(timed.failure),
                 timed.startUs, timed.endUs, patient.c_str());
    for (const std::string& value : values)
        std::fprintf(m_log, "\t%s", value.c_str());
    std::fputc('\n', m_log);
}

std::string DeskMix::choosePatient()
{
    if (draw(1, 100) <= 25)
        return addPatient();
    for (int tries = 0; tries < 5; ++tries) {
        const long long newest = std::max(1LL, m_highestPatient - recentPatients + 1);
        const std::string id = std::to_string(draw(draw(0, 1) ? newest : 1, m_highestPatient));
        PatientNameList list;
        const Timed found = timed([&] { return list.FetchByID(id); });
        // A miss is an answer, not a failure; only the engine failing is one.
        const Timed logged{found.done, list.m_failed ? found.failure : FailureKind::None,
                           found.startUs, found.endUs};
        log("PatientNameList::FetchByID", logged, id, {found.done ? "found" : "missing"});
        if (found.done)
            return id;
    }
    return addPatient();
}

std::string DeskMix::addPatient()
{
    const std::string firstName = fresh("p");
    const std::string telephone = fresh("t");
    const int year = static_cast<int>(draw(1930, 2020));
    PatientRecord record;
    const Timed added = timed([&] {
        return record.Add(firstName, "Desk", DateTime::fromCivil(year, 6, 15), year % 2,
                          "1 Main St\nSpringfield", telephone);
    });
    log("PatientRecord::Add", added, record.m_id, {firstName, telephone});
    if (!added.done)
        return {};
    m_highestPatient = std::max(m_highestPatient, std::stoll(record.m_id));
    return record.m_id;
}

void DeskMix::workOn(const std::string& patient, Clock::time_point end)
{
    std::vector<std::string> visits;
    const long long actions = draw(1, 6);
    for (long long i = 0; i < actions && Clock::now() < end; ++i) {
        const long long pick = draw(1, 100);
        bool there = true;
        if (pick <= 30)
            there = addVisit(patient, visits);
        else if (pick <= 50)
            there = addHistory(patient);
        else if (pick <= 70)
            there = changeDetails(patient);
        else if (pick <= 85)
            there = lookAtVisits(patient);
        else if (pick <= 95)
            there = removeVisit(patient, visits);
        else
            return removePatient(patient);
        if (!there)
            return;
    }
}

bool DeskMix::addVisit(const std::string& patient, std::vector<std::string>& visits)
{
    const std::string treatment = fresh("v") + " Rest, fluids; review in one week.";
    ComplaintRecord record;
    const Timed added = timed([&] {
        return record.Add(patient, DateTime::fromCivil(2025, 3, 4, 10, 30), visitTexts(treatment));
    });
    log("ComplaintRecord::Add", added, patient, {record.m_id, treatment});
    if (added.done)
        visits.push_back(record.m_id);
    return added.failure != FailureKind::NoSuchRecord;
}

bool DeskMix::addHistory(const std::string& patient)
{
    const std::string details = fresh("h") + " Penicillin: hives";
    const Timed added =
        timed([&] { return HistoryEntryRecord().Add(patient, "Allergies", details); });
    log("HistoryEntryRecord::Add", added, patient, {details});
    return added.failure != FailureKind::NoSuchRecord;
}

// As the record screen saves: the details as loaded, one of them changed, written only while
// the row still holds what was loaded.
bool DeskMix::changeDetails(const std::string& patient)
{
    PatientDetails loaded;
    const Timed fetched = timed([&] { return loaded.Fetch(patient); });
    log("PatientDetails::Fetch", fetched, patient, {loaded.m_telephone});
    if (!fetched.done)
        return fetched.failure != FailureKind::NoSuchRecord;
    const std::string telephone = fresh("t");
    const Timed saved = timed([&] {
        return PatientRecord().UpdateUnlessChanged(patient, loaded, loaded.m_firstName,
                                                   loaded.m_lastName, loaded.m_dob, loaded.m_gender,
                                                   loaded.m_address, telephone);
    });
    log("PatientRecord::UpdateUnlessChanged", saved, patient, {loaded.m_telephone, telephone});
    return saved.failure != FailureKind::NoSuchRecord;
}

bool DeskMix::lookAtVisits(const std::string& patient)
{
    ComplaintList list;
    const Timed fetched = timed([&] { return list.Fetch(patient); });
    log("ComplaintList::Fetch", fetched, patient, {std::to_string(list.m_ids.size())});
    return fetched.failure != FailureKind::NoSuchRecord;
}

bool DeskMix::removeVisit(const std::string& patient, std::vector<std::string>& visits)
{
    if (visits.empty())
        return addVisit(patient, visits);
    const auto chosen = visits.begin() + draw(0, static_cast<long long>(visits.size()) - 1);
    const std::string visit = *chosen;
    visits.erase(chosen);
    const Timed removed = timed([&] { return ComplaintRecord().Delete(visit); });
    log("ComplaintRecord::Delete", removed, patient, {visit});
    return removed.failure != FailureKind::NoSuchRecord;
}

void DeskMix::removePatient(const std::string& patient)
{
    const Timed removed = timed([&] { return PatientRecord().DeleteWithRecords(patient); });
    log("PatientRecord::DeleteWithRecords", removed, patient);
}

long long DeskMix::draw(long long low, long long high)
{
    return std::uniform_int_distribution<long long>(low, high)(m_random);
}

std::string DeskMix::fresh(const char* what)
{
    return "d" + std::to_string(m_desk) + what + std::to_string(++m_made);
}

bool DeskMix::runDesks(int desks, std::chrono::milliseconds length, long long highestPatient,
                       const std::string& folder)
{
    int gate[2];
    if (pipe(gate) != 0)
        return false;
    std::vector<pid_t> children;
    for (int desk = 1; desk <= desks; ++desk) {
        const pid_t child = fork();
        if (child == 0)
            runDesk(desk, length, highestPatient, folder, gate[0]);
        if (child > 0)
            children.push_back(child);
    }
    // All start at once, when every one is ready.
    const std::string go(children.size(), 'g');
    bool finished = write(gate[1], go.data(), go.size()) == static_cast<ssize_t>(go.size());
    close(gate[0]);
    close(gate[1]);
    for (const pid_t child : children) {
        int status = 0;
        finished = waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                   WEXITSTATUS(status) == 0 && finished;
    }
    return finished && static_cast<int>(children.size()) == desks;
}

std::vector<DeskMix::Entry> DeskMix::readLogs(int desks, const std::string& folder)
{
    std::vector<Entry> entries;
    for (int desk = 1; desk <= desks; ++desk) {
        std::ifstream in(logPath(folder, desk));
        bool ended = false;
        for (std::string line; !ended && std::getline(in, line);) {
            ended = line == "end";
            const std::vector<std::string> fields = split(line);
            if (ended)
                continue;
            if (fields.size() < 5)
                throw std::runtime_error("desk " + std::to_string(desk) + " logged: " + line);
            entries.push_back({fields[0], static_cast<FailureKind>(std::stoi(fields[1])),
                               std::stoll(fields[2]), std::stoll(fields[3]), fields[4],
                               std::vector<std::string>(fields.begin() + 5, fields.end())});
        }
        if (!ended)
            throw std::runtime_error("the log of desk " + std::to_string(desk) + " is cut short");
    }
    return entries;
}
