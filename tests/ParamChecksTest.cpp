#include "configurator/ParamChecks.h"

#include <gtest/gtest.h>

#include <functional>

TEST(ParamChecks, AnswersTheFirstFailingCheckWithItsText) {
    struct TCase {
        std::function<void(TParamValues&)> Change;
        int Number; // 0: every check passes
        const char* Field;
        const char* Message;
    };
    const TCase cases[] = {
        {[](TParamValues&) {}, 0, "", ""},
        {[](TParamValues& v) {
             v.AddIp = {" 0", "+255", "007", "1"};
             v.Port = "0";
         },
         0, "", ""},
        {[](TParamValues& v) { v.AddIp[0] = "256"; }, 1, "E_ETH_IP1",
         "Error!! IP1 must be between 0 and 255. "},
        {[](TParamValues& v) { v.Subnet[3] = "-1"; }, 8, "E_ETH_SM4",
         "Error!! SubNet Mask 4 must be between 0 and 255. "},
        {[](TParamValues& v) {
             v.Gateway[1] = "";
             v.Dest[0] = "x";
         },
         10, "E_ETH_GAT2", "Error!! Gateway Address 2 must be between 0 and 255. "},
        {[](TParamValues& v) { v.Dest[2] = "1 "; }, 15, "E_ETH_DEST3",
         "Error!! Destination IP Address 3 must be between 0 and 255. "},
        {[](TParamValues& v) { v.Port = "65536"; }, 17, "E_ETH_Port",
         "Error!! Port must be between 0 and 655535. "},
    };
    for (const TCase& c : cases) {
        TParamValues values;
        c.Change(values);
        const auto failed = CheckParamValues(values);
        ASSERT_EQ(c.Number != 0, failed.has_value()) << c.Number;
        if (failed) {
            EXPECT_EQ(c.Number, failed->Number);
            EXPECT_EQ(c.Field, failed->Field);
            EXPECT_EQ(c.Message, failed->Message);
        }
    }
}
