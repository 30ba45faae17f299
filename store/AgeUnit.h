#pragma once

// The unit of PatientDetails::m_age.
enum AgeUnit { Days = 0, Months = 1, Years = 2 };
