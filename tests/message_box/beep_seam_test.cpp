// The beep operator linked in, with its MessageBeep call replaced: what it
// asks to be played, and that a failing call does not fail the operator.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "message_box.h"
#include "notification_operators.h"
#include "operator_call.h"

namespace {

std::vector<UINT> played;
BOOL beep_result = TRUE;

BOOL WINAPI recording_message_beep(UINT type) {
    played.push_back(type);
    return beep_result;
}

class BeepSeamTest : public ::testing::Test {
protected:
    void SetUp() override {
        played.clear();
        saved_ = notification::message_beep_call;
        notification::message_beep_call = recording_message_beep;
    }
    void TearDown() override { notification::message_beep_call = saved_; }

private:
    notification::message_beep_function saved_ = nullptr;
};

TEST_F(BeepSeamTest, EachCallPlaysTheDefaultSoundOnceAndSucceeds) {
    for (const BOOL result : {TRUE, FALSE}) {
        SCOPED_TRACE(result ? "sound played" : "no sound device");
        played.clear();
        beep_result = result;
        const operator_call::outcome outcome = operator_call::run(CBeep, {});
        EXPECT_EQ(played, std::vector<UINT>{MB_OK});
        EXPECT_EQ(outcome.status, 2);
        EXPECT_TRUE(outcome.error_infos.empty());
        EXPECT_EQ(outcome.output_count, -1);
    }
}

}  // namespace
