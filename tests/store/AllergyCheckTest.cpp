#include "store/AllergyCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct AllergyCase {
    const char* name;
    const char* drug;
    std::vector<std::string> allergies;
    const char* matched; // the allergy entry the drug matches, or nullptr for none
    const char* drugClass;
};

void PrintTo(const AllergyCase& c, std::ostream* out) {
    *out << c.name;
}

class AllergyCheckTest : public ::testing::TestWithParam<AllergyCase> {};

const AllergyCase kCases[] = {
    {"SharedWord", "ASPIRIN 75MG", {"Aspirin"}, "Aspirin", ""},
    {"SharedWordAnyCaseAndAccents",
     "Codéine phosphate",
     {"CODEINE (vomiting)"},
     "CODEINE (vomiting)",
     ""},
    {"PenicillinClass",
     "AMOXICILLIN 500MG CAPS",
     {"Latex", "Penicillin - rash"},
     "Penicillin - rash",
     "penicillins"},
    {"AspirinAgainstAnNsaid",
     "Ibuprofen 400 mg",
     {"aspirin (asthma)"},
     "aspirin (asthma)",
     "NSAIDs and aspirin"},
    {"ClassNamedInTheAllergy", "Céfalexin", {"Cephalosporins"}, "Cephalosporins", "cephalosporins"},
    {"ClassOfSeveralWords",
     "Ramipril 5mg",
     {"ACE inhibitors (cough)"},
     "ACE inhibitors (cough)",
     "ACE inhibitors"},
    {"BrandOfAMixture", "Co-trimoxazole 960", {"Sulfa drugs"}, "Sulfa drugs", "sulfonamides"},
    {"NoMatch", "Paracetamol 500mg", {"Penicillin", "Peanuts"}, nullptr, nullptr},
    {"ClassesDiffer", "Azithromycin", {"Doxycycline"}, nullptr, nullptr},
    {"ShortWordsAndFormsDoNotMatch",
     "Amoxicillin capsules 250",
     {"Iron capsules 250"},
     nullptr,
     nullptr},
    {"AcidIsNoDrug", "Folic acid 5mg", {"Mefenamic acid"}, nullptr, nullptr},
    {"NoAllergies", "Morphine", {}, nullptr, nullptr},
};

} // namespace

TEST_P(AllergyCheckTest, FindsTheAllergyADrugMatches) {
    const AllergyCase& c = GetParam();
    const auto match = AllergyCheck::find(c.drug, c.allergies);
    if (c.matched == nullptr) {
        EXPECT_FALSE(match) << match->allergy;
        return;
    }
    ASSERT_TRUE(match);
    EXPECT_EQ(match->allergy, c.matched);
    EXPECT_EQ(match->drugClass, c.drugClass);
}

INSTANTIATE_TEST_SUITE_P(Cases, AllergyCheckTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AllergyQuestionTest, NamesThePatientTheAllergyTheClassAndTheDrug) {
    EXPECT_EQ(AllergyCheck::question("Ann Lee", "ASPIRIN 75MG", {"Aspirin", ""}),
              "Ann Lee is recorded as allergic to: Aspirin. Add ASPIRIN 75MG anyway?");
    EXPECT_EQ(AllergyCheck::question("Ann Lee", "AMOXICILLIN", {"Penicillin", "penicillins"}),
              "Ann Lee is recorded as allergic to: Penicillin (the same class: penicillins). Add "
              "AMOXICILLIN anyway?");
}
