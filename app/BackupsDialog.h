#pragma once

#include "platform/Dialog.h"

#include <string>

// The folder the automatic backups go to, kept in the per-user settings; left empty, the
// backups folder beside the records.
class BackupsDialog : public Dialog {
public:
    explicit BackupsDialog(QWidget* parent);

    void DoDataExchange(DataExchange& dx) override;

protected:
    void OnOK() override;

private:
    void browse();

    std::string folder;
};
