#pragma once

// Numbers of the program's dialogs, controls, commands, menus, strings and bitmaps.

// Main window: menu, toolbar, icon, accelerators and caption string.
constexpr int IDR_MAINFRAME = 128;
constexpr int IDR_MAINMENU_MENU = 103;
constexpr int IDR_ADDNEW_MENU = 106;
constexpr int IDR_FINDID_MENU = 108;
constexpr int IDR_FINDNAME_MENU = 110;
constexpr int IDR_VIEWRESULTS_MENU = 113;
constexpr int IDR_VIEWREC_MENU = 117;
constexpr int IDR_VIEWCOMPLAINT_MENU = 119;
constexpr int IDR_PRESCRIPTION_MENU = 123;
constexpr int IDR_CLINICINFO_MENU = 134;
constexpr int IDR_VITAL_CHARTS_MENU = 151;
constexpr int IDI_ABOUT = 131;
constexpr int IDB_EMBLEM = 146;

// Strings.
constexpr int IDS_SOCKETS_INIT_FAILED = 104;

// Dialog templates.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_MAIN_MENU = 102;
constexpr int IDD_ADD_NEW = 105;
constexpr int IDD_FIND_ID = 107;
constexpr int IDD_FIND_NAME = 109;
constexpr int IDD_VIEW_RESULTS = 112;
constexpr int IDD_VIEW_REC = 116;
constexpr int IDD_VIEW_COMPLAINT = 118;
constexpr int IDD_ADD_TEST = 120;
constexpr int IDD_ADD_MEDICATION = 121;
constexpr int IDD_ISSUE_PRESCRIPTION = 122;
constexpr int IDD_CLINIC_INFO = 133;
constexpr int IDD_ADD_ENTRY = 139;
constexpr int IDD_RECORDS_DATABASE = 140;
constexpr int IDD_BACKUPS = 142;
constexpr int IDD_VITAL_CHARTS = 150;
constexpr int IDD_SIGN_IN = 152;
constexpr int IDD_CHANGE_PASSWORD = 153;
constexpr int IDD_USERS = 154;
constexpr int IDD_ADD_USER = 155;
constexpr int IDD_AUDIT_TRAIL = 156;
constexpr int IDD_DELETED_PATIENTS = 157;
constexpr int IDD_HISTORY_OF_CHANGES = 158;

// Framework commands.
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_SAVE = 57603;
constexpr int ID_FILE_PRINT_SETUP = 57606;
constexpr int ID_FILE_PRINT = 57607;
constexpr int ID_FILE_PRINT_PREVIEW = 57609;
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_EDIT_CUT = 57635;
constexpr int ID_EDIT_PASTE = 57637;
constexpr int ID_EDIT_UNDO = 57643;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_NEXT_PANE = 57680;
constexpr int ID_PREV_PANE = 57681;

// Task commands of the main menu screen.
constexpr int ID_PATIENT_ADD = 32771;
constexpr int ID_PATIENT_LIST_ALL = 32772;
constexpr int ID_PATIENT_LOCATE_ID = 32773;
constexpr int ID_PATIENT_LOCATE_NAME = 32774;
constexpr int ID_ISSUE_PRESCRIPTION = 32788;
constexpr int ID_EDIT_CLINIC_INFO = 32791;
constexpr int ID_DATABASE_BACKUP = 32793;
constexpr int ID_DATABASE_RESTORE = 32794;
constexpr int ID_DATABASE_BACKUPS = 32804;
constexpr int ID_HELP_CONTENTS = 32797;

// Zoom of the forms, on every screen.
constexpr int ID_VIEW_ZOOM_IN = 32800;
constexpr int ID_VIEW_ZOOM_OUT = 32801;
constexpr int ID_VIEW_ACTUAL_SIZE = 32802;
constexpr int ID_VIEW_FIT_TO_WINDOW = 32831;

// The records the program uses, on every screen.
constexpr int ID_FILE_RECORDS_DATABASE = 32803;
// Asks again for the server's password the user did not give at start.
constexpr int ID_FILE_CONNECT = 32830;

// The rescue of the rows of a damaged records file, on the main menu screen.
constexpr int ID_DATABASE_RESCUE = 32820;
// Every record written as FHIR, and records brought in from FHIR, on the main menu screen.
constexpr int ID_DATABASE_EXPORT_ALL = 32821;
constexpr int ID_DATABASE_IMPORT = 32822;

