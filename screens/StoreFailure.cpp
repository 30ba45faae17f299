#include "screens/StoreFailure.h"

#include "platform/MessageBox.h"
#include "store/LastFailure.h"

void StoreFailure::show(QWidget* parent, const std::string& usualText) {
    const std::string special = LastFailure::message();
    MessageBox(parent, special.empty() ? usualText : special, "Error", MsgIcon::Stop);
}
