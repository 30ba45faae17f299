#include "app/ScreenTemplates.h"

#include "app/Screens.h"
#include "platform/DocTemplate.h"
#include "prescription/EditClinicInfo1.h"
#include "prescription/IssuPrescription.h"
#include "res/resource.h"
#include "screens/AddNew.h"
#include "screens/FindID.h"
#include "screens/FindName.h"
#include "screens/ViewComplaint.h"
#include "screens/ViewRec.h"
#include "screens/ViewResults.h"
#include "screens/VitalChartsView.h"

namespace {

std::unique_ptr<DocTemplate> screen(int menuId, const char* docName,
                                    DocTemplate::ViewFactory makeView) {
    return std::make_unique<DocTemplate>(menuId, docName, std::move(makeView));
}

} // namespace

std::vector<std::unique_ptr<DocTemplate>> screenTemplates() {
    std::vector<std::unique_ptr<DocTemplate>> screens;
    screens.push_back(screen(IDR_ADDNEW_MENU, "AddNew", [] { return new AddNew; }));
    screens.push_back(screen(IDR_FINDID_MENU, "FindID", [] { return new FindID; }));
    screens.push_back(screen(IDR_FINDNAME_MENU, "FindName", [] { return new FindName; }));
    screens.push_back(screen(IDR_VIEWRESULTS_MENU, "ViewResults", [] { return new ViewResults; }));
    screens.push_back(screen(IDR_VIEWREC_MENU, "ViewRec", [] { return new ViewRec; }));
    screens.push_back(
        screen(IDR_VIEWCOMPLAINT_MENU, "ViewComplaint", [] { return new ViewComplaint; }));
    screens.push_back(
        screen(IDR_PRESCRIPTION_MENU, "IssuPrescription", [] { return new IssuPrescription; }));
    screens.push_back(
        screen(IDR_CLINICINFO_MENU, "EditClinicInfo1", [] { return new EditClinicInfo1; }));
    screens.push_back(
        screen(IDR_VITAL_CHARTS_MENU, "VitalChartsView", [] { return new VitalChartsView; }));
    return screens;
}
