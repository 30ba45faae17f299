#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

class CChildFrame;
class Document;
class MdiHost;

// The screens a user left with entries not yet saved when someone else signed in at this
// desk: kept whole, out of sight and out of every list of open screens, until that user signs
// in again and takes them back, or lets them go.
class ParkedScreens {
public:
    ParkedScreens();
    ~ParkedScreens();
    ParkedScreens(const ParkedScreens&) = delete;
    ParkedScreens& operator=(const ParkedScreens&) = delete;

    // Takes every frame, oldest first, out of the host and its screen's list.
    void park(const std::string& user, const std::vector<CChildFrame*>& frames, MdiHost& host);
    bool holds(const std::string& user) const;
    // Whose screens are parked.
    std::vector<std::string> owners() const;
    // The user's screens come back to the host as they were, in their order.
    void bringBack(const std::string& user, MdiHost& host);
    void discard(const std::string& user);

private:
    // Each user's documents, oldest first.
    std::map<std::string, std::vector<std::unique_ptr<Document>>> byUser;
};
