#include "common/modUtils.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/ScriptedDialogs.h"

namespace tesselin {
namespace {

using testing::ScriptedDialogs;

TEST(ReportError, ShowsNumberDescriptionAndExtraTextInACriticalBox) {
    ScriptedDialogs dialogs;
    ReportError(dialogs, Failure(53, "File not found: /data/a.txt"), {});
    ReportError(dialogs, Failure(-2147217900, "D"), "extra");

    const auto shown = dialogs.messages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "Error: 53\r\nFile not found: /data/a.txt\r\n");
    EXPECT_EQ(shown[0].title, "Error");
    EXPECT_EQ(shown[0].icon, MessageIcon::Critical);
    EXPECT_EQ(shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(shown[1].text, "Error: -2147217900\r\nD\r\nextra");
}

TEST(FailureHandler, StaysSilentOnCancelAndReportsEveryOtherFailureOnce) {
    const struct {
        const char* name;
        void (*command)();
        const char* expectedPrompt;  // nullptr: no box
    } cases[] = {
        {"cancel", [] { throw Failure(FailureNumber::DialogCancelled, "Cancel"); }, nullptr},
        {"failure", [] { throw Failure(70, "Permission denied: x"); },
         "Error: 70\r\nPermission denied: x\r\n"},
        {"memory", [] { throw std::bad_alloc(); },
         "Error: 7\r\nOut of memory: the data set is too large for this computer\r\n"},
        {"other", [] { throw std::runtime_error("unexpected"); }, "Error: 5\r\nunexpected\r\n"},
        {"success", [] {}, nullptr},
    };
    for (const auto& c : cases) {
        ScriptedDialogs dialogs;
        runUnderFailureHandler(dialogs, c.command);
        const auto shown = dialogs.messages();
        if (c.expectedPrompt == nullptr) {
            EXPECT_TRUE(shown.empty()) << c.name;
        } else {
            ASSERT_EQ(shown.size(), 1u) << c.name;
            EXPECT_EQ(shown[0].text, c.expectedPrompt) << c.name;
        }
    }
}

}  // namespace
}  // namespace tesselin
