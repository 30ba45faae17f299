#include "records/AuditReport.h"

#include "store/DateTime.h"

namespace {

bool isDay(const std::string& text) {
    DateTime day;
    return text.size() == 10 && DateTime::fromIso(text + " 00:00:00", day);
}

bool isWholeNumber(const std::string& text) {
    return !text.empty() && text.size() < 19 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

std::optional<AuditReport::Filter> AuditReport::filterOf(const std::vector<std::string>& args,
                                                         std::string& why) {
    Filter filter;
    for (size_t i = 0; i < args.size(); i += 2) {
        const std::string& option = args[i];
        std::string* part = option == "--patient" ? &filter.patient
                            : option == "--user"  ? &filter.user
                            : option == "--action" ? &filter.action
                            : option == "--from"   ? &filter.from
                            : option == "--to"     ? &filter.to
                                                   : nullptr;
        if (part == nullptr || i + 1 >= args.size()) {
            why = part == nullptr ? "there is no option " + option : option + " needs a value";
            return std::nullopt;
        }
        *part = args[i + 1];
    }
    if (!filter.patient.empty() && !isWholeNumber(filter.patient))
        why = "--patient takes a record number";
    for (const std::string* day : {&filter.from, &filter.to})
        if (!day->empty() && !isDay(*day))
            why = "--from and --to take a day as YYYY-MM-DD";
    if (!why.empty())
        return std::nullopt;
    return filter;
}

bool AuditReport::matches(const AuditEntry& entry, const Filter& filter) {
    const std::string day = entry.timeLocal.substr(0, 10);
    return (filter.patient.empty() || entry.patient == filter.patient) &&
           (filter.user.empty() || entry.user == filter.user) &&
           (filter.action.empty() || entry.action == filter.action) &&
           (filter.from.empty() || day >= filter.from) && (filter.to.empty() || day <= filter.to);
}

std::string AuditReport::csvField(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos)
        return field;
    std::string quoted = "\"";
    for (const char c : field)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

void AuditReport::write(std::ostream& out, const std::vector<AuditEntry>& entries,
                        const Filter& filter) {
    out << "time,user,desk,action,table,record,patient,details\r\n";
    for (const AuditEntry& entry : entries) {
        if (!matches(entry, filter))
            continue;
        const std::string* fields[] = {&entry.timeLocal, &entry.user,   &entry.desk,
                                       &entry.action,    &entry.table,  &entry.record,
                                       &entry.patient,   &entry.details};
        for (size_t i = 0; i < std::size(fields); ++i)
            out << (i == 0 ? "" : ",") << csvField(*fields[i]);
        out << "\r\n";
    }
}
