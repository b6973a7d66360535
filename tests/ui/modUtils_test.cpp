#include "ui/modUtils.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/ScriptedDialogs.h"

namespace tesselin {
namespace {

TEST(FailureHandler, ReportsEveryFailureInOneCriticalBox) {
    const struct {
        const char* name;
        void (*command)();
        const char* expectedPrompt;  // nullptr: no box
    } cases[] = {
        {"failure", [] { throw Failure(53, "File not found: /data/a.txt"); },
         "Error: 53\r\nFile not found: /data/a.txt\r\n"},
        {"memory", [] { throw std::bad_alloc(); },
         "Error: 7\r\nOut of memory: the data set is too large for this computer\r\n"},
        {"other", [] { throw std::runtime_error("unexpected"); }, "Error: 5\r\nunexpected\r\n"},
        {"success", [] {}, nullptr},
    };
    for (const auto& c : cases) {
        testing::ScriptedDialogs dialogs;
        runUnderFailureHandler(dialogs, c.command);
        const auto shown = dialogs.messages();
        ASSERT_EQ(shown.size(), c.expectedPrompt == nullptr ? 0u : 1u) << c.name;
        if (c.expectedPrompt != nullptr) {
            EXPECT_EQ(shown[0].text, c.expectedPrompt) << c.name;
            EXPECT_EQ(shown[0].title, "Error");
            EXPECT_EQ(shown[0].icon, MessageIcon::Critical);
            EXPECT_EQ(shown[0].buttons, MessageButtons::Ok);
        }
    }
    EXPECT_EQ(errorPrompt(Failure(53, "D"), "extra"), "Error: 53\r\nD\r\nextra");
}

}  // namespace
}  // namespace tesselin