// The record screen's export of the whole record as a PDF file or a FHIR record.
constexpr int ID_FILE_EXPORT_RECORD = 32810;
// The record screen's way to the charts of the patient's vital signs.
constexpr int ID_VIEW_VITAL_CHARTS = 32840;

// Who is at the desk: the users of the records, signing out, and locking the screen.
constexpr int ID_DATABASE_USERS = 32850;
constexpr int ID_FILE_SIGN_OUT = 32851;
constexpr int ID_FILE_LOCK = 32852;
constexpr int ID_DATABASE_AUDIT_TRAIL = 32853;
constexpr int ID_DATABASE_DELETED_PATIENTS = 32854;
// The versions of the record, visit or entry on screen, each of which can be put back.
constexpr int ID_EDIT_HISTORY_OF_CHANGES = 32855;

// Commands of other screens.
constexpr int ID_ADDNEW_ADD = 32775;
constexpr int ID_ADDNEW_CANCEL = 32776;
constexpr int ID_RESULTS_DISPLAY = 32777;
constexpr int ID_RESULTS_CLOSE = 32778;

// About box (100).
constexpr int IDC_ABOUT_ICON = 1200;

// Records database dialog (140).
constexpr int IDC_RECORDS_NOTE = 1210;
constexpr int IDC_RECORDS_FILE = 1211;
constexpr int IDC_RECORDS_SERVER = 1212;
constexpr int IDC_RECORDS_HOST = 1213;
constexpr int IDC_RECORDS_PORT = 1214;
constexpr int IDC_RECORDS_DBNAME = 1215;
constexpr int IDC_RECORDS_USER = 1216;
constexpr int IDC_RECORDS_TEST = 1217;
constexpr int IDC_RECORDS_PASSWORD = 1218;

// Sign-in dialog (152).
constexpr int IDC_SIGN_IN_PROMPT = 1290;
constexpr int IDC_SIGN_IN_NAME = 1291;
constexpr int IDC_SIGN_IN_PASSWORD = 1292;

// Change password dialog (153).
constexpr int IDC_NEW_PASSWORD_PROMPT = 1295;
constexpr int IDC_NEW_PASSWORD = 1296;
constexpr int IDC_NEW_PASSWORD_AGAIN = 1297;

// Audit trail dialog (156).
constexpr int IDC_AUDIT_FROM = 1300;
constexpr int IDC_AUDIT_TO = 1301;
constexpr int IDC_AUDIT_PATIENT = 1302;
constexpr int IDC_AUDIT_USER = 1303;
constexpr int IDC_AUDIT_ACTION = 1304;
constexpr int IDC_AUDIT_SHOW = 1305;
constexpr int IDC_AUDIT_LIST = 1306;
constexpr int IDC_AUDIT_DETAILS = 1307;
constexpr int IDC_AUDIT_EXPORT = 1308;

// Deleted patients dialog (157).
constexpr int IDC_DELETED_LIST = 1310;
constexpr int IDC_DELETED_BRING_BACK = 1311;

// History of changes dialog (158), and its button on the visit screen.
constexpr int IDC_HISTORY_WHAT = 1315;
constexpr int IDC_HISTORY_VERSIONS = 1316;
constexpr int IDC_HISTORY_CHANGES = 1317;
constexpr int IDC_HISTORY_RESTORE = 1318;
constexpr int IDC_VISIT_HISTORY = 1319;

// Users dialog (154).
constexpr int IDC_USERS_LIST = 1270;
constexpr int IDC_USERS_ADD = 1271;
constexpr int IDC_USERS_ROLE = 1272;
constexpr int IDC_USERS_SET_ROLE = 1273;
constexpr int IDC_USERS_DISABLE = 1274;
constexpr int IDC_USERS_PASSWORD = 1275;
constexpr int IDC_USERS_LOCK = 1276;

// Add user dialog (155).
constexpr int IDC_ADD_USER_NAME = 1280;
constexpr int IDC_ADD_USER_FULL_NAME = 1281;
constexpr int IDC_ADD_USER_ROLE = 1282;
constexpr int IDC_ADD_USER_PASSWORD = 1283;
constexpr int IDC_ADD_USER_AGAIN = 1284;

