#pragma once

// Every data class of the records store.
#include "store/AgeUnit.h"
#include "store/ClinicInfo.h"
#include "store/ComplaintList.h"
#include "store/ComplaintRecord.h"
#include "store/DateTime.h"
#include "store/HistoryEntryList.h"
#include "store/HistoryEntryRecord.h"
#include "store/MedicationNameList.h"
#include "store/PatientDetails.h"
#include "store/PatientMedicationList.h"
#include "store/PatientMedicationRecord.h"
#include "store/PatientNameList.h"
#include "store/PatientRecord.h"
#include "store/TestList.h"
#include "store/TestRecord.h"
#include "store/TestTypeList.h"
