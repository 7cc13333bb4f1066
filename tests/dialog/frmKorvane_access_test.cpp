// Access rights decide which customers, companies and jobs a user sees. Two
// users with different rights on the demo database, and for every resource
// type, job status and lookup exactly the rows each may see. The demo holds a
// row that only each single condition keeps out (level, display, user,
// active, folder id, folder name), so dropping any of them shows more.
#include <algorithm>
#include <array>
#include <map>

#include "dialog_fixture.hpp"

namespace kv::dialogtest {
namespace {

using Rows = std::vector<std::string>;
constexpr int kAlle = 0, kAllJobs = 2;
const std::vector<std::int32_t> kDemoJobs = {417, 418, 419, 420, 421, 430, 431, 440, 441, 450, 460};

struct Rights {
    std::int32_t user;
    std::map<int, Rows> resourcesByType;                         // cboRessType index -> listed resources
    std::map<std::int32_t, std::array<Rows, 3>> jobsByCustomer;  // under active, closed, all jobs
    std::vector<std::int32_t> jobsFoundByNumber;
};

const Rows kStaff = {"R3", "R2", "R1"};
const Rows kAlleList = {"R3", "R2", "R1", "R101", "R104", "R102", "R100", "R103", "R200", "R201", "R301", "R300"};
const Rows kNone;

Rights DemoUser() {
    return {demo::UserRessId,
            {{0, kAlleList},
             {1, {"R10"}},
             {2, kStaff},
             {3, {"R101", "R102", "R100"}},
             {4, {"R200", "R201"}},
             {5, {"R301", "R300"}},
             {6, {"R400"}},
             {7, {"R500"}},
             {8, {"R600"}}},
            {{100, {Rows{"J417", "J418", "J419"}, Rows{"J420", "J421"}, Rows{"J417", "J418", "J419", "J420", "J421"}}},
             {101, {Rows{"J430"}, Rows{"J431"}, Rows{"J430", "J431"}}},
             {102, {Rows{"J440", "J441"}, kNone, Rows{"J440", "J441"}}},
             // Not displayed in lists, but with access level 1 its jobs show.
             {103, {Rows{"J450"}, kNone, Rows{"J450"}}},
             {104, {kNone, kNone, kNone}}},
            {417, 418, 419, 420, 421, 430, 431, 440, 441}};
}

Rights OtherUser() {
    return {demo::OtherUserRessId,
            {{0, kAlleList},
             {1, {"R12"}},
             {2, kStaff},
             {3, {"R101", "R104"}},
             {4, {"R200", "R201"}},
             {5, {"R301", "R300"}},
             {6, {"R400"}},
             {7, {"R500"}},
             {8, {"R600"}}},
            {{100, {kNone, kNone, kNone}},  // access level 2 is no access
             {101, {Rows{"J430"}, Rows{"J431"}, Rows{"J430", "J431"}}},
             {102, {kNone, kNone, kNone}},
             {103, {kNone, kNone, kNone}},
             {104, {Rows{"J460"}, kNone, Rows{"J460"}}}},
            {430, 431, 460}};
}

struct AccessTest : DialogTest, ::testing::WithParamInterface<Rights (*)()> {
    Rights rights = GetParam()();
    void SetUp() override {
        DialogTest::SetUp();
        h.ctx->gUserRessId = rights.user;
    }
};

TEST_P(AccessTest, ResourceListOfEveryTypeHoldsExactlyWhatTheUserMaySee) {
    Open([&](frmKorvane& d) {
        for (const auto& [type, expected] : rights.resourcesByType) {
            user::SelectComboItem(d, "cboRessType", type);
            EXPECT_EQ(Keys(*d.Controls().lstvRess), expected) << "type " << type;
        }
    });
    EXPECT_TRUE(h.prompts.Messages().empty());
}

TEST_P(AccessTest, JobListOfEveryCustomerAndStatusHoldsExactlyWhatTheUserMaySee) {
    Open([&](frmKorvane& d) {
        user::SelectComboItem(d, "cboRessType", kAlle);
        for (const auto& [customer, byStatus] : rights.jobsByCustomer) {
            user::ClickItem(d, "lstvRess", "R" + std::to_string(customer));
            for (int status = 0; status < 3; ++status) {
                user::SelectComboItem(d, "cboActive", status);
                EXPECT_EQ(Keys(*d.Controls().lstvJobs), byStatus[status])
                    << "customer " << customer << " status " << status;
            }
        }
    });
    EXPECT_TRUE(h.prompts.Messages().empty());
}

// Every job of the demo, by number, from the list of all resources and all
// jobs: found where the user may see it, otherwise "not found" without the
// dialog even opening that customer.
TEST_P(AccessTest, NumberLookupFindsExactlyTheJobsTheUserMaySee) {
    std::vector<std::string> expectedMessages;
    settings::WriteNumber(h.registry, "JobSetting", kAllJobs + 1);
    Open([&](frmKorvane& d) {
        user::SelectComboItem(d, "cboRessType", kAlle);
        user::ClickItem(d, "lstvRess", "R101");
        for (std::int32_t job : kDemoJobs) {
            const bool visible = std::count(rights.jobsFoundByNumber.begin(), rights.jobsFoundByNumber.end(), job) > 0;
            d.Controls().txtJobId->SetText("");
            d.Controls().lstvJobs->SetSelectedItem(nullptr);
            h.database.Clear();
            user::TypeText(d, "txtJobId", std::to_string(job) + "\r");
            EXPECT_EQ(Selected(*d.Controls().lstvJobs), visible ? "J" + std::to_string(job) : "") << job;
            if (!visible) {
                expectedMessages.push_back("Job nr " + std::to_string(job) + " blev ikke fundet ");
                EXPECT_EQ(h.database.Statements().size(), 1u) << "job " << job << " looked further than its access";
            }
        }
    });
    EXPECT_EQ(h.MessageTexts(), expectedMessages);
}

// A name typed for each customer's jobs: found only among the jobs listed.
TEST_P(AccessTest, NameLookupFindsOnlyJobsTheUserMaySee) {
    const std::map<std::int32_t, std::pair<std::string, std::int32_t>> typed = {{100, {"Køkken", 418}},
                                                                                {101, {"Revision", 431}},
                                                                                {102, {"Rådgivning", 441}},
                                                                                {103, {"Æblemost", 450}},
                                                                                {104, {"Bagerens", 460}}};
    settings::WriteNumber(h.registry, "JobSetting", kAllJobs + 1);
    Open([&](frmKorvane& d) {
        user::SelectComboItem(d, "cboRessType", kAlle);
        for (const auto& [customer, lookup] : typed) {
            user::ClickItem(d, "lstvRess", "R" + std::to_string(customer));
            const Rows& listed = rights.jobsByCustomer.at(customer)[kAllJobs];
            const std::string key = "J" + std::to_string(lookup.second);
            d.Controls().txtJobNavn->SetText("");
            user::TypeText(d, "txtJobNavn", lookup.first + "\r");
            const bool visible = std::find(listed.begin(), listed.end(), key) != listed.end();
            EXPECT_EQ(Selected(*d.Controls().lstvJobs), visible ? key : "") << lookup.first;
        }
    });
    EXPECT_TRUE(h.prompts.Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(DemoUsers, AccessTest, ::testing::Values(&DemoUser, &OtherUser),
                         [](const auto& info) { return info.index == 0 ? "DemoUser" : "OtherUser"; });

}  // namespace
}  // namespace kv::dialogtest