// Backups dialog (142).
constexpr int IDC_BACKUPS_FOLDER = 1230;
constexpr int IDC_BACKUPS_BROWSE = 1231;

// Main menu screen (102).
constexpr int IDC_MAIN_DATE = 1025;
constexpr int IDC_MAIN_BACKUP_STATUS = 1026;
constexpr int IDC_MAIN_ADD_PATIENT = 1005;
constexpr int IDC_MAIN_FIND_NAME = 1004;
constexpr int IDC_MAIN_FIND_ID = 1003;
constexpr int IDC_MAIN_LIST_ALL = 1002;
constexpr int IDC_MAIN_PRESCRIPTION = 1084;
constexpr int IDC_MAIN_CLINIC_INFO = 1085;
constexpr int IDC_MAIN_BACKUP = 1086;
constexpr int IDC_MAIN_RESTORE = 1088;

// Controls of the patient screens and dialogs, the prescription screen and the clinic
// screen follow, one block per form.

// Visit screen (118): the buttons its opener sets up.
constexpr int IDC_VISIT_ADD = 1043;
constexpr int IDC_VISIT_DELETE = 1019;
constexpr int IDC_VISIT_CANCEL = 1052;

// Add patient screen (105).
constexpr int IDC_ADDNEW_FIRST_NAME = 1004;
constexpr int IDC_ADDNEW_LAST_NAME = 1005;
constexpr int IDC_ADDNEW_MALE = 1048;
constexpr int IDC_ADDNEW_FEMALE = 1049;
constexpr int IDC_ADDNEW_DOB = 1006;
constexpr int IDC_ADDNEW_ADDRESS = 1007;
constexpr int IDC_ADDNEW_TELEPHONE = 1008;
constexpr int IDC_ADDNEW_ADD = 1043;
constexpr int IDC_ADDNEW_CANCEL = 1052;

// Search results screen (112).
constexpr int IDC_RESULTS_LIST = 1037;
constexpr int IDC_RESULTS_DISPLAY = 1016;
constexpr int IDC_RESULTS_CLOSE = 1052;
constexpr int IDC_RESULTS_SEARCH = 1001;
constexpr int IDC_RESULTS_COUNT = 1002;

// Patient medical record screen (116).
constexpr int IDC_REC_FIRST_NAME = 1004;
constexpr int IDC_REC_LAST_NAME = 1005;
constexpr int IDC_REC_DOB = 1035;
constexpr int IDC_REC_TELEPHONE = 1008;
constexpr int IDC_REC_MALE = 1048;
constexpr int IDC_REC_FEMALE = 1051;
constexpr int IDC_REC_ADDRESS = 1007;
constexpr int IDC_REC_UPDATE_INFO = 1014;
constexpr int IDC_REC_VISITS = 1009;
constexpr int IDC_REC_MEDICAL = 1010;
constexpr int IDC_REC_SURGICAL = 1011;
constexpr int IDC_REC_SOCIAL = 1012;
constexpr int IDC_REC_FAMILY = 1053;
constexpr int IDC_REC_ALLERGIES = 1054;
constexpr int IDC_REC_MEDICATIONS = 1013;
constexpr int IDC_REC_TESTS = 1069;
constexpr int IDC_REC_HISTORY_LIST = 1006;
constexpr int IDC_REC_ADD = 1043;
constexpr int IDC_REC_VIEW_EDIT = 1018;
constexpr int IDC_REC_DELETE = 1019;
constexpr int IDC_REC_DELETE_RECORD = 1020;
constexpr int IDC_REC_CLOSE = 1052;
constexpr int IDC_REC_PATIENT_NUMBER = 1022;
constexpr int IDC_REC_ALLERGY_LINE = 1120;
constexpr int IDC_REC_CHARTS = 1251;

// Add history entry dialog (139).
constexpr int IDC_ENTRY_DETAILS = 1046;
constexpr int IDC_ENTRY_TYPE = 1045;

// Add medication dialog (121).
constexpr int IDC_MED_DRUG = 1013;
constexpr int IDC_MED_STATUS = 1073;

// Add test dialog (120).
constexpr int IDC_TEST_DATE = 1025;
constexpr int IDC_TEST_TYPE = 1088;
constexpr int IDC_TEST_RESULTS = 1067;

