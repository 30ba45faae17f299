#pragma once

#include "store/AccessTrail.h"

#include <functional>
#include <string>
#include <vector>

// Access entries entered by a thread of their own, so that a screen that notes what the user
// opened shows it without waiting for the records' disk. Every other operation of the store
// waits for the entries queued before it (Database), and so does a change of who is signed
// in (Session): the trail keeps the order things were done in, and each entry is entered as
// the user who did it, in the records they did it in.
class AccessWriter {
public:
    // When the entry cannot be entered, why is kept for takeFailures() and `failed` is called,
    // on the writer's thread.
    static void queue(const AccessTrail::Entry& entry, std::function<void()> failed);
    // Returns once every entry queued so far has been tried. On the writer's own thread it
    // returns at once: the entry it is entering waits for nothing.
    static void drain();
    // Why each entry tried since the last call could not be entered, oldest first.
    static std::vector<std::string> takeFailures();
};
