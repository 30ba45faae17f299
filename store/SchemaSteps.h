#pragma once

#include <string>
#include <vector>

// The rows a step makes once its statements have run, which each engine makes in its own way.
enum class StepRows {
    None,
    SearchKeys, // every patient's search keys, made afresh
    Identity,   // the records' identity, when they have none yet; a records file gets it on
                // every first use, whatever its step
};

// One change to the shape of the records, made on either engine in one transaction.
struct SchemaStep {
    int number;                           // where the records stand once it is made
    std::string name;                     // what it gives, as medora-admin check names it
    std::vector<std::string> tables;      // the tables it adds
    std::vector<std::string> file;        // its statements on the records file, one each
    std::string server;                   // its statements on the server
    StepRows rows = StepRows::None;       // the rows then made
    std::vector<std::string> fileAfter{}; // made on the file once those rows are in
    std::vector<std::string> indexes{};   // the indexes it adds to tables of earlier steps
};

// Every change Medora has made to the shape of its records since it first kept them, in order.
// Records stand at the number of the last step they have had: a records file says so in its
// user_version, a server in its version table, a backup as the file it is. schema.sql and
// schema-postgresql.sql make the records as they stand after the last step.
class SchemaSteps {
public:
    static const std::vector<SchemaStep>& all();
    // The step records made by this program stand at.
    static int current();
    // The steps that records standing at `step` lack, in order.
    static std::vector<const SchemaStep*> after(int step);

    // The server's own record of where its records stand: one row, which only medora-admin
    // writes.
    static constexpr const char* serverVersionTable = "medora_version";
    static const char* serverVersionSchema();
};
