#include "res/Forms.h"
#include "res/resource.h"

using K = ControlKind;
namespace S = Style;

const FormTemplate kRecordsDatabaseForm = {
    IDD_RECORDS_DATABASE, 250, 190, "Records database",
    {
        {K::Label, IDC_RECORDS_NOTE, 7, 7, 236, 26,
         "Where this program keeps the clinic's records. Passwords are never stored: keep them "
         "in ~/.pgpass, or type them when the program starts or here to test."},
        {K::RadioButton, IDC_RECORDS_FILE, 7, 38, 0, 10, "This computer's file", S::Group},
        {K::RadioButton, IDC_RECORDS_SERVER, 7, 52, 0, 10, "A clinic server"},
        {K::Label, IDC_STATIC, 19, 68, 0, 0, "Host", S::None, IDC_RECORDS_HOST},
        {K::Edit, IDC_RECORDS_HOST, 66, 66, 177, 12},
        {K::Label, IDC_STATIC, 19, 84, 0, 0, "Port", S::None, IDC_RECORDS_PORT},
        {K::Edit, IDC_RECORDS_PORT, 66, 82, 40, 12, "", S::Digits},
        {K::Label, IDC_STATIC, 19, 100, 0, 0, "Database", S::None, IDC_RECORDS_DBNAME},
        {K::Edit, IDC_RECORDS_DBNAME, 66, 98, 177, 12},
        {K::Label, IDC_STATIC, 19, 116, 0, 0, "User", S::None, IDC_RECORDS_USER},
        {K::Edit, IDC_RECORDS_USER, 66, 114, 177, 12},
        {K::Label, IDC_STATIC, 19, 132, 0, 0, "Password", S::None, IDC_RECORDS_PASSWORD},
        {K::Edit, IDC_RECORDS_PASSWORD, 66, 130, 177, 12, "", S::Password},
        {K::PushButton, IDC_RECORDS_TEST, 66, 148, 80, 14, "Test connection"},
        {K::PushButton, IDOK, 136, 169, 50, 14, "OK", S::Default},
        {K::PushButton, IDCANCEL, 193, 169, 50, 14, "Cancel"},
    },
};
