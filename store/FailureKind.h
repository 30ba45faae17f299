#pragma once

// Why a store operation returned false.
enum class FailureKind {
    None,              // it did not fail
    Refused,           // refused before the records were touched: a record number no record can
                       // have, or a visit without its twenty-one texts
    NoSuchRecord,      // the record it was meant for does not exist, or no longer does
    EngineFailed,      // the engine failed: the records file missing, locked, read-only or damaged,
                       // a table missing, or out of memory
    NetworkDrive,      // the records file is on a network drive; nothing was read or written
    ServerUnreachable, // the clinic's server could not be reached, or did not answer in time
    ServerPasswordNeeded, // the server asks for a password: none is known, or the one given
                          // is wrong
    ChangedElsewhere,     // the record was changed at another desk since the screen loaded it;
                          // nothing was written
    LoginUnknown,         // the server knows no login of the name given
    LoginDisabled,        // the login's password was right, but it may no longer sign in
    OutcomeUnknown,       // the link to the server was lost after the change was sent to be
                          // committed: it may or may not have been saved
    DiskFull,             // the disk that holds the records has no room left; nothing was written
    RecordsTooNew,        // the records file was made by a newer version; nothing was written
    ServerTooOld,         // the server's records are of an earlier version: medora-admin upgrade
                          // brings them to this one
    ServerTooNew,         // the server's records are of a newer version than this program's
    NotAllowed,           // the signed-in user's role may not do this; nothing was touched
};