// Visit screen (118): the other controls.
constexpr int IDC_VISIT_DATE = 1025;
constexpr int IDC_VISIT_TEMPERATURE = 1028;
constexpr int IDC_VISIT_BLOOD_PRESSURE = 1030;
constexpr int IDC_VISIT_RESPIRATORY_RATE = 1055;
constexpr int IDC_VISIT_PULSE = 1029;
constexpr int IDC_VISIT_HEIGHT = 1060;
constexpr int IDC_VISIT_WEIGHT = 1031;
constexpr int IDC_VISIT_EYES = 1056;
constexpr int IDC_VISIT_HEENT = 1057;
constexpr int IDC_VISIT_RESPIRATORY = 1034;
constexpr int IDC_VISIT_CARDIOVASCULAR = 1037;
constexpr int IDC_VISIT_GASTROINTESTINAL = 1032;
constexpr int IDC_VISIT_GENITOURINARY = 1038;
constexpr int IDC_VISIT_ENDOCRINE = 1036;
constexpr int IDC_VISIT_MUSCULOSKELETAL = 1058;
constexpr int IDC_VISIT_HEMA_LYMPH = 1059;
constexpr int IDC_VISIT_DERMATOLOGY = 1062;
constexpr int IDC_VISIT_PSYCHO_NEURO = 1033;
constexpr int IDC_VISIT_OTHER = 1063;
constexpr int IDC_VISIT_DIAGNOSIS = 1040;
constexpr int IDC_VISIT_TREATMENT = 1042;
constexpr int IDC_VISIT_UPDATE = 1014;
constexpr int IDC_VISIT_NUMBER = 1021;
constexpr int IDC_VISIT_PATIENT_NUMBER = 1022;
constexpr int IDC_VISIT_COMPLAINT = 1009;
constexpr int IDC_VISIT_ALLERGY_LINE = 1120;
constexpr int IDC_VISIT_BMI = 1250;

// Locate patient by ID (107).
constexpr int IDC_FINDID_PATIENT_ID = 1022;
constexpr int IDC_FINDID_LOCATE = 1;
constexpr int IDC_FINDID_CANCEL = 1052;

// Locate patient by name (109).
constexpr int IDC_FINDNAME_NAME = 1107;
constexpr int IDC_FINDNAME_LOCATE = 1108;
constexpr int IDC_FINDNAME_CANCEL = 1052;

// Prescription screen (122).
constexpr int IDC_RX_PATIENT_NAME = 1086;
constexpr int IDC_RX_AGE = 1075;
constexpr int IDC_RX_AGE_UNIT = 1087;
constexpr int IDC_RX_DIAGNOSIS = 1040;
constexpr int IDC_RX_DRUG = 1079;
constexpr int IDC_RX_ADD_TO_LIST = 1043;
constexpr int IDC_RX_REMOVE_FROM_LIST = 1085;
constexpr int IDC_RX_PRESCRIPTIONS = 1078;
constexpr int IDC_RX_PRINT = 1081;
constexpr int IDC_RX_RESET = 1111;
constexpr int IDC_RX_CANCEL = 1082;
constexpr int IDC_RX_ALLERGY_LINE = 1120;

// Clinic information screen (133).
constexpr int IDC_CLINIC_NAME = 1097;
constexpr int IDC_CLINIC_DOCTOR_NAME = 1098;
constexpr int IDC_CLINIC_QUALIFICATIONS = 1099;
constexpr int IDC_CLINIC_PHONE = 1008;
constexpr int IDC_CLINIC_STREET = 1007;
constexpr int IDC_CLINIC_CITY = 1101;
constexpr int IDC_CLINIC_PROVINCE = 1103;
constexpr int IDC_CLINIC_POSTAL_CODE = 1104;
constexpr int IDC_CLINIC_UPDATE = 1014;
constexpr int IDC_CLINIC_CANCEL = 1082;

// Vital signs charts (150).
constexpr int IDC_CHARTS_PATIENT = 1252;
constexpr int IDC_CHARTS_AREA = 1253;
constexpr int IDC_CHARTS_SAVE = 1254;
constexpr int IDC_CHARTS_PRINT = 1255;
constexpr int IDC_CHARTS_CLOSE = 1256;
