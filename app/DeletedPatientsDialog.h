#pragma once

#include "platform/Dialog.h"
#include "store/DeletedPatients.h"

class ListView;

// Database › Deleted patients…: the patients whose record was deleted, with when and by whom,
// and "Bring back", which puts the chosen one back whole.
class DeletedPatientsDialog : public Dialog {
public:
    explicit DeletedPatientsDialog(QWidget* parent);

protected:
    bool OnInitDialog() override;

private:
    ListView* list() const;
    bool reload();
    void bringBack();

    DeletedPatients deleted;
};
