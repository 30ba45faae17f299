#include "app/ParkedScreens.h"

#include "platform/CChildFrame.h"
#include "platform/DocTemplate.h"
#include "platform/Document.h"
#include "platform/MdiHost.h"

ParkedScreens::ParkedScreens() = default;

ParkedScreens::~ParkedScreens() {
    for (const std::string& user : owners())
        discard(user);
}

void ParkedScreens::park(const std::string& user, const std::vector<CChildFrame*>& frames,
                         MdiHost& host) {
    auto& parked = byUser[user];
    for (CChildFrame* frame : frames) {
        Document& doc = frame->document();
        host.removeFrame(frame);
        frame->hide();
        if (auto taken = doc.docTemplate().take(doc))
            parked.push_back(std::move(taken));
    }
}

bool ParkedScreens::holds(const std::string& user) const {
    return byUser.contains(user);
}

std::vector<std::string> ParkedScreens::owners() const {
    std::vector<std::string> users;
    for (const auto& [user, documents] : byUser)
        users.push_back(user);
    return users;
}

void ParkedScreens::bringBack(const std::string& user, MdiHost& host) {
    const auto found = byUser.find(user);
    if (found == byUser.end())
        return;
    std::vector<std::unique_ptr<Document>> documents = std::move(found->second);
    byUser.erase(found);
    for (auto& doc : documents) {
        CChildFrame* frame = doc->frame();
        doc->docTemplate().giveBack(std::move(doc));
        host.addFrame(frame);
    }
}

// The frames go when control is back in the event loop, as closed screens' do.
void ParkedScreens::discard(const std::string& user) {
    const auto found = byUser.find(user);
    if (found == byUser.end())
        return;
    for (const auto& doc : found->second)
        doc->frame()->deleteLater();
    byUser.erase(found);
}
