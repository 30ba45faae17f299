#pragma once

struct sqlite3;

// The records file's audit trail, kept by the program's own connection: the file holds no
// trigger (a foreign file that carries one is refused), so each connection that works on the
// records makes temporary triggers of its own, which enter every change of a table of records
// in the change's own transaction, hashed into the chain as records/AuditChain checks it.
class FileAuditTrail
{
public:
    // Makes the triggers and the functions they call on the connection, whose file stands at
    // the current step.
    static void keepOn(sqlite3* db);

    // Who acts, as the trail names them: the user signed in, else the computer's account.
    static const char* userFunction;
    // The computer, as the trail names the desk.
    static const char* deskFunction;
    // The SHA-256 of a text's UTF-8 bytes, in lowercase hex.
    static const char* hashFunction;
};
