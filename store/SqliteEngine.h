#pragma once

#include "store/Engine.h"

#include <string>

// A records file on this computer. Each operation opens it, holds it exclusively
// and closes it before returning, so that between operations the whole database is that one
// file, which backups copy. The first operation on a file in each process sets its search
// keys right, as other programs may have changed its patients.
class SqliteEngine : public Engine
{
public:
    explicit SqliteEngine(std::string file) : m_file(std::move(file)) {}

    // The records file, as the program names it in its messages.
    const std::string& file() const { return m_file; }

    bool transact(const std::function<bool(Connection&)>& work, Intent intent,
                  Span span) override;
    void accept(Visitor& visitor) const override { visitor.visit(*this); }

    // A records file was replaced: the next operation on each file sets its search keys right
    // again.
    static void keysMayBeStale();

private:
    std::string m_file;
};
