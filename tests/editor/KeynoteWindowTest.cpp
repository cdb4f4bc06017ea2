#include "KeynoteFixture.h"

using namespace keynotetest;

TEST_F(KeynoteTest, Smoke) {
    OpenOn("SET,TXTHT,0.1\r\nCIR,1,Footing,EA,COUNT\r\n");
    EXPECT_EQ(Rows(1), std::vector<std::string>{"0|1|Footing|EA|COUNT"});
    EXPECT_EQ(keynote->settings().LOC_TXTHT, "0.1");
}
