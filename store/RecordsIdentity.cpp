#include "store/RecordsIdentity.h"

#include "store/Database.h"
#include "store/DbError.h"

#include <sys/random.h>

#include <cerrno>

bool RecordsIdentity::Fetch()
{
    return Database::run([&](Database& db) {
        Statement row = db.prepare("SELECT id FROM records_identity WHERE only_row = 1");
        if (!row.step())
            return false;
        m_id = row.text(0);
        return true;
    });
}

std::string RecordsIdentity::makeId()
{
    unsigned char bits[16];
    for (size_t got = 0; got < sizeof bits;) {
        const ssize_t read = getrandom(bits + got, sizeof bits - got, 0);
        if (read < 0 && errno != EINTR)
            return {};
        if (read > 0)
            got += size_t(read);
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string id;
    for (const unsigned char bit : bits) {
        id += kDigits[bit >> 4];
        id += kDigits[bit & 0xf];
    }
    return id;
}

void RecordsIdentity::giveFile(Database& db)
{
    // Read first: a write-protected file that has its id is only read.
    if (db.prepare("SELECT 1 FROM records_identity").step())
        return;
    const std::string id = makeId();
    if (id.empty())
        throw DbError("the system gave no random bits for the records' identity");
    db.prepare("INSERT INTO records_identity (only_row, id) VALUES (1, ?)").bind(1, id).run();
}
